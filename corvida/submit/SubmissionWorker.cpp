#include "SubmissionWorker.h"

#include "Backup.h"
#include "Submission.h"

const char* const kBackupQuestion =
    " It is recommended to perform a Backup and Restore before submitting the forms.\n"
    " Do you want to continue anyway?";

void RunSubmissionWorker(SubmissionResult& result)
{
    if (result.mode != SubmitDirectly && !CheckRecentBackup()) {
        result.message = kBackupQuestion;
        result.code = SubmissionBackupAdvised;
        result.done.store(true);
        return;
    }
    std::string text;
    int code;
    {
        CCollector collector;
        code = collector.SubmitReport(text, 0);
    }
    result.message = text;
    result.code = code;
    result.done.store(true);  // last: the window reads message and code after seeing it
}

namespace {

DWORD WINAPI SubmissionThread(LPVOID parameter)
{
    RunSubmissionWorker(*static_cast<SubmissionResult*>(parameter));
    return 0;
}

}  // namespace

bool StartSubmissionWorker(SubmissionResult& result)
{
    result.done.store(false);
    HANDLE thread = CreateThread(nullptr, 0, SubmissionThread, &result, 0, nullptr);
    if (thread == nullptr) {
        result.code = 0;
        result.done.store(true);
        return false;
    }
    CloseHandle(thread);
    return true;
}

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

struct WorkerStart {
    std::shared_ptr<SubmissionResult> result;
    HWND notify;
    UINT doneMessage;
};

DWORD WINAPI SubmissionThread(LPVOID parameter)
{
    std::unique_ptr<WorkerStart> start(static_cast<WorkerStart*>(parameter));
    RunSubmissionWorker(*start->result);
    if (start->notify)
        PostMessageA(start->notify, start->doneMessage, 0, 0);
    return 0;
}

}  // namespace

bool StartSubmissionWorker(const std::shared_ptr<SubmissionResult>& result, HWND notify, UINT doneMessage)
{
    result->done.store(false);
    auto* start = new WorkerStart{result, notify, doneMessage};
    HANDLE thread = CreateThread(nullptr, 0, SubmissionThread, start, 0, nullptr);
    if (thread == nullptr) {
        delete start;
        result->code = 0;
        result->done.store(true);
        return false;
    }
    CloseHandle(thread);
    return true;
}

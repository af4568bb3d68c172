#include "PendingSubmission.h"

#include "FieldCatalogue.h"
#include "FileTree.h"
#include "ReportStore.h"
#include "StateRegistry.h"
#include "Submission.h"
#include "SubmissionWorker.h"
#include "Text.h"

#include <cctype>

const char* const kResubmitOption = "/resubmit";
const char* const kResubmitSentMessage = "The installation report has been sent to Velmora.";

bool IsResubmitCommand(const std::string& arguments)
{
    size_t i = 0;
    while (i < arguments.size()) {
        while (i < arguments.size() && std::isspace(static_cast<unsigned char>(arguments[i])))
            ++i;
        size_t end = i;
        while (end < arguments.size() && !std::isspace(static_cast<unsigned char>(arguments[end])))
            ++end;
        std::string word = arguments.substr(i, end - i);
        if (word.size() >= 2 && word.front() == '"' && word.back() == '"')
            word = word.substr(1, word.size() - 2);
        if (!word.empty() && ToLower(word) == kResubmitOption)
            return true;
        i = end;
    }
    return false;
}

bool IsSubmissionPending()
{
    std::string performed, completed;
    if (!ReadStateValue("Data Submission Performed", performed) || performed != "1")
        return false;
    if (ReadStateValue("Data Submission Completed", completed) && completed == "1")
        return false;
    if (!FileExists(kReportFile))
        return false;
    ReportRecord record;
    LoadReport(record);
    return PassesSubmitChecks(record);
}

bool RetryPendingSubmission()
{
    if (!IsSubmissionPending())
        return false;
    SubmissionResult result;
    result.mode = SubmitDirectly;
    RunSubmissionWorker(result);
    return result.code == SubmissionSent;
}

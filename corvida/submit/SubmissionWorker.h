#pragma once
// The work behind the submission window: a plain function over a small shared result.
// The worker writes message and code first and sets done last, then tells the window by a
// posted message. Window and worker both hold the result, so either may end first.
#include <windows.h>

#include <atomic>
#include <memory>
#include <string>

enum SubmissionMode {
    SubmitDirectly = 0,
    CheckBackupFirst = 1,
};

extern const char* const kBackupQuestion;  // the text Submit shows with result 6

struct SubmissionResult {
    int mode = SubmitDirectly;  // set by the caller before the worker starts
    std::string message;        // valid once done is true
    int code = 0;               // valid once done is true
    std::atomic<bool> done{false};
};

// Runs one submission (with the backup check first in CheckBackupFirst mode) on the
// calling thread and fills `result`.
void RunSubmissionWorker(SubmissionResult& result);

// Starts RunSubmissionWorker on a new thread that holds `result` until it ends and then
// posts `doneMessage` to `notify` (nothing when the window has gone). The thread handle is
// closed at once. False when the thread could not be started: done is then set with code
// 0 and nothing is posted.
bool StartSubmissionWorker(const std::shared_ptr<SubmissionResult>& result, HWND notify, UINT doneMessage);

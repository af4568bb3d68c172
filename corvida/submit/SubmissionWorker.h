#pragma once
// The work behind the submission window: a plain function over a small shared result.
// The worker writes message and code first and sets done last; the window only starts
// the worker and watches `done` on its timer.
#include <windows.h>

#include <atomic>
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

// Starts RunSubmissionWorker on a new thread; the handle is closed at once, the caller
// watches result.done. False when the thread could not be started (done is then set
// with code 0).
bool StartSubmissionWorker(SubmissionResult& result);

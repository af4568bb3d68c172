#pragma once
// A submission that Submit accepted but whose upload failed, and its unattended retry
// (`Corvida.exe /resubmit`, started by the start-up reminders and the reminder task).
#include <string>

extern const char* const kResubmitOption;      // "/resubmit"
extern const char* const kResubmitSentMessage;  // the retry's one notification

// Whether the program's arguments ask for the retry: a word "/resubmit" in any case.
bool IsResubmitCommand(const std::string& arguments);

// The one definition of a pending submission: "Data Submission Performed" reads "1",
// "Data Submission Completed" does not, and .\Data\Corvidadata.ini exists and still
// passes the checks Submit makes.
bool IsSubmissionPending();

// Runs a pending submission on the calling thread, through the path Submit takes
// (collector configuration, silent run, polling, the archive-holds-report check), with
// the report as saved and without the backup question (answered at Submit). True when
// the report was sent and the completion steps are done. False when it was not pending
// or the run did not succeed (also a run that could not start): the report, the flags,
// the shortcuts and the task are then left as they were.
bool RetryPendingSubmission();

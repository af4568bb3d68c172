/*
 * TrovelLib.h - public interface of TrovelLib.dll, the collector library.
 *
 * A host starts a collection run with one of the start functions and follows it by
 * polling getFileCollectionStatus with the run id the start function returned. A run
 * reads its definitions relative to the host's current folder (.\Directory.ini names the
 * folder that holds the definitions folder) and appends every step to .\TrovelLog.txt.
 *
 * Ownership: every string argument is copied on entry; the library keeps no pointer into
 * the caller's memory after a call returns, and writes only into the `text` buffer of
 * getFileCollectionStatus. Text is 8-bit in the system code page. Each run executes on a
 * thread of the library's own, which keeps the library loaded until the run has ended,
 * so a host may call FreeLibrary while a run started with runFileCollection still goes on.
 *
 * Hosts link libTrovelLib.dll.a (or bind the six names with GetProcAddress); the DLL
 * must be found beside the host or on the search path.
 */
#ifndef TROVELLIB_H
#define TROVELLIB_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

/* What getFileCollectionStatus returns. */
enum TrovelRunStatus {
    TROVEL_STATUS_WORKING = 0,
    TROVEL_STATUS_COMPLETED = 1,
    TROVEL_STATUS_FAILED = 2,
    TROVEL_STATUS_NO_ENTRY = 3
};

#ifdef TROVELLIB_BUILD
#define TROVELLIB_API __declspec(dllexport)
#else
#define TROVELLIB_API __declspec(dllimport)
#endif

/* ----- Progress window (attended runs) -----
 *
 * While a run goes on, every progress step is posted to a top-level window whose title is
 * exactly "Trovel", or "Trovel - " followed by the "DEVICE Name" of section CONFIGURATION
 * in the current device configuration when that value is not empty ("Trovel - Aldera 800").
 * The run looks for that window (by title only, any class) at every step; when it exists
 * the step goes to the window only and the run's status entry stays "WORKING"; without it
 * the step goes to the status file (getFileCollectionStatus) as described above.
 *
 * The message is the registered window message named TROVEL_PROGRESS_MESSAGE_NAME
 * (RegisterWindowMessageA gives the same identifier in host and library), posted with
 * wParam TROVEL_PROGRESS_WPARAM (2) and lParam the address of a TrovelProgress record.
 * Records are posted from the run's worker thread, so they arrive on the thread that owns
 * the window, through its message loop, in the order the run reported them.
 *
 * The receiving window owns each record and releases it with
 *     HeapFree(GetProcessHeap(), 0, record);
 * The library allocates it with HeapAlloc(GetProcessHeap(), ...), so any host, whatever
 * its compiler or runtime, can release it. A record that could not be posted is released
 * by the library; records still queued when the window is destroyed are never released, so
 * keep the window until the last record (code other than -1) has arrived. Texts are
 * zero-terminated, 8-bit in the system code page; a longer text is cut to fit its array.
 *
 * An attended run (funcTrovelLib with unattended 0) asks its questions and reports its
 * errors in message boxes without owner, captioned "Confirmation" (Yes/No questions: only
 * "Yes", IDYES, goes on) or "Error" (OK), shown from the run's worker thread. */
#define TROVEL_PROGRESS_MESSAGE_NAME "A message from LIB Process to Exe"
#define TROVEL_PROGRESS_WPARAM 2
#define TROVEL_PROGRESS_TITLE_SIZE 1024
#define TROVEL_PROGRESS_TEXT_SIZE 4096

typedef struct TrovelProgress {
    char title[TROVEL_PROGRESS_TITLE_SIZE]; /* short title of the step */
    int percent;                            /* 20, 80, 90 or 95 */
    char text[TROVEL_PROGRESS_TEXT_SIZE];   /* progress or error text; lines joined by CR LF */
    int code;                               /* -1 running, 1 completed, 2 to 10 failure codes */
    int flag;                               /* 0 with a failure and with the upload step
                                               of an unattended run, else 1 */
    int ftpResult;                          /* 1 once the upload has succeeded, else 0 */
} TrovelProgress;

/* Starts an unattended run without options on a worker thread and returns at once with
 * its run id: the start time HHMMSS read as a number (09:30:15 gives 93015). Returns 0 and
 * starts nothing when a run of the same minute still holds its collection folder. */
TROVELLIB_API DWORD runFileCollection(const char* description, const char* subject);

/* Runs an unattended collection and returns its run id once the run has ended (0 when
 * nothing was started, as above). `options` names the run's details, each value in double
 * quotes or as one word:
 *     -p "PRODUCT"  -c "CUSTOMER"  -r "REGION"  -s "SUBJECT"  -d "DESCRIPTION"
 * (or -product, -customer, -region, -subject, -description). A customer names the archive
 * and collection folder instead of the configured machine id. In quoted values (and in
 * any customer) blanks and / \ | ? : ' < > * ~ ` ^ % & become "_". Blocks the caller for the whole run (seconds to
 * minutes): a host with windows calls it from a thread of its own. */
TROVELLIB_API DWORD runFileCollectionSilent(const char* description, const char* subject,
                                            const char* options);

/* Status of run `runId` (enum TrovelRunStatus): 0 working, 1 completed, 2 failed, 3 no
 * entry for that id. A run whose process ended before it finished reads as failed. A
 * completed run whose upload failed says "failed" in its text. The run's last progress
 * text (at most 254 characters, on one line) is copied into `text`, a buffer of at least
 * 256 bytes owned by the caller (an empty string when there is no entry); `text` may be
 * NULL. Works in a process that has started no run yet: the status file is then looked
 * for below the current folder. */
TROVELLIB_API int getFileCollectionStatus(DWORD runId, char* text);

/* Starts a run with the caller's stamp (20YY_MM_DD_HH_MM, naming the collection folder
 * and archive) and options. With `unattended` non-zero it returns after the run; with 0 it
 * returns at once and the run may ask questions in message boxes. Such a run has no run
 * id: its state is kept apart from the entries getFileCollectionStatus reads. Nothing is
 * written back into the caller's strings (`result` only seeds the run's progress text).
 * Always returns 100. */
TROVELLIB_API DWORD funcTrovelLib(const char* description, const char* subject, const char* result,
                                  const char* stamp, int unattended, const char* options);

/* Does nothing; always returns 100. */
TROVELLIB_API DWORD funcLib(void);

/* Does nothing with `path`; always returns 0.0. */
TROVELLIB_API double GetSizeTrovelLib(const char* path);

#ifdef __cplusplus
}
#endif

#endif /* TROVELLIB_H */

/*
 * TrovelLib.h - public interface of TrovelLib.dll, the collector library.
 *
 * A host starts a collection run with one of the start functions and follows it by
 * polling getFileCollectionStatus with the run id the start function returned.
 * Every string argument is copied on entry; the library keeps no pointer into the
 * caller's memory after a call returns. Text is 8-bit in the system code page.
 */
#ifndef TROVELLIB_H
#define TROVELLIB_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

#ifdef TROVELLIB_BUILD
#define TROVELLIB_API __declspec(dllexport)
#else
#define TROVELLIB_API __declspec(dllimport)
#endif

/* Starts an attended run on a worker thread and returns at once with its run id (the
 * start time HHMMSS as a number); 0 when a run of this minute is still in progress. */
TROVELLIB_API DWORD runFileCollection(const char* description, const char* subject);

/* Runs an unattended collection with the given options ("-p PRODUCT -c \"CUSTOMER\" ...")
 * and returns its run id once the run has ended; 0 when no run was started. Blocks the
 * caller for the whole run: call it from a thread of your own if you own windows. */
TROVELLIB_API DWORD runFileCollectionSilent(const char* description, const char* subject,
                                            const char* options);

/* Status of run `runId`: 0 working, 1 completed, 2 failed, 3 no entry for that id.
 * The status text is copied into `text`, a buffer of at least 256 bytes owned by the
 * caller (an empty string when there is no entry). */
TROVELLIB_API int getFileCollectionStatus(DWORD runId, char* text);

/* Starts a run with the caller's stamp (20YY_MM_DD_HH_MM) and options. With `unattended`
 * non-zero it returns after the run; with 0 it returns at once and the run may ask
 * questions in message boxes. Such a run has no run id. Nothing is written back into
 * the caller's strings. Always returns 100. */
TROVELLIB_API DWORD funcTrovelLib(const char* description, const char* subject, const char* result,
                                  const char* stamp, int unattended, const char* options);

/* Always returns 100. */
TROVELLIB_API DWORD funcLib(void);

/* Always returns 0.0. */
TROVELLIB_API double GetSizeTrovelLib(const char* path);

#ifdef __cplusplus
}
#endif

#endif /* TROVELLIB_H */

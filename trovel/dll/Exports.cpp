// The six exports of TrovelLib.dll and the worker threads that run the collections.
#define TROVELLIB_BUILD
#include "TrovelLib.h"

#include <cstring>
#include <memory>

#include "Collector.h"
#include "CrashDump.h"
#include "Handles.h"
#include "RunStart.h"

namespace {

// Process-wide: the folders of the runs in progress (guarded inside, and shared with other
// processes through named claims). Everything else a run needs travels in its job.
RunClaims g_claims;

struct WorkerJob {
    PendingRun run;
    std::string claimedFolder;  // released when the run ends
};

std::string Text(const char* text)
{
    return text != nullptr ? std::string(text) : std::string();
}

// Each run's collector is fresh (its tables are large: kept on the heap) and owns the
// run's definitions, so that nothing of an earlier or a parallel run leaks into this one.
DWORD ExecuteRun(const WorkerJob& job)
{
    auto collector = std::make_unique<CTrovelCollector>();
    collector->m_strRunId = job.run.runIdText;
    std::string result = job.run.result;
    const int code = collector->Run(job.run.description, job.run.subject, result, job.run.unattended, job.run.stamp,
                                    job.run.options);
    return static_cast<DWORD>(code);
}

DWORD WINAPI RunWorker(LPVOID parameter)
{
    DWORD code;
    {
        CrashDumpScope crashDumps("TrovelLib", "TrovelLib worker");
        std::unique_ptr<WorkerJob> job(static_cast<WorkerJob*>(parameter));
        code = ExecuteRun(*job);
        if (!job->claimedFolder.empty())
            g_claims.Release(job->claimedFolder);
    }
    // The thread holds a reference to the library, so a host that unloads it while a run
    // is still going does not pull the code away under the thread.
    HMODULE self = nullptr;
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCSTR>(&RunWorker), &self))
        FreeLibraryAndExitThread(self, code);
    return code;
}

// Starts the worker with a reference on the library; the caller owns the thread handle.
HANDLE StartWorker(WorkerJob* job)
{
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&RunWorker), &self);
    HANDLE thread = CreateThread(nullptr, 0, RunWorker, job, 0, nullptr);
    if (thread == nullptr) {
        if (self != nullptr)
            FreeLibrary(self);
        if (!job->claimedFolder.empty())
            g_claims.Release(job->claimedFolder);
        delete job;
    }
    return thread;
}

// Steps shared by runFileCollection and runFileCollectionSilent: stamp, run id and the
// same-minute check. Returns the started thread (nullptr: nothing started) and the id.
HANDLE StartRun(const char* description, const char* subject, const std::string& options, DWORD& runId)
{
    runId = 0;
    PendingRun run;
    run.description = Text(description);
    run.subject = Text(subject);
    run.options = options;
    std::string claimedFolder;
    if (!ClaimStart(g_claims, options, run, claimedFolder))
        return nullptr;

    HANDLE thread = StartWorker(new WorkerJob{run, claimedFolder});
    if (thread != nullptr)
        runId = RunIdValue(run.runIdText);
    return thread;
}

}  // namespace

extern "C" {

TROVELLIB_API DWORD runFileCollection(const char* description, const char* subject)
{
    DWORD runId = 0;
    // The run goes on by itself: its thread handle is not needed here.
    const KernelHandle thread(StartRun(description, subject, std::string(), runId));
    return thread ? runId : 0;
}

TROVELLIB_API DWORD runFileCollectionSilent(const char* description, const char* subject, const char* options)
{
    DWORD runId = 0;
    const KernelHandle thread(StartRun(description, subject, Text(options), runId));
    if (!thread)
        return 0;
    WaitForSingleObject(thread.get(), INFINITE);
    return runId;
}

TROVELLIB_API int getFileCollectionStatus(DWORD runId, char* text)
{
    std::string description;
    const int code = CTrovelCollector::LookupStatus(runId, description);
    if (text != nullptr) {
        const size_t length = description.size() < 254 ? description.size() : 254;
        std::memcpy(text, description.data(), length);
        text[length] = '\0';
    }
    return code;
}

TROVELLIB_API DWORD funcTrovelLib(const char* description, const char* subject, const char* result,
                                  const char* stamp, int unattended, const char* options)
{
    PendingRun run;
    run.description = Text(description);
    run.subject = Text(subject);
    run.result = Text(result);
    run.stamp = Text(stamp);
    run.options = Text(options);
    run.runIdText.clear();  // such a run has no run id
    run.unattended = unattended != 0;

    const KernelHandle thread(StartWorker(new WorkerJob{run, std::string()}));
    if (!thread)
        return 100;
    if (unattended != 0)
        WaitForSingleObject(thread.get(), INFINITE);
    return 100;
}

TROVELLIB_API DWORD funcLib(void)
{
    return 100;
}

TROVELLIB_API double GetSizeTrovelLib(const char*)
{
    return 0.0;
}

}  // extern "C"

#pragma once
// CTrovelCollector: one collection run, from device selection to upload.
#include <windows.h>

#include <string>

class CTrovelCollector {
public:
    CTrovelCollector();

    // ----- run driver (Collector.cpp) -----
    int Run(std::string description, std::string subject, std::string& result, int unattended,
            std::string stamp, std::string options);

    std::string m_strRunId;
    int m_bUnattended = 0;
    int m_bFtpOk = 0;
    int m_nGatherCount[2] = {0, 0};
    std::string m_strMachineId;
    std::string m_strProduct;
    std::string m_strRegion;
    std::string m_strSubject;
    std::string m_strDescription;
    std::string m_strConfigFile;
    std::string m_strStamp;
    std::string m_strCollectDir;
    std::string m_strZipPath;

    // ----- status file, log and progress (Status.cpp) -----
    // Logs the text, then posts a TrovelProgress (Progress.h) to the progress window when
    // one exists, else writes the run's status slot.
    void ReportProgress(int percent, std::string title, std::string text, int code, int flag);
    // Books the run's slot as "WORKING"; 0 when the status file cannot be created.
    int CreateStatusEntry();
    void WriteStatus(const struct TrovelProgress& record);
    // Needs no running collector: reads the status file of TrovelDefinitions().
    // 0 working, 1 completed, 2 failed, 3 no entry; `text` gets the description.
    static int LookupStatus(DWORD runId, std::string& text);
    int m_nStatusSlot = 0;  // -1 for a run without a run id (its status has its own section)

    // ----- collection engine (PathVariables.cpp, Gather.cpp, RegistryCapture.cpp,
    //       Description.cpp, Archive.cpp, Upload.cpp) -----
};

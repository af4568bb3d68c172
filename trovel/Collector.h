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

    // ----- collection engine (PathVariables.cpp, Gather.cpp, RegistryCapture.cpp,
    //       Description.cpp, Archive.cpp, Upload.cpp) -----
};

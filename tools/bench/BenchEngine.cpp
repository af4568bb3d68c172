// Times one stage of the collection engine on a prepared tree and prints
// "<stage> <seconds> <peak working set in MB>" (the Linux side of the benchmark compares it with its own tools).
//
//   trovel_bench gather  <work folder> <source folder>   GatherPackages of one package
//                                                        naming the source with "*.*"
//   trovel_bench archive <work folder> <folder>          CreateArchive of the folder
//   trovel_bench upload  <work folder> <archive> <ftp path>  UploadArchive of the archive
#include "Collector.h"
#include "Definitions.h"

#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

double Seconds()
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void WriteKey(const std::string& file, const char* section, const std::string& key, const std::string& value)
{
    WritePrivateProfileStringA(section, key.c_str(), value.c_str(), file.c_str());
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        fprintf(stderr, "usage: trovel_bench gather|archive|upload <work folder> <path> [ftp path]\n");
        return 2;
    }
    const std::string stage = argv[1], work = argv[2], path = argv[3];
    auto collector = std::make_unique<CTrovelCollector>();
    CTrovelDefinitions& definitions = collector->Definitions();
    definitions.m_strDefDir = work + "\\";
    const std::string config = work + "\\Current_Trovel.ini";
    collector->m_strConfigFile = config;
    collector->m_strMachineId = "BENCH";
    collector->m_strStamp = "2099_12_31_23_59";  // every file is older than the run

    double started = 0, ended = 0;
    int ok = 1;
    if (stage == "gather") {
        WriteKey(config, "SELECT PACKAGE", "0)Name", "Bench Logs");
        const std::string package = definitions.CurrentPackageFile("Bench Logs");
        WriteKey(package, "FILES", "0)Filenum", "0");
        WriteKey(package, "FILES", "0)Recursive", "1");
        WriteKey(package, "FILES", "0)Directory", path + "\\");
        WriteKey(package, "FILES", "0)FileFormat", "*.*");
        collector->m_strCollectDir = work + "\\collect";
        started = Seconds();
        collector->GatherPackages();
        ended = Seconds();
    } else if (stage == "archive") {
        started = Seconds();
        std::string error;
        ok = collector->CreateArchive("", path, error);
        ended = Seconds();
        if (!ok)
            fprintf(stderr, "%s\n", error.c_str());
    } else if (stage == "upload" && argc >= 5) {
        WriteKey(config, "CONFIGURATION", "FTP Path", argv[4]);
        collector->m_strZipPath = path;
        std::string result = "Send files to FTP server.";
        started = Seconds();
        ok = collector->UploadArchive(result);
        ended = Seconds();
        if (!ok)
            fprintf(stderr, "%s", result.c_str());
    } else {
        fprintf(stderr, "unknown stage %s\n", stage.c_str());
        return 2;
    }
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    printf("%s %.3f %.0f\n", stage.c_str(), ended - started, memory.PeakWorkingSetSize / 1048576.0);
    return ok ? 0 : 1;
}

// An attended run driven by a host written in C (CHost.c, built from TrovelLib.h alone):
// it owns the progress window, answers the run's questions and releases every record.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "FileTree.h"
#include "FtpServer.h"
#include "TestSupport.h"

using testing_support::FtpServer;
using testing_support::ReadFileBytes;
using testing_support::ScratchDir;
using testing_support::SourcePath;
using testing_support::WriteFileBytes;

namespace {

const char kRegistryKey[] = "Software\\TrovelCHost";
const char kTrovelKey[] = "Software\\Velmora\\Trovel";
const char kStamp[] = "2026_12_10_09_30";

struct Record {
    int percent, code, flag, ftpResult;
    std::string title, text;
};

std::vector<std::string> Split(const std::string& line, char separator, size_t parts)
{
    std::vector<std::string> fields;
    size_t start = 0;
    while (fields.size() + 1 < parts) {
        const size_t end = line.find(separator, start);
        if (end == std::string::npos)
            break;
        fields.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    fields.push_back(line.substr(start));
    return fields;
}

class CHostRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = std::make_unique<ScratchDir>(::testing::UnitTest::GetInstance()->current_test_info()->name());
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kRegistryKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                  nullptr),
                  ERROR_SUCCESS);
        const char value[] = "CHOST-1";
        RegSetValueExA(key, "Serial", 0, REG_SZ, reinterpret_cast<const BYTE*>(value), sizeof value);
        RegCloseKey(key);
    }

    void TearDown() override
    {
        RegDeleteKeyA(HKEY_CURRENT_USER, kRegistryKey);
        HKEY trovel;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kTrovelKey, 0, KEY_SET_VALUE, &trovel) == ERROR_SUCCESS) {
            RegDeleteValueA(trovel, "CurrentDevice");
            RegCloseKey(trovel);
        }
        m_dir.reset();
    }

    std::string Path(const std::string& name) const { return *m_dir / name; }

    // The e2e workstation, sending to `ftpPath`, with its own registry key.
    void PrepareWorkstation(const std::string& ftpPath)
    {
        ASSERT_TRUE(CopyFolder(SourcePath("tests\\fixtures\\e2e\\workstation"), m_dir->Path(), true, false));
        for (const char* config : {"Current\\Trovel.ini", "Current\\Current_Trovel.ini"}) {
            WritePrivateProfileStringA("CONFIGURATION", "Local Directory", (Path("Collection") + "\\").c_str(),
                                       Path(config).c_str());
            WritePrivateProfileStringA("CONFIGURATION", "FTP Path", ftpPath.c_str(), Path(config).c_str());
        }
        for (const char* package : {"Current\\package_Logs.ini", "Current\\Current_Package_Logs.ini"})
            WritePrivateProfileStringA("REGISTRY", "0)HKEY", "HKEY_CURRENT_USER\\Software\\TrovelCHost",
                                       Path(package).c_str());
        MakeDirs(Path("Logs"));
        for (const char* log : {"app1.log", "app2.log", "settings.txt"})
            WriteFileBytes(Path("Logs\\") + log, std::string("contents of ") + log + "\r\n");
    }

    // Runs the C host in the workstation folder with the progress window `title`; returns
    // its exit code and fills the records and questions it wrote.
    int RunHost(const std::string& title, std::vector<Record>& records, std::vector<std::string>& questions)
    {
        const std::string output = Path("host-output.txt");
        std::string line = std::string("\"") + C_HOST_PATH + "\" \"" + title + "\" \"" + output + "\" " + kStamp;
        STARTUPINFOA start = {};
        start.cb = sizeof start;
        PROCESS_INFORMATION process = {};
        if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, m_dir->Path().c_str(), &start,
                            &process))
            return -1;
        DWORD code = static_cast<DWORD>(-1);
        if (WaitForSingleObject(process.hProcess, 150000) == WAIT_OBJECT_0)
            GetExitCodeProcess(process.hProcess, &code);
        else
            TerminateProcess(process.hProcess, 99);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);

        std::istringstream lines(ReadFileBytes(output));
        for (std::string entry; std::getline(lines, entry);) {
            if (entry.rfind("R|", 0) == 0) {
                const std::vector<std::string> f = Split(entry, '|', 7);
                if (f.size() == 7)
                    records.push_back({std::stoi(f[1]), std::stoi(f[2]), std::stoi(f[3]), std::stoi(f[4]), f[5], f[6]});
            } else if (entry.rfind("Q|", 0) == 0) {
                questions.push_back(entry.substr(2));
            }
        }
        return static_cast<int>(code);
    }

    std::string Profile(const char* section, const char* key)
    {
        char value[512] = "";
        const std::string file = Path("Current\\TrovelStatus.ini");
        GetPrivateProfileStringA(section, key, "<none>", value, sizeof value, file.c_str());
        return value;
    }

    std::unique_ptr<ScratchDir> m_dir;
};

TEST_F(CHostRun, AttendedRunReportsEveryStepToTheCHostsWindow)
{
    FtpServer server("127.0.0.60", FtpServer::Mode::Normal, {"incoming"});
    ASSERT_TRUE(server.Start());
    PrepareWorkstation("127.0.0.60\\incoming");
    // The workstation's device (Devices.ini and the registry) has a newer definition file
    // than the installed one: the attended run asks whether to use it.
    const std::string deviceFile = Path("Aldera_800.ini");
    ASSERT_TRUE(CopyFileA(Path("Current\\Trovel.ini").c_str(), deviceFile.c_str(), FALSE));
    WritePrivateProfileStringA("Device Version", "version", "2", deviceFile.c_str());
    WritePrivateProfileStringA("Device ID", "1", "Aldera 800", Path("Devices.ini").c_str());
    WritePrivateProfileStringA("DEVICE PATH", "Aldera 800", deviceFile.c_str(), Path("Devices.ini").c_str());
    HKEY trovel;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kTrovelKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &trovel, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(trovel, "CurrentDevice", 0, REG_SZ, reinterpret_cast<const BYTE*>("1"), 2);
    RegCloseKey(trovel);
    // The shipped package the refreshed definitions take.
    MakeDirs(Path("Packages"));
    ASSERT_TRUE(
        CopyFileA(Path("Current\\package_Logs.ini").c_str(), Path("Packages\\package_Logs.ini").c_str(), FALSE));

    std::vector<Record> records;
    std::vector<std::string> questions;
    ASSERT_EQ(RunHost("Trovel - Aldera 800", records, questions), 0);

    // The one question of this run, answered "Yes" in a message box.
    ASSERT_EQ(questions.size(), 1u) << ReadFileBytes(Path("host-output.txt"));
    EXPECT_EQ(questions[0], "Confirmation|Trovel definition files have changed.\\n Do you want to use the updates?");

    // Start, one step per gathered item (21, 22, ...), zip, send, completed: in that order.
    ASSERT_GE(records.size(), 5u) << ReadFileBytes(Path("host-output.txt"));
    const Record& first = records.front();
    EXPECT_EQ(first.percent, 20);
    EXPECT_EQ(first.title, "Running...");
    EXPECT_EQ(first.code, -1);
    size_t n = 1;
    for (; n < records.size() && records[n].title == "Running..."; ++n) {
        EXPECT_EQ(records[n].percent, 20 + static_cast<int>(n)) << n;
        EXPECT_EQ(records[n].code, -1);
    }
    EXPECT_GE(n, 2u) << "no gathering step";
    ASSERT_EQ(records.size(), n + 3);
    const struct {
        int percent, code, flag, ftpResult;
        const char* title;
        const char* textStart;
    } tail[] = {{80, -1, 1, 0, "Zip Files", "Zip Files"},
                {90, -1, 1, 0, "Send files to FTP server.", "Send files to FTP server."},
                {95, 1, 1, 1, "Completed.", "File Collection completed successfully:\\r\\n"}};
    for (const auto& expected : tail) {
        const Record& got = records[n++];
        SCOPED_TRACE(expected.title);
        EXPECT_EQ(got.percent, expected.percent);
        EXPECT_EQ(got.code, expected.code);
        EXPECT_EQ(got.flag, expected.flag);
        EXPECT_EQ(got.ftpResult, expected.ftpResult);
        EXPECT_EQ(got.title, expected.title);
        EXPECT_EQ(got.text.rfind(expected.textStart, 0), 0u) << got.text;
    }
    const std::string archive = std::string("WS-0042_") + kStamp + ".zip";
    EXPECT_NE(records.back().text.find(archive), std::string::npos) << records.back().text;
    EXPECT_TRUE(FileExists(server.Root() + "\\incoming\\" + archive));

    // With the window present the progress went to the window only: the run's entry (a
    // run without id has its own section) still says what the run's start wrote.
    EXPECT_EQ(Profile("StatusTrovelLib", "STATUS"), "WORKING");
    EXPECT_EQ(Profile("StatusTrovelLib", "DESCRIPTION"), "");
    EXPECT_EQ(Profile("StatusTrovel", "0)ID"), "<none>");
}

TEST_F(CHostRun, AFailedRunEndsWithItsFailureCode)
{
    FtpServer server("127.0.0.61", FtpServer::Mode::Normal, {"incoming"});
    ASSERT_TRUE(server.Start());
    PrepareWorkstation("127.0.0.61\\incoming");
    for (const char* config : {"Current\\Trovel.ini", "Current\\Current_Trovel.ini"})
        WritePrivateProfileStringA("CONFIGURATION", "User Defined", "NULL", Path(config).c_str());

    std::vector<Record> records;
    std::vector<std::string> questions;
    ASSERT_EQ(RunHost("Trovel - Aldera 800", records, questions), 0);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].percent, 20);
    EXPECT_EQ(records[0].code, 4);
    EXPECT_EQ(records[0].flag, 0);
    EXPECT_EQ(records[0].text, "A unique machine ID is required.");
    EXPECT_EQ(Profile("StatusTrovelLib", "STATUS"), "WORKING");
}

}  // namespace

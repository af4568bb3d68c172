// trovel.exe as a site engineer and a script meet it: one-line errors, a run refused in a
// folder without definitions, the readiness check against a loopback FTP server, and the
// progress line's reading of the run's status.
#include "Check.h"
#include "CommandLine.h"
#include "FtpServer.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

struct Outcome {
    int exitCode = -1;
    std::string output;  // standard output and error together
};

// Starts trovel.exe in `folder` with its output on a pipe (as a script reads it) and
// waits for its end.
Outcome RunTrovel(const std::string& arguments, const std::string& folder)
{
    Outcome outcome;
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return outcome;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process = {};
    std::string line = std::string("\"") + TROVEL_EXE + "\" " + arguments;
    const BOOL started = CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                       folder.c_str(), &startup, &process);
    CloseHandle(writeEnd);
    if (started) {
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0)
            outcome.output.append(buffer, got);
        DWORD code = static_cast<DWORD>(-1);
        if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0)
            GetExitCodeProcess(process.hProcess, &code);
        outcome.exitCode = static_cast<int>(code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(readEnd);
    return outcome;
}

// Names of the entries of a folder.
std::vector<std::string> Entries(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

TEST(TrovelCli, ErrorsAreOneLineAndPointToTheHelp)
{
    ScratchDir empty("cli errors");
    const struct {
        const char* arguments;
        int exitCode;
        const char* firstLine;
    } cases[] = {
        {"upload", 2, "trovel: unknown command: upload\r\n"},
        {"run -x 1", 2, "trovel: unknown option: -x\r\n"},
        {"status", 2, "trovel: status needs one run id\r\n"},
        {"check now", 2, "trovel: check takes no arguments: now\r\n"},
        {"--version 2", 2, "trovel: --version takes no arguments\r\n"},
        {"send", 2, "trovel: send needs one archive\r\n"},
        {"send a.zip b.zip", 2, "trovel: send needs one archive\r\n"},
        // Without definitions the library would create its default files here and fail.
        {"run -c Shop", 2, "trovel: no collector definitions in "},
    };
    for (const auto& c : cases) {
        const Outcome outcome = RunTrovel(c.arguments, empty.Path());
        EXPECT_EQ(c.exitCode, outcome.exitCode) << c.arguments;
        EXPECT_EQ(0u, outcome.output.rfind(c.firstLine, 0)) << c.arguments << "\n" << outcome.output;
        const size_t lineEnd = outcome.output.find("\r\n");
        EXPECT_EQ("see trovel --help\r\n", outcome.output.substr(lineEnd + 2)) << c.arguments << "\n" << outcome.output;
    }
    EXPECT_TRUE(Entries(empty.Path()).empty()) << "nothing may be written where nothing was started";

    const Outcome version = RunTrovel("--version", empty.Path());
    EXPECT_EQ(0, version.exitCode);
    EXPECT_EQ(std::string("trovel ") + PROJECT_VERSION_TEXT + "\r\n", version.output);

    // A run id without an entry, with and without a status file: the same line.
    const Outcome noEntry = RunTrovel("status 93015", empty.Path());
    EXPECT_EQ(3, noEntry.exitCode);
    EXPECT_EQ("[NO ENTRY] run 093015 has no entry in the status file\r\n", noEntry.output);
    CreateDirectoryA((empty / "Current").c_str(), nullptr);
    WriteFileBytes(empty / "Current\\TrovelStatus.ini", "[StatusTrovel]\r\n0)ID=101010\r\n0)STATUS=COMPLETE\r\n");
    EXPECT_EQ("[NO ENTRY] run 093015 has no entry in the status file\r\n", RunTrovel("status 93015", empty.Path()).output);

    const Outcome help = RunTrovel("--help", empty.Path());
    EXPECT_EQ(0, help.exitCode);
    for (const char* part : {"exit codes:", "check:  0 every check passed", "TrovelLog.txt", "trovel check",
                             "trovel send ARCHIVE", "send:   0 sent"})
        EXPECT_NE(std::string::npos, help.output.find(part)) << part;
}

// A collector workstation of its own: Directory.ini, the definitions folder "Current"
// with its configuration and the packages it selects.
class CheckTest : public ::testing::Test {
protected:
    void SetUp() override { Fresh(); }
    void Fresh()
    {
        m_dir.reset();
        m_dir = std::make_unique<ScratchDir>("check station");
    }

    void WriteDefinitions(const std::string& ftpPath, bool withPackage)
    {
        WriteFileBytes(*m_dir / "Directory.ini", "[Directory]\r\nPath Directory=.\\\r\n");
        CreateDirectoryA((*m_dir / "Current").c_str(), nullptr);
        WriteFileBytes(*m_dir / "Current\\Current_Trovel.ini",
                       "[CONFIGURATION]\r\nFTP Path=" + ftpPath +
                           "\r\nLocal Directory=C:\\Collect\\\r\nComputer Name=1\r\n\r\n"
                           "[SELECT PACKAGE]\r\n0)Name=Logs\r\n");
        if (withPackage)
            WriteFileBytes(*m_dir / "Current\\Current_Package_Logs.ini",
                           "[FILES]\r\n0)Filenum=2\r\n0)Recursive=0\r\n0)Directory=%TEMP%\r\n0)FileFormat=*.log\r\n");
    }

    std::unique_ptr<ScratchDir> m_dir;
};

TEST_F(CheckTest, OneLinePerCheckAndExitZeroOnlyWhenAllPass)
{
    const struct {
        const char* why;
        const char* address;
        FtpServer::Mode mode;
        bool withPackage;
        int exitCode;
        std::vector<std::string> lines;
    } cases[] = {
        {"good station", "127.0.0.90", FtpServer::Mode::Normal, true, 0,
         {"ok    definitions: ", "ok    configuration: FTP 127.0.0.90\\incoming\\plates", "ok    package Logs: ",
          "ok    FTP server: 127.0.0.90 answers: 220", "ok    FTP login: ", "ok    FTP folder: /incoming/plates exists",
          "ready: every check passed"}},
        {"missing package", "127.0.0.91", FtpServer::Mode::Normal, false, 1,
         {"FAIL  package Logs: ", "does not exist", "ok    FTP folder: "}},
        {"server down", "127.0.0.92", FtpServer::Mode::ServerDown, true, 1,
         {"FAIL  FTP server: 127.0.0.92 does not answer", "--    FTP login: not checked", "not ready: 3 of 6"}},
        {"login refused", "127.0.0.93", FtpServer::Mode::LoginRefused, true, 1,
         {"ok    FTP server: ", "FAIL  FTP login: anonymous login refused", "--    FTP folder: not checked"}},
        {"folder missing", "127.0.0.94", FtpServer::Mode::FolderMissing, true, 1,
         {"ok    FTP login: ", "FAIL  FTP folder: /incoming/plates cannot be opened"}},
    };
    for (const auto& c : cases) {
        Fresh();
        FtpServer server(c.address, c.mode, {"incoming/plates"});
        ASSERT_TRUE(server.Start()) << c.why;
        WriteDefinitions(std::string(c.address) + "\\incoming\\plates", c.withPackage);
        const std::vector<std::string> before = Entries(m_dir->Path());

        const Outcome outcome = RunTrovel("check", m_dir->Path());
        EXPECT_EQ(c.exitCode, outcome.exitCode) << c.why << "\n" << outcome.output;
        for (const std::string& line : c.lines)
            EXPECT_NE(std::string::npos, outcome.output.find(line)) << c.why << ": " << line << "\n" << outcome.output;
        // Nothing written beside the definitions (no log, no status, no collection) and
        // nothing uploaded.
        EXPECT_EQ(before, Entries(m_dir->Path())) << c.why;
        EXPECT_EQ(2u, Entries(m_dir->Path() + "\\Current").size() + (c.withPackage ? 0 : 1)) << c.why;
        if (c.mode == FtpServer::Mode::Normal) {
            EXPECT_TRUE(Entries(server.Root() + "\\incoming\\plates").empty()) << c.why;
        }
    }
}

// An archive that a run left in the local directory after a failed upload, sent again
// with the configured server through the library's upload.
TEST_F(CheckTest, SendUploadsALeftArchiveUnderItsOwnName)
{
    const std::string archiveName = "Printshop_2026_12_10_17_23.zip";
    const std::string bytes = std::string("PK\x05\x06", 4) + std::string(18, '\0') + "left by a run";
    const struct {
        const char* why;
        const char* address;
        FtpServer::Mode mode;
        const char* argument;  // "@" stands for the archive's full path
        int exitCode;
        const char* output;
    } cases[] = {
        {"bare name, found in the local directory", "127.0.0.112", FtpServer::Mode::Normal, archiveName.c_str(), 0,
         "sent: "},
        {"full path", "127.0.0.112", FtpServer::Mode::Normal, "@", 0, "sent: "},
        {"server down", "127.0.0.113", FtpServer::Mode::ServerDown, "@", 1, "failed: FTP ERROR"},
        {"folder missing", "127.0.0.113", FtpServer::Mode::FolderMissing, "@", 1, "failed: "},
        {"no such archive", "127.0.0.112", FtpServer::Mode::Normal, "Other_2026_01_01_00_00.zip", 2,
         "trovel: no such archive"},
        {"not a run's archive", "127.0.0.112", FtpServer::Mode::Normal, "notes.txt", 2, "trovel: "},
    };
    for (const auto& c : cases) {
        Fresh();
        FtpServer server(c.address, c.mode, {"incoming/plates"});
        ASSERT_TRUE(server.Start()) << c.why;
        WriteDefinitions(std::string(c.address) + "\\incoming\\plates", true);
        WritePrivateProfileStringA("CONFIGURATION", "Local Directory", (*m_dir / "Collection\\").c_str(),
                                   (*m_dir / "Current\\Current_Trovel.ini").c_str());
        CreateDirectoryA((*m_dir / "Collection").c_str(), nullptr);
        const std::string archive = *m_dir / ("Collection\\" + archiveName);
        WriteFileBytes(archive, bytes);
        WriteFileBytes(*m_dir / "notes.txt", "not an archive");

        const std::string argument = std::string(c.argument) == "@" ? "\"" + archive + "\"" : c.argument;
        const Outcome outcome = RunTrovel("send " + argument, m_dir->Path());
        EXPECT_EQ(c.exitCode, outcome.exitCode) << c.why << "\n" << outcome.output;
        EXPECT_EQ(0u, outcome.output.find(c.output)) << c.why << "\n" << outcome.output;
        const std::string uploaded = server.Root() + "\\incoming\\plates\\" + archiveName;
        if (c.exitCode == 0) {
            EXPECT_EQ(bytes, ReadFileBytes(uploaded)) << c.why;
        } else if (c.mode == FtpServer::Mode::Normal) {
            EXPECT_TRUE(Entries(server.Root() + "\\incoming\\plates").empty()) << c.why;
        }
        EXPECT_EQ(bytes, ReadFileBytes(archive)) << c.why << ": the archive stays as it was";
    }

    // Without definitions nothing is tried.
    ScratchDir empty("send without definitions");
    const Outcome outcome = RunTrovel("send " + archiveName, empty.Path());
    EXPECT_EQ(2, outcome.exitCode) << outcome.output;
    EXPECT_TRUE(Entries(empty.Path()).empty());
}

// On a report workstation the check follows what a submission writes from Corvida.ini and
// the device model, and insists on the report among what is collected.
TEST_F(CheckTest, ReportWorkstationNeedsThePackageToCollectTheReport)
{
    const char* const stateKey = "SOFTWARE\\Velmora\\Corvida";
    HKEY probe;
    const bool keyExisted = RegOpenKeyExA(HKEY_LOCAL_MACHINE, stateKey, 0, KEY_READ, &probe) == ERROR_SUCCESS;
    if (keyExisted)
        RegCloseKey(probe);
    ASSERT_FALSE(keyExisted) << "a workstation set-up is installed in this prefix";
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_LOCAL_MACHINE, stateKey, "Product", REG_SZ, "Aldera 800", 11));

    FtpServer server("127.0.0.95", FtpServer::Mode::Normal, {"incoming"});
    ASSERT_TRUE(server.Start());
    WriteFileBytes(*m_dir / "Corvida.ini", "[Aldera 800]\r\nFTP Path=127.0.0.95\\incoming\r\nPackageName=Station\r\n");
    CreateDirectoryA((*m_dir / "Current").c_str(), nullptr);
    const struct {
        const char* directory;
        const char* format;
        int exitCode;
        const char* line;
    } cases[] = {
        {"%CURRENTDIR%\\Data", "Corvidadata.ini", 0, "ok    report file: Data\\Corvidadata.ini is collected"},
        {"%CURRENTDIR%", "*.ini", 1, "FAIL  report file: the package does not collect Data\\Corvidadata.ini"},
    };
    for (const auto& c : cases) {
        WriteFileBytes(*m_dir / "Current\\Package_Station.ini", std::string("[FILES]\r\n0)Filenum=1\r\n0)Recursive=0\r\n") +
                                                                  "0)Directory=" + c.directory + "\r\n0)FileFormat=" +
                                                                  c.format + "\r\n");
        const Outcome outcome = RunTrovel("check", m_dir->Path());
        EXPECT_EQ(c.exitCode, outcome.exitCode) << outcome.output;
        EXPECT_NE(std::string::npos, outcome.output.find("ok    device model: Aldera 800")) << outcome.output;
        EXPECT_NE(std::string::npos, outcome.output.find(c.line)) << outcome.output;
    }
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, stateKey);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Velmora");
}

TEST(TrovelCheckRules, WhichFilesEntriesCollectTheReport)
{
    const std::string program = "C:\\Velmora\\Corvida";
    const struct {
        PackageFileEntry entry;
        bool collects;
    } cases[] = {
        {{"1", "0", "%CURRENTDIR%\\Data", "Corvidadata.ini"}, true},
        {{"1", "0", ".\\Data\\", "*.ini"}, true},
        {{"0", "0", "C:\\velmora\\corvida\\DATA", "*.*"}, true},  // "*.*" takes all, whatever the count
        {{"1", "1", "%CURRENTDIR%", "corvida*.ini"}, true},       // recursive from the program folder
        {{"1", "0", "%CURRENTDIR%", "*.ini"}, false},             // not recursive: Data is not searched
        {{"0", "0", "%CURRENTDIR%\\Data", "Corvidadata.ini"}, false},
        {{"1", "0", "%CURRENTDIR%\\Data", "*.log"}, false},
        {{"1", "0", "%TEMP%\\Data", "*.ini"}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.collects, CollectsReportFile(c.entry, program)) << c.entry.directory << " " << c.entry.fileFormat;
}

TEST(TrovelCheckRules, FtpPathIntoServerAndFolder)
{
    const struct {
        const char* path;
        const char* host;
        const char* folder;
    } cases[] = {
        {"127.0.0.2\\incoming\\Aldera800", "127.0.0.2", "/incoming/Aldera800"},
        {"support.example\\incoming\\", "support.example", "/incoming"},
        {"support.example", "support.example", "/"},
    };
    for (const auto& c : cases) {
        std::string host, folder;
        SplitFtpPath(c.path, host, folder);
        EXPECT_EQ(c.host, host) << c.path;
        EXPECT_EQ(c.folder, folder) << c.path;
    }
}

TEST(TrovelProgressLine, StageAndPercentFromTheStatusOfTheRun)
{
    // Read in order, as the polls of one run see them.
    const struct {
        int status;
        const char* text;
        const char* stage;
        int percent;
    } polls[] = {
        {3, "", "starting", 0},
        {0, "", "starting", 0},
        {0, "Running...", "gathering", 20},
        {0, "Some step the library adds later", "gathering", 20},
        {0, "Zip Files", "packing", 80},
        {0, "Send files to FTP server.", "sending", 90},
        {1, "File Collection completed successfully:  ...", "done", 100},
    };
    RunProgress progress;
    for (const auto& poll : polls) {
        progress = ProgressOf(poll.status, poll.text, progress);
        EXPECT_EQ(poll.stage, progress.stage) << poll.text;
        EXPECT_EQ(poll.percent, progress.percent) << poll.text;
    }
    EXPECT_EQ("failed", ProgressOf(2, "No packages are available.", RunProgress{"starting", 0}).stage);

    const std::string line = ProgressLine({"packing", 80}, "Zip Files", 30);
    EXPECT_EQ("packing    80%  Zip Files     ", line);
    EXPECT_EQ(20u, ProgressLine({"gathering", 20}, std::string(100, 'x'), 20).size());
}

}  // namespace

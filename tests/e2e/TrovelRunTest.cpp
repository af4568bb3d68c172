// Collection runs from start to end through the real TrovelLib.dll: a prepared workstation
// folder (definitions, a package, log files, a registry key), the registry editor, the zip
// archive and a loopback FTP server.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <memory>
#include <functional>
#include <string>
#include <vector>

#include "FileTree.h"
#include "FtpServer.h"
#include "TestSupport.h"

using testing_support::FtpServer;
using testing_support::PathExists;
using testing_support::ReadFileBytes;
using testing_support::RunHost;
using testing_support::ScratchDir;
using testing_support::SourcePath;
using testing_support::UnixPath;
using testing_support::VsftpdServer;
using testing_support::WriteFileBytes;

namespace {

typedef DWORD (*RunSilentFn)(const char*, const char*, const char*);
typedef DWORD (*RunFn)(const char*, const char*);
typedef int (*StatusFn)(DWORD, char*);
typedef DWORD (*FuncTrovelLibFn)(const char*, const char*, const char*, const char*, int, const char*);
typedef DWORD (*FuncLibFn)();
typedef double (*GetSizeFn)(const char*);

const char kRegistryKey[] = "Software\\TrovelE2E";

// An export of the library as a typed function pointer (nullptr when missing).
template <typename Fn>
Fn Bind(HMODULE library, const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

// Files below `folder` whose names match `pattern`, as listed.
std::vector<std::string> List(const std::string& folder, const std::string& pattern)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "\\" + pattern).c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(found.cFileName);
    while (FindNextFileA(find, &found));
    FindClose(find);
    return names;
}

// A Windows program started in `folder` with standard output and error going to
// `outFile`; Finish waits for it (bounded) and returns its exit code (-1 when it could not
// start or did not end).
struct StartedProgram {
    PROCESS_INFORMATION process = {};
    std::string outFile;
    bool started = false;
};

StartedProgram StartWindowsProgram(const std::string& commandLine, const std::string& folder,
                                   const std::string& outName = "program-output.txt")
{
    StartedProgram program;
    program.outFile = folder + "\\" + outName;
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE out = CreateFileA(program.outFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0,
                             nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return program;
    STARTUPINFOA start = {};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdOutput = out;
    start.hStdError = out;
    start.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    std::string line = commandLine;
    program.started = CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(), &start,
                                     &program.process) != FALSE;
    CloseHandle(out);
    return program;
}

int Finish(StartedProgram& program, std::string& output)
{
    if (!program.started)
        return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(program.process.hProcess, 90000) == WAIT_OBJECT_0)
        GetExitCodeProcess(program.process.hProcess, &code);
    CloseHandle(program.process.hThread);
    CloseHandle(program.process.hProcess);
    program.started = false;
    output = ReadFileBytes(program.outFile);
    return static_cast<int>(code);
}

int RunWindowsProgram(const std::string& commandLine, const std::string& folder, std::string& output)
{
    StartedProgram program = StartWindowsProgram(commandLine, folder);
    return Finish(program, output);
}

// Waits (bounded) until `condition` holds, looking again every 50 ms.
bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(50);
    }
    return true;
}

void SetAge(const std::string& path, int hours)
{
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t;
    t.LowPart = now.dwLowDateTime;
    t.HighPart = now.dwHighDateTime;
    t.QuadPart -= static_cast<ULONGLONG>(hours) * 3600ULL * 10000000ULL;
    FILETIME then{t.LowPart, t.HighPart};
    SetFileTime(file, nullptr, nullptr, &then);
    CloseHandle(file);
}

// One workstation: the fixture's definitions copied into a scratch folder that is the
// current folder while the test runs, with the library loaded fresh for it.
class TrovelRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        GetCurrentDirectoryA(MAX_PATH, m_previous);
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        for (char& c : name)
            if (c == '/')
                c = '_';
        m_dir = std::make_unique<ScratchDir>(name);
        ASSERT_TRUE(SetCurrentDirectoryA(m_dir->Path().c_str()));
        m_library = LoadLibraryA(TROVEL_DLL_PATH);
        ASSERT_NE(m_library, nullptr) << TROVEL_DLL_PATH;
        m_runSilent = Bind<RunSilentFn>(m_library, "runFileCollectionSilent");
        m_run = Bind<RunFn>(m_library, "runFileCollection");
        m_status = Bind<StatusFn>(m_library, "getFileCollectionStatus");
        m_funcTrovelLib = Bind<FuncTrovelLibFn>(m_library, "funcTrovelLib");
        ASSERT_TRUE(m_runSilent && m_run && m_status && m_funcTrovelLib);
    }

    void TearDown() override
    {
        if (m_library != nullptr)
            FreeLibrary(m_library);
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
            RegDeleteKeyA(key, "TrovelE2E");
            RegCloseKey(key);
        }
        SetCurrentDirectoryA(m_previous);
        m_dir.reset();
    }

    std::string Path(const std::string& name) const { return *m_dir / name; }
    std::string LocalDir() const { return Path("Collection"); }

    // The workstation of the fixture, sending to `ftpPath`.
    void PrepareWorkstation(const std::string& ftpPath)
    {
        ASSERT_TRUE(CopyFolder(SourcePath("tests\\fixtures\\e2e\\workstation"), m_dir->Path(), true, false));
        for (const char* config : {"Current\\Trovel.ini", "Current\\Current_Trovel.ini"}) {
            WritePrivateProfileStringA("CONFIGURATION", "Local Directory", (LocalDir() + "\\").c_str(),
                                       Path(config).c_str());
            WritePrivateProfileStringA("CONFIGURATION", "FTP Path", ftpPath.c_str(), Path(config).c_str());
        }
        MakeDirs(Path("Logs"));
        const struct {
            const char* name;
            int hours;
        } logs[] = {{"app1.log", 3}, {"app2.log", 2}, {"app3.log", 1}, {"settings.txt", 5}, {"other.dat", 1}};
        for (const auto& log : logs) {
            WriteFileBytes(Path("Logs\\") + log.name, std::string("contents of ") + log.name + "\r\n");
            SetAge(Path("Logs\\") + log.name, log.hours);
        }
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kRegistryKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                  nullptr),
                  ERROR_SUCCESS);
        const char value[] = "E2E-4711";
        RegSetValueExA(key, "Serial", 0, REG_SZ, reinterpret_cast<const BYTE*>(value), sizeof value);
        RegCloseKey(key);
    }

    int Status(DWORD runId, std::string& text)
    {
        char buffer[256];
        std::memset(buffer, 'x', sizeof buffer);
        const int code = m_status(runId, buffer);
        text = buffer;
        return code;
    }

    // The stored slot of `runId` in the status file, read back directly: its STATUS, or
    // with `key` "DESCRIPTION" its whole text.
    std::string StoredStatus(DWORD runId, const char* field = "STATUS")
    {
        char id[16];
        std::snprintf(id, sizeof id, "%06lu", static_cast<unsigned long>(runId));
        const std::string file = Path("Current\\TrovelStatus.ini");
        for (int n = 0; n < 11; ++n) {
            char key[32], value[64] = "";
            std::snprintf(key, sizeof key, "%d)ID", n);
            GetPrivateProfileStringA("StatusTrovel", key, "", value, sizeof value, file.c_str());
            if (id == std::string(value)) {
                char text[4000] = "";
                std::snprintf(key, sizeof key, "%d)%s", n, field);
                GetPrivateProfileStringA("StatusTrovel", key, "", text, sizeof text, file.c_str());
                return text;
            }
        }
        return "<no slot>";
    }

    char m_previous[MAX_PATH] = "";
    std::unique_ptr<ScratchDir> m_dir;
    HMODULE m_library = nullptr;
    RunSilentFn m_runSilent = nullptr;
    RunFn m_run = nullptr;
    StatusFn m_status = nullptr;
    FuncTrovelLibFn m_funcTrovelLib = nullptr;
};

TEST_F(TrovelRun, SilentRunUploadsTheCustomersEncryptedArchive)
{
    FtpServer server("127.0.0.30", FtpServer::Mode::Normal, {"incoming"});
    ASSERT_TRUE(server.Start());
    PrepareWorkstation("127.0.0.30\\incoming");

    const DWORD runId = m_runSilent("Printer stops after the first plate.", "Service visit",
                                    " -p \"Aldera 800\"  -c \"ACME Print/Shop\"");
    ASSERT_NE(runId, 0u);

    // The archive is named by the sanitised customer and stays in the local directory;
    // the collection folder is gone.
    const std::vector<std::string> archives = List(LocalDir(), "ACME_Print_Shop_*.zip");
    ASSERT_EQ(archives.size(), 1u);
    const std::string archive = archives[0];
    const std::string stamp = archive.substr(16, archive.size() - 16 - 4);
    EXPECT_EQ(List(LocalDir(), "*").size(), 3u) << "., .. and the archive only";

    // Uploaded byte for byte.
    const std::string local = ReadFileBytes(LocalDir() + "\\" + archive);
    EXPECT_EQ(ReadFileBytes(server.Root() + "\\incoming\\" + archive), local);

    // Opens with the configured password and holds what the package names.
    const std::string unpacked = Path("unpacked");
    ASSERT_EQ(RunHost("/usr/bin/python3 '" + UnixPath(SourcePath("tests\\fixtures\\e2e\\unpack_zip.py")) + "' '" +
                      UnixPath(LocalDir() + "\\" + archive) + "' pavis '" + UnixPath(unpacked) + "'"),
              0);
    const std::string entries = ReadFileBytes(unpacked + "\\entries.txt");
    for (const std::string& expected :
         {"ACME_Print_Shop_" + stamp + ".txt\n", std::string(" -PASSWORD=pavis\n"), std::string("Logs/app2.log\n"),
          std::string("Logs/app3.log\n"), std::string("Logs/settings.txt\n")})
        EXPECT_NE(entries.find(expected), std::string::npos) << expected << " in\n" << entries;
    EXPECT_EQ(entries.find("app1.log"), std::string::npos) << "only the two newest logs";
    EXPECT_EQ(entries.find("other.dat"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(unpacked + "\\Logs\\app3.log"), "contents of app3.log\r\n");

    const std::string description = ReadFileBytes(unpacked + "\\ACME_Print_Shop_" + stamp + ".txt");
    for (const char* line : {"Trovel Version 3.00.07\r\n", "Product:         Aldera_800\r\n",
                             "Computer Name:   ACME_Print_Shop\r\n", "Region:          EMEA\r\n",
                             "Subject:\r\n--------\r\nService visit\r\n",
                             "Problem Description:\r\n--------------------\r\nPrinter stops after the first plate.\r\n"})
        EXPECT_NE(description.find(line), std::string::npos) << line << " in\n" << description;

    // The registry export: one .reg file in the package folder, naming the key.
    std::vector<std::string> exports = List(unpacked + "\\Logs", "*.reg");
    ASSERT_EQ(exports.size(), 1u) << entries;
    const std::string reg = ReadFileBytes(unpacked + "\\Logs\\" + exports[0]);
    std::string narrow;
    for (size_t i = 2; i + 1 < reg.size(); i += 2)  // UTF-16LE after the byte-order mark
        narrow += reg[i];
    EXPECT_NE(narrow.find("TrovelE2E"), std::string::npos);
    EXPECT_NE(narrow.find("E2E-4711"), std::string::npos);

    // The status: COMPLETE with the summary, followed through the export.
    std::string text;
    EXPECT_EQ(Status(runId, text), 1);
    // One line: each CR LF of the summary became one blank; the export gives at most 254
    // characters.
    const std::string summary = "File Collection completed successfully:  Collected Packages: Logs. Local Target: " +
                                LocalDir() + "\\" + archive + " FTP Server: 127.0.0.30.";
    EXPECT_EQ(text, summary.substr(0, 254));
    EXPECT_EQ(StoredStatus(runId), "COMPLETE");
    EXPECT_EQ(Status(runId + 1 == 240000 ? 1 : runId + 1, text), 3);
    EXPECT_EQ(text, "");
}

TEST_F(TrovelRun, FtpServerDownStillCompletesAndKeepsTheArchive)
{
    FtpServer server("127.0.0.31", FtpServer::Mode::ServerDown);
    ASSERT_TRUE(server.Start());
    PrepareWorkstation("127.0.0.31\\incoming");

    const DWORD runId = m_runSilent("see xml report.", "Installation Report", "-c \"ACME\"");
    ASSERT_NE(runId, 0u);

    std::string text;
    EXPECT_EQ(Status(runId, text), 1);
    EXPECT_EQ(text.rfind("File Collection failed!", 0), 0u) << text;
    const std::string stored = StoredStatus(runId, "DESCRIPTION");
    EXPECT_NE(stored.find(" A connection to FTP server 127.0.0.31 could not be established."), std::string::npos)
        << stored;
    EXPECT_EQ(List(LocalDir(), "ACME_*.zip").size(), 1u);
    EXPECT_NE(ReadFileBytes("TrovelLog.txt").find("***  FTP ERROR !!!"), std::string::npos);
}

// A write-only drop box (vsftpd refusing SIZE and listings) has confirmed the transfer:
// the run succeeds and the archive has arrived whole.
TEST_F(TrovelRun, SilentRunToAWriteOnlyDropBoxSucceeds)
{
    VsftpdServer server("127.0.0.83", VsftpdServer::Setup::DropBox, {"dropbox"});
    ASSERT_TRUE(server.Start()) << server.StartOutput();
    PrepareWorkstation("127.0.0.83\\dropbox");

    const DWORD runId = m_runSilent("see xml report.", "Installation Report", "-c \"ACME\"");
    ASSERT_NE(runId, 0u);

    std::string text;
    EXPECT_EQ(Status(runId, text), 1);
    EXPECT_EQ(text.rfind("File Collection completed successfully", 0), 0u) << text;
    const std::vector<std::string> archives = List(LocalDir(), "ACME_*.zip");
    ASSERT_EQ(archives.size(), 1u);
    EXPECT_EQ(ReadFileBytes(server.Root() + "\\dropbox\\" + archives[0]),
              ReadFileBytes(LocalDir() + "\\" + archives[0]));
    server.Stop();
    EXPECT_NE(server.Log().find("\"550 Permission denied.\""), std::string::npos) << "the size was not refused";
}

struct FailureCase {
    const char* name;
    std::function<void(const std::string& dir)> spoil;  // what is missing from the workstation
    int status;                                         // what getFileCollectionStatus says
    const char* statusText;
    std::vector<const char*> logged;
    bool nothingNew = false;  // the run leaves no file but the log in the working folder
};

void PrintTo(const FailureCase& c, std::ostream* out)
{
    *out << c.name;
}

class TrovelRunFailure : public TrovelRun, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(TrovelRunFailure, ReportsTheCodeAndText)
{
    const FailureCase& c = GetParam();
    PrepareWorkstation("127.0.0.32\\incoming");
    c.spoil(m_dir->Path());

    const std::vector<std::string> before = List(m_dir->Path(), "*");
    const DWORD runId = m_runSilent("d", "s", "-c \"ACME\"");
    ASSERT_NE(runId, 0u);

    std::string text;
    EXPECT_EQ(Status(runId, text), c.status);
    if (c.nothingNew) {
        std::vector<std::string> expected = before;
        expected.push_back("TrovelLog.txt");
        std::vector<std::string> after = List(m_dir->Path(), "*");
        std::sort(expected.begin(), expected.end());
        std::sort(after.begin(), after.end());
        EXPECT_EQ(after, expected);
    }
    EXPECT_EQ(text, c.statusText);
    const std::string log = ReadFileBytes("TrovelLog.txt");
    for (const char* line : c.logged)
        EXPECT_NE(log.find(line), std::string::npos) << line << " in\n" << log;
    EXPECT_TRUE(List(LocalDir(), "*.zip").empty());
}

void Remove(const std::string& path)
{
    DeleteFileA(path.c_str());
}

INSTANTIATE_TEST_SUITE_P(
    MissingDefinitions, TrovelRunFailure,
    ::testing::Values(
        FailureCase{"EmptyPathDirectory",
                    [](const std::string& dir) {
                        WriteFileBytes(dir + "\\Directory.ini", "[DIRECTORY]\r\nPath Directory=\r\n");
                    },
                    3, "", {"|  Missing or invalid file '.\\Directory.ini'."}},
        FailureCase{"NoDefinitionsAtAll",
                    [](const std::string& dir) {
                        Remove(dir + "\\Directory.ini");
                        DeleteFolder(dir + "\\Current", false);
                    },
                    3, "",
                    {"|   Systeminfo.xml is missing or invalid.  Do you want to use a 'Default' device?",
                     "|  Missing or invalid file '.\\Directory.ini'."}},
        FailureCase{"OverlongPathDirectory",
                    [](const std::string& dir) {
                        WriteFileBytes(dir + "\\Directory.ini",
                                       "[DIRECTORY]\r\nPath Directory=.\\" + std::string(300, 'p') + "\\\r\n");
                    },
                    3, "", {"|  Missing or invalid file '.\\Directory.ini'."}, true},
        FailureCase{"NoMachineId",
                    [](const std::string& dir) {
                        WritePrivateProfileStringA("CONFIGURATION", "Computer Name", nullptr,
                                                   (dir + "\\Current\\Current_Trovel.ini").c_str());
                    },
                    2, "A unique machine ID is required.", {"|  A unique machine ID is required."}},
        FailureCase{"NoPackage",
                    [](const std::string& dir) { Remove(dir + "\\Current\\Current_Package_Logs.ini"); }, 2,
                    "No packages are available.", {"|  No packages are available."}}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

TEST_F(TrovelRun, SecondStartInTheSameMinuteIsRefusedWhileTheFirstRuns)
{
    PrepareWorkstation("127.0.0.33\\incoming");  // nothing listens: the upload fails at once
    // The refusal holds within the first start's minute. When the clock turns to the next
    // minute between the starts the attempt proves nothing: all runs are let end and the
    // check is made once more.
    bool checked = false;
    for (int attempt = 0; attempt < 2 && !checked; ++attempt) {
        const DWORD first = m_run("first", "s");
        ASSERT_NE(first, 0u);
        ASSERT_TRUE(WaitFor(
            [&] {
                for (const std::string& name : List(LocalDir(), "WS-0042_*"))
                    if (FolderExists(LocalDir() + "\\" + name))
                        return true;
                return false;
            },
            10000));
        const DWORD second = m_run("second", "s");
        const DWORD silent = m_runSilent("second", "s", "");
        SYSTEMTIME now;
        GetLocalTime(&now);
        if (static_cast<DWORD>(now.wHour * 100 + now.wMinute) == first / 100) {
            EXPECT_EQ(second, 0u);
            EXPECT_EQ(silent, 0u);
            checked = true;
        }
        std::string text;
        int status = 0;
        ASSERT_TRUE(WaitFor([&] { return (status = Status(first, text)) != 0; }, 30000));
        EXPECT_EQ(status, 1) << text;
        if (second != 0) {
            ASSERT_TRUE(WaitFor([&] { return Status(second, text) != 0; }, 30000));
        }
    }
    EXPECT_TRUE(checked);
    // Once the first run has ended its folder is gone and a start is not refused.
    EXPECT_NE(m_runSilent("third", "s", ""), 0u);
}

TEST_F(TrovelRun, FuncTrovelLibWaitsForAnUnattendedRunAndOthersAnswerFixedValues)
{
    PrepareWorkstation("127.0.0.34\\incoming");
    time_t now = std::time(nullptr);
    struct tm local {};
    localtime_s(&local, &now);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y_%m_%d_%H_%M", &local);

    EXPECT_EQ(m_funcTrovelLib("d", "s", "", stamp, 1, "-c \"Lib Run\""), 100u);
    // Returned after the run: its archive is there and its folder is gone.
    EXPECT_TRUE(FileExists(LocalDir() + "\\Lib_Run_" + stamp + ".zip"));
    EXPECT_FALSE(FolderExists(LocalDir() + "\\Lib_Run_" + stamp));

    auto funcLib = Bind<FuncLibFn>(m_library, "funcLib");
    auto getSize = Bind<GetSizeFn>(m_library, "GetSizeTrovelLib");
    ASSERT_TRUE(funcLib && getSize);
    EXPECT_EQ(funcLib(), 100u);
    EXPECT_EQ(getSize("C:\\windows"), 0.0);
    EXPECT_EQ(getSize(nullptr), 0.0);
}

}  // namespace

namespace {

// trovel.exe as a script would use it: its exit code tells whether the archive arrived.
TEST_F(TrovelRun, CommandLineHostRunsFollowsAndReportsTheOutcome)
{
    const std::string trovel = std::string("\"") + TROVEL_EXE_PATH + "\"";
    const struct {
        const char* address;
        FtpServer::Mode mode;
        const char* customer;
        int exitCode;
        const char* summary;
    } cases[] = {
        {"127.0.0.35", FtpServer::Mode::Normal, "CLI Shop A", 0,
         "summary: [COMPLETE] File Collection completed successfully:"},
        {"127.0.0.36", FtpServer::Mode::ServerDown, "CLI Shop B", 1, "summary: [COMPLETE] File Collection failed!"},
    };
    bool prepared = false;
    for (const auto& c : cases) {
        FtpServer server(c.address, c.mode, {"incoming"});
        ASSERT_TRUE(server.Start());
        if (!prepared)
            PrepareWorkstation(std::string(c.address) + "\\incoming");
        prepared = true;
        for (const char* config : {"Current\\Trovel.ini", "Current\\Current_Trovel.ini"})
            WritePrivateProfileStringA("CONFIGURATION", "FTP Path", (std::string(c.address) + "\\incoming").c_str(),
                                       Path(config).c_str());

        std::string output;
        EXPECT_EQ(RunWindowsProgram(trovel + " run -p \"Aldera 800\" -c \"" + c.customer + "\" -s \"Weekly check\"",
                                    m_dir->Path(), output),
                  c.exitCode)
            << output;
        // Status changes as they happen: the booked entry stays for 2 s before the first step.
        EXPECT_EQ(output.rfind("[WORKING] (entry booked)\r\n", 0), 0u) << output;
        EXPECT_NE(output.find(c.summary), std::string::npos) << output;

        // Another process finds the run in the status file by the id the run printed.
        const size_t at = output.find("run id: ");
        ASSERT_NE(at, std::string::npos) << output;
        const std::string runId = output.substr(at + 8, 6);
        std::string status;
        EXPECT_EQ(RunWindowsProgram(trovel + " status " + runId, m_dir->Path(), status), c.exitCode) << status;
        EXPECT_EQ(status.rfind(std::string(c.summary).substr(9), 0), 0u) << status;
    }
    EXPECT_EQ(List(LocalDir(), "CLI_Shop_*.zip").size(), 2u);
}

// The slots of the status file as "ID STATUS DESCRIPTION" lines, up to the first empty ID.
std::vector<std::string> StatusSlots(const std::string& file)
{
    std::vector<std::string> slots;
    for (int n = 0;; ++n) {
        char id[64] = "", status[64] = "", description[512] = "";
        const std::string prefix = std::to_string(n) + ")";
        GetPrivateProfileStringA("StatusTrovel", (prefix + "ID").c_str(), "", id, sizeof id, file.c_str());
        if (id[0] == '\0')
            return slots;
        GetPrivateProfileStringA("StatusTrovel", (prefix + "STATUS").c_str(), "", status, sizeof status, file.c_str());
        GetPrivateProfileStringA("StatusTrovel", (prefix + "DESCRIPTION").c_str(), "", description, sizeof description,
                                 file.c_str());
        slots.push_back(std::string(id) + " " + status + " " + description);
    }
}

TEST_F(TrovelRun, CollectionFolderThatCannotBeMadeFailsWithoutUpload)
{
    FtpServer server("127.0.0.37", FtpServer::Mode::Normal, {"incoming"});
    ASSERT_TRUE(server.Start());
    PrepareWorkstation("127.0.0.37\\incoming");
    // The local directory lies below a file: no folder can be made there.
    WriteFileBytes(Path("blocker"), "a file, not a folder");
    for (const char* config : {"Current\\Trovel.ini", "Current\\Current_Trovel.ini"})
        WritePrivateProfileStringA("CONFIGURATION", "Local Directory", (Path("blocker") + "\\Collection\\").c_str(),
                                   Path(config).c_str());

    const DWORD runId = m_runSilent("d", "s", "-c \"ACME\"");
    ASSERT_NE(runId, 0u);
    std::string text;
    EXPECT_EQ(Status(runId, text), 1);
    EXPECT_EQ(text.rfind("File Collection failed! The collection folder '", 0), 0u) << text;
    EXPECT_NE(text.find("could not be created."), std::string::npos) << text;
    EXPECT_EQ(List(server.Root() + "\\incoming", "*.zip").size(), 0u);
    EXPECT_NE(ReadFileBytes("TrovelLog.txt").find("***  The collection folder '"), std::string::npos);
}

// Three hosts started at the same moment in one folder, two of them for the same customer:
// of those one is refused, or both run; the status file keeps every slot whole and
// finished either way.
TEST_F(TrovelRun, ProcessesStartedTogetherKeepTheStatusFileWhole)
{
    FtpServer server("127.0.0.38", FtpServer::Mode::Normal, {"incoming"});
    ASSERT_TRUE(server.Start());
    PrepareWorkstation("127.0.0.38\\incoming");
    const std::string trovel = std::string("\"") + TROVEL_EXE_PATH + "\" run -s \"Same moment\" -c ";

    StartedProgram a = StartWindowsProgram(trovel + "Twin", m_dir->Path(), "a-output.txt");
    StartedProgram b = StartWindowsProgram(trovel + "Twin", m_dir->Path(), "b-output.txt");
    StartedProgram c = StartWindowsProgram(trovel + "Other", m_dir->Path(), "c-output.txt");
    std::string outA, outB, outC;
    const int codeA = Finish(a, outA);
    const int codeB = Finish(b, outB);
    const int codeC = Finish(c, outC);
    const std::string outputs = outA + "\n----\n" + outB + "\n----\n" + outC;
    const int twins = (codeA == 0) + (codeB == 0);
    EXPECT_TRUE(twins == 2 || (twins == 1 && (codeA == 2 || codeB == 2))) << outputs;
    EXPECT_EQ(codeC, 0) << outputs;
    EXPECT_EQ(outputs.find("no status entry"), std::string::npos) << outputs;

    const std::vector<std::string> slots = StatusSlots(Path("Current\\TrovelStatus.ini"));
    EXPECT_EQ(static_cast<int>(slots.size()), twins + 1) << outputs;
    for (const std::string& slot : slots)
        EXPECT_NE(slot.find(" COMPLETE File Collection completed successfully: "), std::string::npos) << slot;
    EXPECT_EQ(List(server.Root() + "\\incoming", "Twin_*.zip").size(), static_cast<size_t>(twins));
    EXPECT_EQ(List(server.Root() + "\\incoming", "Other_*.zip").size(), 1u);
}

// A host asking about a run whose process was killed mid-run is told it failed.
TEST_F(TrovelRun, RunOfAKilledProcessReadsAsFailed)
{
    PrepareWorkstation("127.0.0.39\\incoming");
    const std::string trovel = std::string("\"") + TROVEL_EXE_PATH + "\"";
    StartedProgram victim = StartWindowsProgram(trovel + " run -c \"Killed\"", m_dir->Path());
    ASSERT_TRUE(victim.started);
    // The entry stays WORKING for the 2 s after it is booked.
    std::vector<std::string> slots;
    EXPECT_TRUE(WaitFor(
        [&] {
            slots = StatusSlots(Path("Current\\TrovelStatus.ini"));
            return slots.size() == 1 && slots[0].find(" WORKING") != std::string::npos;
        },
        20000));
    TerminateProcess(victim.process.hProcess, 9);
    std::string output;
    Finish(victim, output);
    ASSERT_EQ(slots.size(), 1u);

    const DWORD runId = std::strtoul(slots[0].c_str(), nullptr, 10);
    std::string text;
    EXPECT_EQ(Status(runId, text), 2);
    EXPECT_EQ(text.rfind("File Collection failed!", 0), 0u) << text;
    std::string status;
    EXPECT_EQ(RunWindowsProgram(trovel + " status " + slots[0].substr(0, 6), m_dir->Path(), status), 1) << status;
    // The file itself still reads by its keys: the slot is WORKING, its owner gone.
    EXPECT_EQ(StoredStatus(runId), "WORKING");
}

}  // namespace

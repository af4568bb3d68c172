// What ships: version resources and manifests read back from the built programs, the
// stripped copies and their symbols files, and crash dumps of forced crashes.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "TestSupport.h"

using testing_support::PathExists;
using testing_support::ReadFileBytes;
using testing_support::RunHost;
using testing_support::ScratchDir;
using testing_support::UnixPath;
using testing_support::WriteFileBytes;

namespace {

const std::string kBuild = TEST_BINARY_DIR;

struct Program {
    const char* name;  // as in dumps and the crash switch
    const char* file;
    const char* built;  // below the build folder
};
const Program kPrograms[] = {{"Corvida", "Corvida.exe", "\\corvida\\Corvida.exe"},
                             {"TrovelLib", "TrovelLib.dll", "\\bin\\TrovelLib.dll"},
                             {"trovel", "trovel.exe", "\\bin\\trovel.exe"}};

std::string VersionString(const std::vector<char>& block, const char* name)
{
    char* value = nullptr;
    UINT length = 0;
    const std::string query = std::string("\\StringFileInfo\\040904b0\\") + name;
    if (!VerQueryValueA(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length) || !value)
        return "<missing>";
    return value;
}

TEST(Release, EveryProgramCarriesTheOneProjectVersion)
{
    unsigned major = 0, minor = 0, patch = 0, tweak = 0;
    ASSERT_EQ(std::sscanf(PROJECT_VERSION_TEXT, "%u.%u.%u.%u", &major, &minor, &patch, &tweak), 4);
    for (const char* folder : {"", "\\stripped"}) {
        for (const Program& program : kPrograms) {
            const std::string path = kBuild + (*folder ? std::string(folder) + "\\" + program.file : program.built);
            SCOPED_TRACE(path);
            DWORD handle = 0;
            const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
            ASSERT_GT(size, 0u);
            std::vector<char> block(size);
            ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, block.data()));
            VS_FIXEDFILEINFO* fixed = nullptr;
            UINT length = 0;
            ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
            EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(minor, major));
            EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(tweak, patch));
            EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(minor, major));
            EXPECT_EQ(fixed->dwProductVersionLS, MAKELONG(tweak, patch));
            EXPECT_EQ(VersionString(block, "CompanyName"), "Velmora");
            EXPECT_EQ(VersionString(block, "ProductName"), "Corvida");
            EXPECT_EQ(VersionString(block, "OriginalFilename"), program.file);
            EXPECT_NE(VersionString(block, "LegalCopyright").find("Velmora"), std::string::npos);
            EXPECT_NE(VersionString(block, "FileDescription"), "<missing>");
            if (std::string(program.name) != "Corvida") {  // the report program keeps its About-box form
                EXPECT_EQ(VersionString(block, "ProductVersion"), PROJECT_VERSION_TEXT);
            }
        }
    }
}

std::string Manifest(const std::string& path)
{
    HMODULE image = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!image)
        return std::string();
    std::string text;
    HRSRC resource = FindResourceA(image, MAKEINTRESOURCEA(1), reinterpret_cast<LPCSTR>(RT_MANIFEST));
    if (resource) {
        HGLOBAL loaded = LoadResource(image, resource);
        text.assign(static_cast<const char*>(LockResource(loaded)), SizeofResource(image, resource));
    }
    FreeLibrary(image);
    return text;
}

TEST(Release, ProgramsDeclareWindowsVersionsInvokerAndDpiAwareness)
{
    const struct {
        const char* built;
        bool dpiAware;
    } cases[] = {{"\\corvida\\Corvida.exe", true}, {"\\bin\\trovel.exe", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.built);
        const std::string manifest = Manifest(kBuild + c.built);
        ASSERT_FALSE(manifest.empty());
        EXPECT_NE(manifest.find("version=\"" PROJECT_VERSION_TEXT "\""), std::string::npos);
        EXPECT_NE(manifest.find("<requestedExecutionLevel level=\"asInvoker\""), std::string::npos);
        for (const char* os : {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
            EXPECT_NE(manifest.find(std::string("<supportedOS Id=\"") + os + "\"/>"), std::string::npos) << os;
        EXPECT_EQ(manifest.find(">true</dpiAware>") != std::string::npos, c.dpiAware);
    }
}

TEST(Release, ShippedCopiesAreStrippedAndLinkToTheirSymbols)
{
    for (const Program& program : kPrograms) {
        SCOPED_TRACE(program.file);
        const std::string stripped = kBuild + "\\stripped\\" + program.file;
        const std::string symbols = kBuild + "\\symbols\\" + program.file + ".debug";
        std::string sections, symbolSections, link;
        ASSERT_EQ(RunHost("x86_64-w64-mingw32-objdump -h '" + UnixPath(stripped) + "'", &sections), 0);
        ASSERT_EQ(RunHost("x86_64-w64-mingw32-objdump -h '" + UnixPath(symbols) + "'", &symbolSections), 0);
        EXPECT_EQ(sections.find(".debug_info"), std::string::npos);
        EXPECT_NE(symbolSections.find(".debug_info"), std::string::npos);
        ScratchDir scratch("debuglink");
        ASSERT_EQ(RunHost("x86_64-w64-mingw32-objcopy --dump-section .gnu_debuglink='" + UnixPath(scratch / "link") +
                          "' '" + UnixPath(stripped) + "' '" + UnixPath(scratch / "copy") + "'"),
                  0);
        link = ReadFileBytes(scratch / "link");
        EXPECT_EQ(link.substr(0, link.find('\0')), std::string(program.file) + ".debug");
        // Much smaller than the built file, which keeps its debug information.
        const std::string built = ReadFileBytes(kBuild + program.built);
        EXPECT_LT(ReadFileBytes(stripped).size() * 3 / 2, built.size());
    }
}

// Copies of the shipped programs in folders of a scratch folder, started with the crash
// switch. Under Wine one minidump takes some 25 s to write, so the crashes run side by side.
class CrashDumps : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = std::make_unique<ScratchDir>(::testing::UnitTest::GetInstance()->current_test_info()->name());
    }

    // A folder with copies of the shipped programs.
    std::string Prepare(const std::string& name)
    {
        const std::string folder = *m_dir / name;
        CreateDirectoryA(folder.c_str(), nullptr);
        for (const Program& program : kPrograms)
            EXPECT_TRUE(CopyFileA((kBuild + "\\stripped\\" + program.file).c_str(),
                                  (folder + "\\" + program.file).c_str(), FALSE));
        return folder;
    }

    // Starts `program` of `folder` with `arguments`, in that folder, with
    // CORVIDA_TEST_CRASH=`crash`; the process handle (nullptr when it did not start).
    HANDLE Start(const std::string& folder, const std::string& program, const std::string& arguments,
                 const char* crash)
    {
        std::string line = "\"" + folder + "\\" + program + "\" " + arguments;
        SetEnvironmentVariableA("CORVIDA_TEST_CRASH", crash);
        STARTUPINFOA start = {};
        start.cb = sizeof start;
        PROCESS_INFORMATION process = {};
        const BOOL started =
            CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &start, &process);
        SetEnvironmentVariableA("CORVIDA_TEST_CRASH", nullptr);
        if (!started)
            return nullptr;
        CloseHandle(process.hThread);
        return process.hProcess;
    }

    // Waits (bounded) for the process and returns its exit code.
    static DWORD Finish(HANDLE process)
    {
        if (!process)
            return 0xFFFFFFFF;
        DWORD code = 0xFFFFFFFE;
        if (WaitForSingleObject(process, 300000) == WAIT_OBJECT_0)
            GetExitCodeProcess(process, &code);
        else
            TerminateProcess(process, 0xFFFFFFFE);
        CloseHandle(process);
        return code;
    }

    static std::vector<std::string> Dumps(const std::string& folder, const std::string& prefix)
    {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA((folder + "\\" + prefix + "-*.dmp").c_str(), &found);
        if (find == INVALID_HANDLE_VALUE)
            return names;
        do
            names.push_back(found.cFileName);
        while (FindNextFileA(find, &found));
        FindClose(find);
        return names;
    }

    std::unique_ptr<ScratchDir> m_dir;
};

TEST_F(CrashDumps, ACrashWritesANamedMinidumpAndAMarkedLogLine)
{
    struct Case {
        const char* program;  // dump name
        const char* file;
        const char* arguments;
        const char* crash;
        const char* module;  // where the crash happens
        std::string folder;
        HANDLE process;
    } cases[] = {{"Corvida", "Corvida.exe", "", "Corvida", "Corvida.exe", "", nullptr},
                 {"trovel", "trovel.exe", "--help", "trovel", "trovel.exe", "", nullptr},
                 {"TrovelLib", "trovel.exe", "run -s crash", "TrovelLib worker", "TrovelLib.dll", "", nullptr}};
    for (Case& c : cases) {
        c.folder = Prepare(c.program);
        // trovel.exe starts a run only where collector definitions may be found; the
        // worker crashes before it reads any.
        if (std::string(c.crash) == "TrovelLib worker")
            CreateDirectoryA((c.folder + "\\Current").c_str(), nullptr);
        c.process = Start(c.folder, c.file, c.arguments, c.crash);
        ASSERT_NE(c.process, nullptr) << c.program;
    }
    for (Case& c : cases) {
        SCOPED_TRACE(c.program);
        EXPECT_EQ(Finish(c.process), static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION));

        const std::vector<std::string> dumps = Dumps(c.folder, c.program);
        ASSERT_EQ(dumps.size(), 1u);
        const std::string prefix = std::string(c.program) + "-" PROJECT_VERSION_TEXT "-";
        EXPECT_EQ(dumps[0].rfind(prefix, 0), 0u) << dumps[0];
        EXPECT_EQ(dumps[0].size(), prefix.size() + 15 + 4) << "YYYYMMDD-HHMMSS.dmp";
        EXPECT_EQ(ReadFileBytes(c.folder + "\\" + dumps[0]).substr(0, 4), "MDMP");

        const std::string log = ReadFileBytes(c.folder + "\\TrovelLog.txt");
        const std::string marked =
            std::string("|  ***  ") + c.program + " " PROJECT_VERSION_TEXT " crashed: exception 0xC0000005";
        EXPECT_NE(log.find(marked), std::string::npos) << log;
        EXPECT_NE(log.find("dump " + dumps[0]), std::string::npos) << log;

        // The place of the crash, resolved with the symbols file as a support engineer would.
        const std::string at = std::string(" at ") + c.module + "+0x";
        const size_t offset = log.find(at);
        ASSERT_NE(offset, std::string::npos) << log;
        const std::string rva = log.substr(offset + at.size(), log.find(';', offset) - offset - at.size());
        const std::string symbols = UnixPath(kBuild + "\\symbols\\" + c.module + ".debug");
        std::string source;
        ASSERT_EQ(RunHost("base=$(x86_64-w64-mingw32-objdump -p '" + symbols + "' | awk '/^ImageBase/ {print $2}'); " +
                              "x86_64-w64-mingw32-addr2line -f -e '" + symbols + "' $(printf 0x%x $((0x$base + 0x" +
                              rva + ")))",
                          &source),
                  0);
        EXPECT_NE(source.find("CrashDump.cpp:"), std::string::npos) << source;
    }
}

TEST_F(CrashDumps, OnlyTheNewestDumpsAreKept)
{
    const std::string folder = Prepare("trovel");
    // Six dumps of earlier crashes, one day apart; the oldest first.
    for (int n = 0; n < 6; ++n) {
        const std::string name = folder + "\\trovel-0.9.0.0-2026010" + std::to_string(n + 1) + "-120000.dmp";
        WriteFileBytes(name, "MDMP");
        HANDLE file = CreateFileA(name.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        SYSTEMTIME day{2026, 1, 0, static_cast<WORD>(n + 1), 12, 0, 0, 0};
        FILETIME time;
        SystemTimeToFileTime(&day, &time);
        SetFileTime(file, nullptr, nullptr, &time);
        CloseHandle(file);
    }
    Finish(Start(folder, "trovel.exe", "--help", "trovel"));
    EXPECT_EQ(Dumps(folder, "trovel").size(), 5u);
    for (int n = 1; n <= 2; ++n)
        EXPECT_FALSE(PathExists(folder + "\\trovel-0.9.0.0-2026010" + std::to_string(n) + "-120000.dmp")) << n;
    EXPECT_TRUE(PathExists(folder + "\\trovel-0.9.0.0-20260103-120000.dmp"));
    EXPECT_EQ(Dumps(folder, "trovel-" PROJECT_VERSION_TEXT).size(), 1u);
}

TEST_F(CrashDumps, WithoutTheSwitchNothingIsWritten)
{
    const std::string folder = Prepare("trovel");
    EXPECT_EQ(Finish(Start(folder, "trovel.exe", "--help", "")), 0u);
    EXPECT_TRUE(Dumps(folder, "trovel").empty());
    EXPECT_FALSE(PathExists(folder + "\\TrovelLog.txt"));
}

}  // namespace

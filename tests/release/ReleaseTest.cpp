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

// Copies of the shipped programs in a scratch folder, started with the crash switch.
class CrashDumps : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = std::make_unique<ScratchDir>(::testing::UnitTest::GetInstance()->current_test_info()->name());
        for (const Program& program : kPrograms)
            ASSERT_TRUE(CopyFileA((kBuild + "\\stripped\\" + program.file).c_str(), Path(program.file).c_str(), FALSE));
    }

    std::string Path(const std::string& name) const { return *m_dir / name; }

    // Runs `commandLine` in the scratch folder with CORVIDA_TEST_CRASH=`crash`; its exit code.
    DWORD Run(std::string commandLine, const char* crash)
    {
        SetEnvironmentVariableA("CORVIDA_TEST_CRASH", crash);
        STARTUPINFOA start = {};
        start.cb = sizeof start;
        PROCESS_INFORMATION process = {};
        const BOOL started = CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                            m_dir->Path().c_str(), &start, &process);
        SetEnvironmentVariableA("CORVIDA_TEST_CRASH", nullptr);
        if (!started)
            return 0xFFFFFFFF;
        DWORD code = 0xFFFFFFFE;
        if (WaitForSingleObject(process.hProcess, 150000) == WAIT_OBJECT_0)
            GetExitCodeProcess(process.hProcess, &code);
        else
            TerminateProcess(process.hProcess, 0xFFFFFFFE);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return code;
    }

    std::vector<std::string> Dumps(const std::string& prefix)
    {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA(Path(prefix + "-*.dmp").c_str(), &found);
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
    const struct {
        const char* program;  // dump name
        const char* commandLine;
        const char* crash;
        const char* module;  // where the crash happens
    } cases[] = {{"Corvida", "Corvida.exe", "Corvida", "Corvida.exe"},
                 {"trovel", "trovel.exe --help", "trovel", "trovel.exe"},
                 {"TrovelLib", "trovel.exe run -s crash", "TrovelLib worker", "TrovelLib.dll"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.program);
        DeleteFileA(Path("TrovelLog.txt").c_str());
        const DWORD code = Run(Path(c.commandLine), c.crash);
        EXPECT_EQ(code, static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION));

        const std::vector<std::string> dumps = Dumps(c.program);
        ASSERT_EQ(dumps.size(), 1u);
        const std::string prefix = std::string(c.program) + "-" PROJECT_VERSION_TEXT "-";
        EXPECT_EQ(dumps[0].rfind(prefix, 0), 0u) << dumps[0];
        EXPECT_EQ(dumps[0].size(), prefix.size() + 15 + 4) << "YYYYMMDD-HHMMSS.dmp";
        EXPECT_EQ(ReadFileBytes(Path(dumps[0])).substr(0, 4), "MDMP");

        const std::string log = ReadFileBytes(Path("TrovelLog.txt"));
        const std::string marked =
            std::string("|  ***  ") + c.program + " " PROJECT_VERSION_TEXT " crashed: exception 0xC0000005";
        EXPECT_NE(log.find(marked), std::string::npos)
            << log;
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
    // Six dumps of earlier crashes, one day apart; the oldest first.
    for (int n = 0; n < 6; ++n) {
        const std::string name = Path("trovel-0.9.0.0-2026010" + std::to_string(n + 1) + "-120000.dmp");
        WriteFileBytes(name, "MDMP");
        HANDLE file = CreateFileA(name.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        SYSTEMTIME day{2026, 1, 0, static_cast<WORD>(n + 1), 12, 0, 0, 0};
        FILETIME time;
        SystemTimeToFileTime(&day, &time);
        SetFileTime(file, nullptr, nullptr, &time);
        CloseHandle(file);
    }
    Run(Path("trovel.exe --help"), "trovel");
    const std::vector<std::string> dumps = Dumps("trovel");
    EXPECT_EQ(dumps.size(), 5u);
    for (int n = 1; n <= 2; ++n)
        EXPECT_FALSE(PathExists(Path("trovel-0.9.0.0-2026010" + std::to_string(n) + "-120000.dmp"))) << n;
    EXPECT_TRUE(PathExists(Path("trovel-0.9.0.0-20260103-120000.dmp")));
    EXPECT_EQ(Dumps("trovel-" PROJECT_VERSION_TEXT).size(), 1u);
}

TEST_F(CrashDumps, WithoutTheSwitchNothingIsWritten)
{
    EXPECT_EQ(Run(Path("trovel.exe --help"), ""), 0u);
    EXPECT_TRUE(Dumps("trovel").empty());
    EXPECT_FALSE(PathExists(Path("TrovelLog.txt")));
}

}  // namespace

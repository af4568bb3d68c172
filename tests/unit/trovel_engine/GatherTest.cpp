#include "Collector.h"
#include "Definitions.h"
#include "EngineTestSupport.h"
#include "FileTree.h"
#include "FindFiles.h"
#include "TestSupport.h"
#include "Text.h"
#include "WidePath.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

using namespace engine_test;

namespace {

// Logs\app1.log ... app9.log written 90 to 10 minutes before the run's stamp, app10.log five
// minutes after it; neighbours that a pattern must not take; two levels of subfolders.
class GatherTest : public ::testing::Test {
protected:
    GatherTest() : m_source("eng-src"), m_collect("eng-out"), m_collector(std::make_unique<CTrovelCollector>())
    {
        const std::string logs = m_source / "Logs";
        for (int i = 1; i <= 9; ++i)
            MakeFile(logs + "\\app" + std::to_string(i) + ".log", "log " + std::to_string(i), -100 + 10 * i);
        MakeFile(logs + "\\app10.log", "late", 5);
        MakeFile(logs + "\\app.txt", "text", -30);
        MakeFile(logs + "\\app.log.old\\keep.txt", "old", -30);
        MakeFile(logs + "\\error.log", "e1", -30);
        MakeFile(logs + "\\Error2.Log", "e2", -20);
        MakeFile(logs + "\\catalog", "no extension", -5);
        for (int i = 20; i <= 23; ++i)
            MakeFile(logs + "\\sub\\app" + std::to_string(i) + ".log", "sub", -60 + i);
        MakeFile(logs + "\\sub\\deep\\app30.log", "deep", -40);

        m_collector->m_strCollectDir = m_collect.Path();
        m_collector->m_strPackageName = "Pkg";
        m_collector->m_strStamp = StampAt(0);
    }
    ~GatherTest() override
    {
        if (m_definitions)
            m_collector->Definitions().m_strDefDir = m_savedDefDir;
    }

    // The definitions live in a scratch folder until the test ends; the returned
    // configuration file selects the packages of an attended run.
    std::string UseDefinitionsIn(const std::string& name)
    {
        m_definitions = std::make_unique<testing_support::ScratchDir>(name);
        CTrovelDefinitions& defs = m_collector->Definitions();
        m_savedDefDir = defs.m_strDefDir;
        defs.m_strDefDir = m_definitions->Path() + "\\";
        m_collector->m_strConfigFile = *m_definitions / "Current_Trovel.ini";
        m_collector->m_bUnattended = 0;
        return m_collector->m_strConfigFile;
    }

    // Files of the package folder after gathering one entry ("{SRC}" stands for the tree).
    std::set<std::string> Gather(const std::string& entry)
    {
        DeleteFolder(m_collect / "Pkg", false);
        MakeDirs(m_collect / "Pkg");
        m_collector->ResolvePathVariables(ReplaceAll(entry, "{SRC}", m_source.Path()));
        std::set<std::string> files;
        for (const std::string& path : ListTree(m_collect / "Pkg"))
            if (path.back() != '\\')
                files.insert(path);
        return files;
    }

    std::string Rel(const std::string& tail) const { return DriveRelative(m_source.Path()) + "\\" + tail; }

    TempTree m_source, m_collect;
    std::unique_ptr<CTrovelCollector> m_collector;
    std::unique_ptr<testing_support::ScratchDir> m_definitions;
    std::string m_savedDefDir;
};

TEST_F(GatherTest, EntriesCopyTheFilesTheyName)
{
    struct Case {
        const char* what;
        std::string entry;
        std::set<std::string> expected;
    };
    const std::string all[] = {"app1.log", "app2.log", "app3.log", "app4.log", "app5.log", "app6.log", "app7.log",
                               "app8.log", "app9.log", "app10.log", "app.txt", "error.log", "Error2.Log", "catalog"};
    std::set<std::string> top, deep;
    for (const std::string& name : all)
        top.insert(Rel("Logs\\" + name));
    deep = top;
    for (const char* name : {"sub\\app20.log", "sub\\app21.log", "sub\\app22.log", "sub\\app23.log",
                             "sub\\deep\\app30.log", "app.log.old\\keep.txt"})
        deep.insert(Rel("Logs\\") + name);

    const Case cases[] = {
        {"the newest three eligible, side by side", "3,0,{SRC}\\Logs\\,app*.log", {"app7.log", "app8.log", "app9.log"}},
        {"fewer eligible than asked: never a file changed after the stamp", "20,0,{SRC}\\Logs\\,app*.log",
         {"app1.log", "app2.log", "app3.log", "app4.log", "app5.log", "app6.log", "app7.log", "app8.log", "app9.log"}},
        {"recursive: newest two of every folder under its drive-relative path", "2,1,{SRC}\\Logs\\,app*.log",
         {Rel("Logs\\app8.log"), Rel("Logs\\app9.log"), Rel("Logs\\sub\\app22.log"), Rel("Logs\\sub\\app23.log"),
          Rel("Logs\\sub\\deep\\app30.log")}},
        {"Filenum 0 with a pattern copies nothing", "0,0,{SRC}\\Logs\\,app*.log", {}},
        {"a plain name is copied even with Filenum 0", "0,0,{SRC}\\Logs\\,app.txt", {"app.txt"}},
        {"a plain name that is missing copies nothing", "1,0,{SRC}\\Logs\\,nothing.txt", {}},
        {"patterns ignore case", "5,0,{SRC}\\Logs\\,ERR*.LOG", {"error.log", "Error2.Log"}},
        {"the extension follows a dot", "5,0,{SRC}\\Logs\\,*.log",
         {"app7.log", "app8.log", "app9.log", "error.log", "Error2.Log"}},
        {"*.* without recursion: the top folder only, drive-relative", "0,0,{SRC}\\Logs\\,*.*", top},
        {"*.* with recursion: the whole tree", "0,1,{SRC}\\Logs\\,*.*", deep},
        {"a folder without its trailing backslash", "1,0,{SRC}\\Logs,app*.log", {"app9.log"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Gather(c.entry), c.expected) << c.what << ": " << c.entry;
}

TEST_F(GatherTest, CopiesKeepTheirBytes)
{
    Gather("1,1,{SRC}\\Logs\\,app*.log");
    EXPECT_EQ(testing_support::ReadFileBytes(m_collect / "Pkg" + "\\" + Rel("Logs\\app9.log")), "log 9");
    EXPECT_EQ(testing_support::ReadFileBytes(m_collect / "Pkg" + "\\" + Rel("Logs\\sub\\deep\\app30.log")), "deep");
}

// The packages selected by the configuration, their FILES and REGISTRY entries, the
// package folder named without blanks, and the log lines the support centre reads.
TEST_F(GatherTest, SelectedPackagesAreGatheredAndLogged)
{
    const std::string config = UseDefinitionsIn("gather-defs");
    WriteIni(config, "SELECT PACKAGE", "0)Name", "Drive Logs");
    const std::string package = m_collector->Definitions().m_strDefDir + "Current_Package_Drive Logs.ini";
    const std::string temp = EnvironmentValue("TEMP");
    ASSERT_EQ(m_source.Path().substr(0, temp.size()), temp);
    const std::string sourceWithPlaceholder = "%TEMP%" + m_source.Path().substr(temp.size()) + "\\Logs\\";
    WriteIni(package, "FILES", "0)Filenum", "3");
    WriteIni(package, "FILES", "0)Recursive", "");  // logged as recursive, gathered as not
    WriteIni(package, "FILES", "0)Directory", sourceWithPlaceholder);
    WriteIni(package, "FILES", "0)FileFormat", "app*.log");
    WriteIni(package, "FILES", "1)Filenum", "0");
    WriteIni(package, "FILES", "1)Recursive", "0");
    WriteIni(package, "FILES", "1)Directory", m_source / "Logs\\");
    WriteIni(package, "FILES", "1)FileFormat", "error.log");
    WriteIni(package, "REGISTRY", "0)HKEY", "HKEY_CURRENT_USER\\Software\\TrovelEngineGather");
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\TrovelEngineGather", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    DeleteFileA("TrovelLog.txt");

    m_collector->GatherPackages();
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\TrovelEngineGather");

    const std::set<std::string> expected = {"Drive-Logs\\", "Drive-Logs\\app7.log", "Drive-Logs\\app8.log",
                                            "Drive-Logs\\app9.log", "Drive-Logs\\error.log",
                                            "Drive-Logs\\HKCU_Software_TrovelEngineGather.reg"};
    EXPECT_EQ(ListTree(m_collect.Path()), expected);

    const std::string log = testing_support::ReadFileBytes("TrovelLog.txt");
    std::string lines;
    for (size_t at = 0; (at = log.find("  |  ", at)) != std::string::npos; at += 5)
        lines += log.substr(at + 5, log.find('\n', at) - at - 5) + "\n";
    EXPECT_EQ(lines, "package - Drive-Logs \n"
                     "File '" + sourceWithPlaceholder + "app*.log (3 File(s)  ,Recursive)' added to package 'Drive-Logs'\n"
                     "File '" + m_source.Path() + "\\Logs\\error.log (0 File(s)  )' added to package 'Drive-Logs'\n"
                     "Registry 'HKEY_CURRENT_USER\\Software\\TrovelEngineGather' added to package 'Drive-Logs'\n");
}

// A selected package name leading out of the collection folder ("..\", "/") names one
// folder inside it instead; a plain name keeps its folder.
TEST_F(GatherTest, HostilePackageNamesStayInsideTheCollection)
{
    const std::string config = UseDefinitionsIn("gather-hostile");
    const std::string outside = m_collect.Path() + "\\..\\Escaped";
    struct Case {
        const char* selected;
        const char* folder;
    } cases[] = {
        {"..\\Escaped", ".._Escaped\\"},
        {"../Escaped", ".._Escaped\\"},
        {"Logs\\..\\..\\Escaped", "Logs_.._.._Escaped\\"},
        {"..", "__\\"},
        {"Drive Logs", "Drive-Logs\\"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.selected);
        WriteIni(config, "SELECT PACKAGE", "0)Name", c.selected);
        m_collector->GatherPackages();
        EXPECT_EQ(ListTree(m_collect.Path()), std::set<std::string>{c.folder});
        EXPECT_FALSE(FolderExists(outside));
        RemoveDirectoryA((m_collect / c.folder).c_str());  // empty: the package names no files
        RemoveDirectoryA(outside.c_str());
    }
}

// More matches than the table holds: the newest eligible files still win, whatever the
// order in which the folder lists them.
TEST(GatherManyTest, NewestFilesWinWhenMoreThanTheTableHolds)
{
    TempTree source("eng-many"), collect("eng-many-out");
    const int count = CTrovelCollector::kMatchCapacity + 500;
    // Thousands of files are made on the Linux side in one go: m0000.log (oldest) up to
    // m2999.log one minute apart before the stamp, five more after it.
    const std::string script = collect / "make.py";
    testing_support::WriteFileBytes(
        script, "import os,sys\n"
                "root,count,base=sys.argv[1],int(sys.argv[2]),int(sys.argv[3])\n"
                "def make(name,minutes):\n"
                "    p=os.path.join(root,name)\n"
                "    open(p,'w').write(name)\n"
                "    os.utime(p,(base+60*minutes,base+60*minutes))\n"
                "for i in range(count): make('m%04d.log'%i,-count-10+i)\n"
                "for i in range(5): make('mlater%d.log'%i,10+i)\n");
    std::string out;
    ASSERT_EQ(testing_support::RunHost("/usr/bin/python3 '" + testing_support::UnixPath(script) + "' '" +
                                           testing_support::UnixPath(source.Path()) + "' " + std::to_string(count) +
                                           " " + std::to_string(TimeAt(0)),
                                       &out),
              0)
        << out;

    auto collector = std::make_unique<CTrovelCollector>();
    collector->m_strCollectDir = collect.Path();
    collector->m_strPackageName = "Pkg";
    collector->m_strStamp = StampAt(0);
    MakeDirs(collect / "Pkg");
    collector->ResolvePathVariables("10,0," + source.Path() + "\\,m*.log");

    std::set<std::string> expected;
    for (int i = count - 10; i < count; ++i) {
        char name[32];
        snprintf(name, sizeof name, "m%04d.log", i);
        expected.insert(name);
    }
    EXPECT_EQ(ListTree(collect / "Pkg"), expected);
}

// ----- what the field throws at a gathering -----

std::set<std::string> ListWide(const std::wstring& folder, const std::string& prefix = "")
{
    std::set<std::string> out;
    FindFiles list(LongPath(folder));
    for (FoundEntry found; list.Next(found);) {
        const std::string item = prefix + WideToUtf8(found.name);
        if (found.IsFolder()) {
            for (const std::string& below : ListWide(folder + L"\\" + found.name, item + "\\"))
                out.insert(below);
        } else {
            out.insert(item);
        }
    }
    return out;
}

void MakeWide(const std::wstring& path, int minutesFromBase)
{
    const std::wstring folder = path.substr(0, path.rfind(L'\\'));
    MakeDirsW(LongPath(folder));
    HANDLE file = CreateFileW(LongPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << WideToUtf8(path);
    DWORD put = 0;
    WriteFile(file, "w", 1, &put, nullptr);
    const unsigned long long ticks = (static_cast<unsigned long long>(TimeAt(minutesFromBase)) + 11644473600ull) * 10000000ull;
    FILETIME written = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SetFileTime(file, nullptr, nullptr, &written);
    CloseHandle(file);
}

// Logs\ holds a file another program keeps open without sharing between two plain ones, the
// newest file under a name no code page holds, a folder path beyond 300 characters, and a
// link from a subfolder back to Logs\ (made on the Unix side; Wine shows it as a folder
// that is a reparse point).
class HardGatherTest : public ::testing::Test {
protected:
    HardGatherTest() : m_source("eng-hard"), m_collect("eng-hard-out"), m_collector(std::make_unique<CTrovelCollector>())
    {
        const std::wstring logs = AnsiToWide(m_source / "Logs");
        MakeWide(logs + L"\\a.log", -40);
        MakeWide(logs + L"\\m-held.log", -20);
        MakeWide(logs + L"\\z.log", -30);
        MakeWide(logs + L"\\" + kWideName, -5);
        m_deep = L"sub";
        for (int i = 0; i < 6; ++i)
            m_deep += L"\\" + std::wstring(50, static_cast<wchar_t>(L'a' + i));
        MakeWide(logs + L"\\" + m_deep + L"\\deep.log", -10);
        m_link = testing_support::UnixPath(m_source / "Logs\\sub") + "/loop";
        std::string out;
        EXPECT_EQ(testing_support::RunHost("ln -s .. '" + m_link + "'", &out), 0) << out;
        m_holder = CreateFileW(LongPath(logs + L"\\m-held.log").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(m_holder, INVALID_HANDLE_VALUE);
        m_collector->m_strCollectDir = m_collect.Path();
        m_collector->m_strPackageName = "Pkg";
        m_collector->m_strStamp = StampAt(0);
        DeleteFileA("TrovelLog.txt");
    }
    ~HardGatherTest() override
    {
        CloseHandle(m_holder);
        testing_support::RunHost("rm -f '" + m_link + "'");  // Wine cannot remove it
    }

    static constexpr const wchar_t* kWideName = L"\u65E5\u672C-\U0001F600.log";
    TempTree m_source, m_collect;
    std::unique_ptr<CTrovelCollector> m_collector;
    std::wstring m_deep;
    std::string m_link;
    HANDLE m_holder = INVALID_HANDLE_VALUE;
};

TEST_F(HardGatherTest, AMissNeverStopsTheRestAndIsLoggedAndCounted)
{
    const std::string rel = WideToUtf8(AnsiToWide(DriveRelative(m_source.Path()))) + "\\Logs\\";
    const std::string wide = WideToUtf8(kWideName), deep = WideToUtf8(m_deep) + "\\deep.log";
    struct Case {
        const char* what;
        std::string entry;
        std::set<std::string> expected;  // below the package folder
    } const cases[] = {
        {"the whole tree", "0,1,{SRC}\\Logs\\,*.*", {rel + "a.log", rel + "z.log", rel + wide, rel + deep}},
        // The three newest are the wide name, the held file and z.log: the held one is missed,
        // the wide one is taken under its real name and by its real time.
        {"the newest three", "3,0,{SRC}\\Logs\\,*.log", {"z.log", wide}},
        {"a pattern through every folder", "2,1,{SRC}\\Logs\\,*.log", {rel + wide, rel + deep}},
    };
    for (const Case& c : cases) {
        DeleteFolder(m_collect / "Pkg", false);
        MakeDirs(m_collect / "Pkg");
        DeleteFileA("TrovelLog.txt");
        m_collector->m_nMissedFiles = 0;
        m_collector->ResolvePathVariables(ReplaceAll(c.entry, "{SRC}", m_source.Path()));
        EXPECT_EQ(ListWide(AnsiToWide(m_collect / "Pkg")), c.expected) << c.what;
        EXPECT_EQ(m_collector->m_nMissedFiles, 1) << c.what;
        const std::string log = testing_support::ReadFileBytes("TrovelLog.txt");
        EXPECT_NE(log.find("***  Could not collect '" + m_source.Path() + "\\Logs\\m-held.log': in use by another program"),
                  std::string::npos)
            << c.what << "\n"
            << log;
        if (c.entry[2] == '1') {
            EXPECT_NE(log.find("Not following '" + m_source.Path() + "\\Logs\\sub\\loop"), std::string::npos)
                << c.what << "\n"
                << log;
        }
    }
}

}  // namespace

#include "Collector.h"
#include "EngineTestSupport.h"
#include "FileTree.h"
#include "TestSupport.h"
#include "Text.h"

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

// More matches than the table holds: the newest eligible files still win, whatever the
// order in which the folder lists them.
TEST(GatherManyTest, NewestFilesWinWhenMoreThanTheTableHolds)
{
    TempTree source("eng-many"), collect("eng-many-out");
    const int count = CTrovelCollector::kMatchCapacity + 500;
    for (int i = 0; i < count; ++i) {
        char name[32];
        snprintf(name, sizeof name, "m%04d.log", i);
        MakeFile(source / name, name, -count - 10 + i);
    }
    for (int i = 0; i < 5; ++i)
        MakeFile(source / ("mlater" + std::to_string(i) + ".log"), "late", 10 + i);

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

}  // namespace

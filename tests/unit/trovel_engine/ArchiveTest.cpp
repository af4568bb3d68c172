#include "Collector.h"
#include "EngineTestSupport.h"
#include "FileTree.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

using namespace engine_test;
using namespace testing_support;

namespace {

// The local directory holds `archives` zip files one minute apart (newest last), a stray
// text file and an old collection folder; pruning keeps the newest nine once there are
// eight or more archives, and then removes every other file.
TEST(PrepareLocalDirectory, KeepsTheNewestArchivesOnly)
{
    struct Case {
        int archives;
        int firstKept;
        bool strayKept;
    } const cases[] = {{7, 0, true}, {8, 0, false}, {12, 3, false}};
    for (const Case& c : cases) {
        ScratchDir local("prune"), configDir("prune-cfg");
        const std::string config = configDir / "Current_Trovel.ini";
        WriteIni(config, "CONFIGURATION", "Local Directory", local.Path() + "\\");
        std::set<std::string> expected = {"Old_collection\\", "Old_collection\\a.txt"};
        for (int i = 0; i < c.archives; ++i) {
            char name[40];
            snprintf(name, sizeof name, "M1_2020_06_15_12_%02d.zip", i);
            MakeFile(local / name, "zip", -60 + i);
            if (i >= c.firstKept)
                expected.insert(name);
        }
        MakeFile(local / "notes.txt", "stray", -100);
        MakeFile(local / "Old_collection\\a.txt", "left from a failed run", -100);
        if (c.strayKept)
            expected.insert("notes.txt");

        auto collector = std::make_unique<CTrovelCollector>();
        collector->m_strConfigFile = config;
        collector->PrepareLocalDirectory();
        EXPECT_EQ(collector->m_strLocalDir, local.Path() + "\\");
        EXPECT_EQ(ListTree(local.Path()), expected) << c.archives << " archives";
    }
}

class CreateArchiveTest : public ::testing::Test {
protected:
    CreateArchiveTest() : m_local("arch"), m_collector(std::make_unique<CTrovelCollector>())
    {
        m_folder = m_local / "M1_2020_06_15_12_00";
        std::string log, binary;
        for (int i = 0; i < 3000; ++i)
            log += "line " + std::to_string(i) + " of the device log\r\n";
        for (int i = 0; i < 70000; ++i)
            binary += static_cast<char>((i * 7919) & 0xFF);
        MakeFile(m_folder + "\\Logs\\Drive\\a.txt", log);
        MakeFile(m_folder + "\\blob.bin", binary);
        MakeFile(m_folder + "\\M1_2020_06_15_12_00.txt", "Trovel Version 3.00.07\r\n\r\n ");
        m_config = m_local / "Current_Trovel.ini";
        m_collector->m_strConfigFile = m_config;
    }

    // Python's zipfile lists every entry (name, encrypted flag, deflated) and extracts the
    // archive with `password` into `into`.
    std::string ListAndExtract(const std::string& archive, const std::string& password, const std::string& into)
    {
        const std::string script = m_local / "check.py";
        WriteFileBytes(script,
                       "import sys,zipfile\n"
                       "z=zipfile.ZipFile(sys.argv[1])\n"
                       "for i in sorted(z.infolist(), key=lambda i: i.filename):\n"
                       "    print(repr(i.filename), 'dir' if i.is_dir() else (i.flag_bits & 1, i.compress_type))\n"
                       "z.extractall(sys.argv[3], pwd=sys.argv[2].encode() or None)\n");
        std::string out;
        EXPECT_EQ(RunHost("/usr/bin/python3 '" + UnixPath(script) + "' '" + UnixPath(archive) + "' '" + password +
                              "' '" + UnixPath(into) + "'",
                          &out),
                  0)
            << out;
        return out;
    }

    ScratchDir m_local;
    std::string m_folder, m_config;
    std::unique_ptr<CTrovelCollector> m_collector;
};

TEST_F(CreateArchiveTest, PasswordArchiveCarriesTheMarkerAndEncryptsEveryFile)
{
    WriteIni(m_config, "CONFIGURATION", "Password Enable", "1");
    WriteIni(m_config, "CONFIGURATION", "Password Value", "s3cret");
    std::string error;
    EXPECT_TRUE(m_collector->CreateArchive("", m_folder, error)) << error;
    EXPECT_EQ(m_collector->m_strZipPath, m_folder + ".zip");
    EXPECT_EQ(ReadFileBytes(m_folder + "\\ -PASSWORD=s3cret"), "");

    const std::string listing = ListAndExtract(m_folder + ".zip", "s3cret", m_local / "out");
    EXPECT_EQ(listing,
              "' -PASSWORD=s3cret' (1, 8)\n'Logs/' dir\n'Logs/Drive/' dir\n'Logs/Drive/a.txt' (1, 8)\n"
              "'M1_2020_06_15_12_00.txt' (1, 8)\n'blob.bin' (1, 8)\n");
    // Entry by entry, the extracted tree is the collection folder.
    EXPECT_EQ(ListTree(m_local / "out"), ListTree(m_folder));
    for (const std::string& path : ListTree(m_folder)) {
        if (path.back() == '\\')
            continue;
        EXPECT_EQ(ReadFileBytes(m_local / "out\\" + path), ReadFileBytes(m_folder + "\\" + path)) << path;
    }

    std::string out;
    EXPECT_NE(RunHost("/usr/bin/unzip -t -P wrong '" + UnixPath(m_folder + ".zip") + "'", &out), 0) << out;
}

TEST_F(CreateArchiveTest, NoPasswordUnlessEnabled)
{
    WriteIni(m_config, "CONFIGURATION", "Password Enable", "0");
    WriteIni(m_config, "CONFIGURATION", "Password Value", "s3cret");
    std::string error;
    EXPECT_TRUE(m_collector->CreateArchive("", m_folder, error)) << error;
    EXPECT_FALSE(PathExists(m_folder + "\\ -PASSWORD=s3cret"));

    const std::string listing = ListAndExtract(m_folder + ".zip", "", m_local / "out");
    EXPECT_EQ(listing,
              "'Logs/' dir\n'Logs/Drive/' dir\n'Logs/Drive/a.txt' (0, 8)\n'M1_2020_06_15_12_00.txt' (0, 8)\n"
              "'blob.bin' (0, 8)\n")
        << listing;
    EXPECT_EQ(ListTree(m_local / "out"), ListTree(m_folder));
}

}  // namespace

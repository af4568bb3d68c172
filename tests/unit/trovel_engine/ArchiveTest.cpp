#include "Collector.h"
#include "EngineTestSupport.h"
#include "FileTree.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <vector>

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
    ASSERT_TRUE(m_collector->CreateArchive("", m_folder, error)) << error;
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
    ASSERT_TRUE(m_collector->CreateArchive("", m_folder, error)) << error;
    EXPECT_FALSE(PathExists(m_folder + "\\ -PASSWORD=s3cret"));

    const std::string listing = ListAndExtract(m_folder + ".zip", "", m_local / "out");
    EXPECT_EQ(listing,
              "'Logs/' dir\n'Logs/Drive/' dir\n'Logs/Drive/a.txt' (0, 8)\n'M1_2020_06_15_12_00.txt' (0, 8)\n"
              "'blob.bin' (0, 8)\n")
        << listing;
    EXPECT_EQ(ListTree(m_local / "out"), ListTree(m_folder));
}

std::wstring Wide(const std::string& utf8)
{
    std::wstring out(utf8.size(), L'\0');
    out.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &out[0],
                                   static_cast<int>(out.size())));
    return out;
}

std::string Utf8(const std::wstring& wide)
{
    std::string out(wide.size() * 4, '\0');
    out.resize(WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &out[0],
                                   static_cast<int>(out.size()), nullptr, nullptr));
    return out;
}

std::string Bytes(size_t size, bool text, unsigned seed)
{
    std::string bytes;
    bytes.reserve(size);
    unsigned state = seed;
    while (bytes.size() < size) {
        state = state * 1103515245u + 12345u;
        if (text)
            bytes += "2020-06-15 12:00 drum " + std::to_string(state % 977) + " ok\r\n";
        else
            bytes += static_cast<char>(state >> 24);
    }
    bytes.resize(size);
    return bytes;
}

// The entry names a folder walk gives, in the walk's order (folders before their
// contents), as UTF-8: the order the archive must keep.
void Walk(const std::wstring& folder, const std::wstring& relative, std::string& out)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*.*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (found.cFileName[0] == L'.')
            continue;
        const std::wstring name = relative + found.cFileName;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out += Utf8(name) + "/\n";
            Walk(folder + L"\\" + found.cFileName, name + L"/", out);
        } else {
            out += Utf8(name) + "\n";
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

// Many entries of mixed sizes (empty, tiny, text, incompressible, one above the in-memory
// piece of the writer's workers, one named outside the code page), packed with and
// without a password: the archive holds every file and folder once, in the walk's order,
// and extracts to the same bytes (Info-ZIP unzip tests it, 7-Zip extracts it).
TEST_F(CreateArchiveTest, ManyMixedEntriesMatchTheSourceEntryByEntry)
{
    const size_t sizes[] = {0, 1, 57, 4096, 70000, 300000};
    for (int i = 0; i < 240; ++i) {
        const std::string path = m_folder + "\\Dev" + std::to_string(i % 6) + "\\Logs" + std::to_string(i % 4) +
                                 "\\f" + std::to_string(i) + (i % 3 ? ".log" : ".bin");
        MakeFile(path, Bytes(sizes[i % 6], i % 3 != 0, i));
    }
    MakeFile(m_folder + "\\Dev0\\big.log", Bytes(9u << 20, true, 99));  // streamed through zlib
    const std::wstring outside = Wide(m_folder) + L"\\Dev1\\" + Wide("\xe6\x97\xa5\xe5\xbf\x97 \xf0\x9f\x98\x80.log");
    HANDLE file = CreateFileW(outside.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, "named outside the code page", 27, &written, nullptr);
    CloseHandle(file);

    const std::string script = m_local / "names.py";
    WriteFileBytes(script,
                   "import sys,zipfile\n"
                   "for i in zipfile.ZipFile(sys.argv[1]).infolist():\n"
                   "    assert i.is_dir() or (i.flag_bits & 1) == int(sys.argv[2]) and i.compress_type == 8, i\n"
                   "    sys.stdout.buffer.write(i.filename.encode('utf-8') + b'\\n')\n");
    for (const char* password : {"", "s3cret"}) {
        WriteIni(m_config, "CONFIGURATION", "Password Enable", *password ? "1" : "0");
        WriteIni(m_config, "CONFIGURATION", "Password Value", password);
        std::string error;
        ASSERT_TRUE(m_collector->CreateArchive("", m_folder, error)) << error;
        EXPECT_EQ(m_collector->m_nMissedFiles, 0);
        const std::string archive = UnixPath(m_folder + ".zip");

        std::string expected, out;
        Walk(Wide(m_folder), L"", expected);
        EXPECT_EQ(RunHost("/usr/bin/python3 '" + UnixPath(script) + "' '" + archive + "' " + (*password ? "1" : "0"),
                          &out),
                  0);
        EXPECT_EQ(out, expected) << password;

        const std::string into = m_local / (*password ? "crypt" : "plain");
        // Info-ZIP tests every entry; 7-Zip extracts (it keeps names beyond the BMP, which
        // Info-ZIP 6.0 mangles), and the extracted tree is compared byte by byte.
        EXPECT_EQ(RunHost("/usr/bin/unzip -tq -P '" + std::string(password) + "' '" + archive + "'", &out, 120000), 0)
            << out;
        EXPECT_EQ(RunHost("/usr/bin/7zz x -y -p'" + std::string(password) + "' -o'" + UnixPath(into) + "' '" +
                              archive + "' >/dev/null && diff -r '" + UnixPath(m_folder) + "' '" + UnixPath(into) + "'",
                          &out, 120000),
                  0)
            << out;
        DeleteFileA((m_folder + ".zip").c_str());
        RunHost("rm -rf '" + UnixPath(into) + "'");  // names the narrow clean-up cannot reach
    }
    DeleteFileW(outside.c_str());
}

// A file held open by another program without sharing cannot be read: it is left out,
// logged as an error and counted; the files after it are packed and the archive is whole.
TEST_F(CreateArchiveTest, UnreadableFileIsLeftOutAndCounted)
{
    MakeFile(m_folder + "\\Logs\\b_locked.txt", "held by another program");
    MakeFile(m_folder + "\\Logs\\c.txt", "after the locked one");
    MakeFile(m_folder + "\\Logs\\Later\\d.txt", "in a later folder");
    HANDLE locked = CreateFileA((m_folder + "\\Logs\\b_locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                0, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    std::string error;
    const bool made = m_collector->CreateArchive("", m_folder, error);
    CloseHandle(locked);
    ASSERT_TRUE(made) << error;
    EXPECT_EQ(m_collector->m_nMissedFiles, 1);

    const std::string listing = ListAndExtract(m_folder + ".zip", "", m_local / "out");
    EXPECT_EQ(listing,
              "'Logs/' dir\n'Logs/Drive/' dir\n'Logs/Drive/a.txt' (0, 8)\n'Logs/Later/' dir\n'Logs/Later/d.txt' (0, 8)\n"
              "'Logs/c.txt' (0, 8)\n'M1_2020_06_15_12_00.txt' (0, 8)\n'blob.bin' (0, 8)\n");
    const std::string log = ReadFileBytes("TrovelLog.txt");
    EXPECT_NE(log.find("***  File '" + m_folder + "\\Logs\\b_locked.txt' could not be added to the archive"),
              std::string::npos)
        << log;
}

// A real full disk: a 2 MB file system mounted (as root) and mapped as a Wine drive holds
// the local directory. The archive cannot be finished: false, the reason names the full
// disk, and no archive file is left behind.
TEST(CreateArchiveOnFullDisk, FailsAndLeavesNoArchive)
{
    char letter = 0;
    const DWORD drives = GetLogicalDrives();
    for (char c = 'R'; c <= 'Y' && letter == 0; ++c)
        if (!(drives & (1u << (c - 'A'))))
            letter = c;
    ASSERT_NE(letter, 0);
    testing_support::SmallDisk disk(std::string("$WINEPREFIX/dosdevices/") + static_cast<char>(letter + 32) + ":",
                                    "2m");
    if (!disk.Mounted())
        GTEST_SKIP() << disk.Reason();

    const std::string drive = std::string(1, letter) + ":";
    const std::string folder = drive + "\\M1_2020_06_15_12_00";
    MakeFile(folder + "\\M1_2020_06_15_12_00.txt", "Trovel Version 3.00.07\r\n");
    MakeFile(folder + "\\Logs\\noise.bin", Bytes(1200000, false, 5));  // fits once, not twice
    ASSERT_EQ(ReadFileBytes(folder + "\\Logs\\noise.bin").size(), 1200000u);
    ScratchDir configDir("full-cfg");
    auto collector = std::make_unique<CTrovelCollector>();
    collector->m_strConfigFile = configDir / "Current_Trovel.ini";
    std::string error;
    EXPECT_FALSE(collector->CreateArchive("", folder, error));
    EXPECT_EQ(error, "disk full: cannot write " + folder + ".zip");
    EXPECT_FALSE(PathExists(folder + ".zip"));
}

}  // namespace

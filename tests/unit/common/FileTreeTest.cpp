#include "FileTree.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

TEST(TrailingBackslash, AddAndRemove)
{
    struct Case { const char* in; const char* added; const char* removed; };
    for (const Case& c : {Case{"C:\\a", "C:\\a\\", "C:\\a"}, Case{"C:\\a\\  ", "C:\\a\\", "C:\\a"},
                          Case{"", "\\", ""}, Case{"C:\\a\\\\", "C:\\a\\\\", "C:\\a\\"}}) {
        std::string a = c.in, r = c.in;
        AddTrailingBackslash(a);
        RemoveTrailingBackslash(r);
        EXPECT_EQ(a, c.added) << c.in;
        EXPECT_EQ(r, c.removed) << c.in;
    }
}

TEST(MakeDirs, CreatesEveryLevelOfANestedPath)
{
    ScratchDir dir("makedirs");
    const std::string deep = dir / "a\\b\\c\\";
    EXPECT_TRUE(MakeDirs(deep));
    EXPECT_TRUE(FolderExists(dir / "a"));
    EXPECT_TRUE(FolderExists(dir / "a\\b"));
    EXPECT_TRUE(FolderExists(dir / "a\\b\\c"));
    EXPECT_TRUE(MakeDirs(deep));  // all levels exist already
}

TEST(MakeDirs, FailsWhereALevelIsAFileOrAServer)
{
    ScratchDir dir("makedirs-fail");
    WriteFileBytes(dir / "file", "x");
    EXPECT_FALSE(MakeDirs(dir / "file\\below"));
    EXPECT_FALSE(MakeDirs("\\\\noserver\\share\\x"));
}

class TreeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        src = dir / "src";
        MakeDirs(src + "\\sub\\deeper");
        MakeDirs(src + "\\.svn");
        WriteFileBytes(src + "\\top.txt", "top");
        WriteFileBytes(src + "\\.hidden", "no");
        WriteFileBytes(src + "\\.svn\\entries", "no");
        WriteFileBytes(src + "\\sub\\mid.log", "mid");
        WriteFileBytes(src + "\\sub\\deeper\\low.log", "low");
        SetFileAttributesA((src + "\\sub\\mid.log").c_str(), FILE_ATTRIBUTE_READONLY);
    }
    ScratchDir dir{"tree"};
    std::string src;
};

TEST_F(TreeTest, RecursiveCopyIntoMissingParentsSkipsDotNames)
{
    const std::string dst = dir / "x\\y\\dst";
    ASSERT_TRUE(CopyFolder(src, dst, true, true));
    EXPECT_EQ(ReadFileBytes(dst + "\\top.txt"), "top");
    EXPECT_EQ(ReadFileBytes(dst + "\\sub\\mid.log"), "mid");
    EXPECT_EQ(ReadFileBytes(dst + "\\sub\\deeper\\low.log"), "low");
    EXPECT_FALSE(PathExists(dst + "\\.hidden"));
    EXPECT_FALSE(PathExists(dst + "\\.svn"));
    // The copy of a read-only file is made writable.
    EXPECT_EQ(GetFileAttributesA((dst + "\\sub\\mid.log").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
}

TEST_F(TreeTest, NonRecursiveCopyTakesTopFilesOnly)
{
    const std::string dst = dir / "flat";
    ASSERT_TRUE(CopyFolder(src + "\\", dst, false, false));  // trailing backslash on the source
    EXPECT_EQ(ReadFileBytes(dst + "\\top.txt"), "top");
    EXPECT_FALSE(PathExists(dst + "\\sub"));
}

TEST_F(TreeTest, CopyOfAMissingSourceFails)
{
    EXPECT_FALSE(CopyFolder(dir / "nothing", dir / "out", true, false));
}

TEST_F(TreeTest, DeleteFolderRemovesReadOnlyFilesButNotDotNames)
{
    EXPECT_FALSE(DeleteFolder(src, true));  // the ".svn" folder and ".hidden" stay, so src stays
    EXPECT_FALSE(PathExists(src + "\\sub"));
    EXPECT_FALSE(PathExists(src + "\\top.txt"));
    EXPECT_TRUE(PathExists(src + "\\.hidden"));
    EXPECT_TRUE(PathExists(src + "\\.svn\\entries"));
}

TEST_F(TreeTest, DeleteFolderOfAPlainTree)
{
    const std::string plain = src + "\\sub";
    EXPECT_TRUE(DeleteFolder(plain, false));
    EXPECT_FALSE(PathExists(plain));
    EXPECT_TRUE(DeleteFolder(dir / "never-there", false));
}

TEST_F(TreeTest, DeleteContentsWithoutRecursionKeepsSubfolders)
{
    EXPECT_TRUE(DeleteFolderContents(src, false, false));
    EXPECT_FALSE(PathExists(src + "\\top.txt"));
    EXPECT_TRUE(PathExists(src + "\\sub\\deeper\\low.log"));
    EXPECT_FALSE(DeleteFolderContents(src + "\\top.txt", true, false));
}

// The copy replaces whatever the target was, leaves it with no read-only, hidden or system
// bit and with the source's last-write time, and copies a log its writer holds open.
TEST(CopyOneFile, OverwritesKeepsTheWriteTimeAndNormalizesAttributes)
{
    ScratchDir dir("copyone");
    std::string big;
    for (int i = 0; i < 70000; ++i)
        big += static_cast<char>('a' + i % 26);  // more than one read of the copy loop
    struct Case { const char* name; std::string bytes; const char* old; DWORD sourceBits, targetBits; bool held; };
    const Case cases[] = {
        {"new", "fresh", nullptr, 0, 0, false},
        {"longer-old", "short", "a much longer old target", 0, 0, false},
        {"read-only-old", "ro", "old", 0, FILE_ATTRIBUTE_READONLY, false},
        {"hidden-system-old", "hs", "old", 0, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, false},
        {"read-only-source", "src", nullptr, FILE_ATTRIBUTE_READONLY, 0, false},
        {"held-by-writer", big, "old", 0, 0, true},
        {"empty", "", "old", 0, 0, false},
    };
    SYSTEMTIME when = {2019, 7, 0, 14, 8, 30, 12, 0};
    FILETIME stamp;
    SystemTimeToFileTime(&when, &stamp);
    for (const Case& c : cases) {
        const std::string source = dir / (std::string(c.name) + ".src"), target = dir / (std::string(c.name) + ".dst");
        WriteFileBytes(source, c.bytes);
        HANDLE h = CreateFileA(source.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        SetFileTime(h, nullptr, nullptr, &stamp);
        CloseHandle(h);
        if (c.sourceBits)
            SetFileAttributesA(source.c_str(), c.sourceBits);
        if (c.old) {
            WriteFileBytes(target, c.old);
            if (c.targetBits)
                SetFileAttributesA(target.c_str(), c.targetBits);
        }
        HANDLE writer = c.held ? CreateFileA(source.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                             OPEN_EXISTING, 0, nullptr)
                               : INVALID_HANDLE_VALUE;
        EXPECT_TRUE(CopyOneFile(source, target)) << c.name;
        if (writer != INVALID_HANDLE_VALUE)
            CloseHandle(writer);
        EXPECT_EQ(ReadFileBytes(target), c.bytes) << c.name;
        WIN32_FILE_ATTRIBUTE_DATA about = {};
        ASSERT_TRUE(GetFileAttributesExA(target.c_str(), GetFileExInfoStandard, &about)) << c.name;
        EXPECT_EQ(about.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM), 0u)
            << c.name;
        EXPECT_EQ(CompareFileTime(&about.ftLastWriteTime, &stamp), 0) << c.name;
    }
}

TEST(CopyOneFile, FailsWithoutASourceOrATargetFolder)
{
    ScratchDir dir("copyone-fail");
    WriteFileBytes(dir / "a.txt", "a");
    EXPECT_FALSE(CopyOneFile(dir / "missing.txt", dir / "b.txt"));
    EXPECT_FALSE(PathExists(dir / "b.txt"));
    EXPECT_FALSE(CopyOneFile(dir / "a.txt", dir / "no-folder\\b.txt"));
    // A target that another program holds open without sharing writes is not replaced.
    WriteFileBytes(dir / "held.txt", "kept");
    HANDLE reader = CreateFileA((dir / "held.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                nullptr);
    EXPECT_FALSE(CopyOneFile(dir / "a.txt", dir / "held.txt"));
    CloseHandle(reader);
    EXPECT_EQ(ReadFileBytes(dir / "held.txt"), "kept");
}

TEST(CreateFolderPath, CreatesLevelsAndRejectsFoldersWithExtraAttributes)
{
    ScratchDir dir("createpath");
    const std::string path = dir / "p\\q\\r";
    EXPECT_TRUE(CreateFolderPath(path));
    EXPECT_TRUE(FolderExists(path));
    EXPECT_TRUE(CreateFolderPath(path + "\\"));
    // Wine keeps hidden and system on folders but drops read-only and archive; any extra bit counts.
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
    EXPECT_FALSE(CreateFolderPath(path));
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(FileTimes, ModTimeAndLastWriteTime)
{
    ScratchDir dir("times");
    const std::string file = dir / "f.txt";
    WriteFileBytes(file, "x");
    HANDLE h = CreateFileA(file.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    SYSTEMTIME when = {2024, 2, 0, 29, 13, 45, 30, 0};
    FILETIME ft;
    SystemTimeToFileTime(&when, &ft);
    SetFileTime(h, nullptr, nullptr, &ft);
    CloseHandle(h);

    EXPECT_EQ(GetFileModTime(file), 1709214330);  // 2024-02-29 13:45:30 UTC
    EXPECT_EQ(GetFileModTime(dir.Path()), 0);
    EXPECT_EQ(GetFileModTime(dir / "missing"), 0);

    SYSTEMTIME read;
    ASSERT_TRUE(GetFileLastWriteTime(file, read, false));
    EXPECT_EQ(read.wYear, 2024);
    EXPECT_EQ(read.wDay, 29);
    EXPECT_EQ(read.wHour, 13);
    EXPECT_EQ(read.wSecond, 30);
    EXPECT_FALSE(GetFileLastWriteTime(dir / "missing", read, true));
    EXPECT_EQ(read.wYear, 0);
}

}  // namespace

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

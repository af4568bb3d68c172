#include "FileTree.h"
#include "FindFiles.h"
#include "Handles.h"
#include "TestSupport.h"
#include "Text.h"
#include "WidePath.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <vector>

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

// ----- wide names, long paths, held files and links -----

// Writes `bytes` to a file named in UTF-16 (long paths allowed).
void WriteWide(const std::wstring& path, const std::string& bytes)
{
    ASSERT_TRUE(MakeDirsW(LongPath(path.substr(0, path.rfind(L'\\'))))) << WideToUtf8(path);
    FileHandle file(CreateFileW(LongPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file) << WideToUtf8(path);
    DWORD put = 0;
    WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
}

std::string ReadWide(const std::wstring& path)
{
    FileHandle file(CreateFileW(LongPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                nullptr));
    if (!file)
        return "<missing>";
    char buffer[256];
    DWORD got = 0;
    ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr);
    return std::string(buffer, got);
}

// Relative names (UTF-8) of the files below `folder`, listed with the wide calls; links
// to folders are not followed.
void ListWide(const std::wstring& folder, const std::string& prefix, std::set<std::string>& out)
{
    FindFiles list(LongPath(folder));
    for (FoundEntry entry; list.Next(entry);) {
        const std::string name = prefix + WideToUtf8(entry.name);
        if (entry.IsFolder() && !entry.IsReparsePoint())
            ListWide(folder + L"\\" + entry.name, name + "\\", out);
        else if (entry.IsFolder())
            out.insert(name + "\\ (link)");
        else
            out.insert(name);
    }
}

std::set<std::string> ListWide(const std::string& folder)
{
    std::set<std::string> out;
    ListWide(AnsiToWide(folder), "", out);
    return out;
}

TEST(FindFiles, ListsEntriesWithTheirFactsAndNeverTheDotEntries)
{
    ScratchDir dir("findfiles");
    WriteFileBytes(dir / "five.txt", "12345");
    MakeDirs(dir / "sub");
    SYSTEMTIME when = {2021, 3, 0, 4, 5, 6, 7, 0};
    FILETIME stamp;
    SystemTimeToFileTime(&when, &stamp);
    {
        FileHandle file(CreateFileA((dir / "five.txt").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0,
                                    nullptr));
        ASSERT_TRUE(file);
        SetFileTime(file.get(), nullptr, nullptr, &stamp);
    }  // closed by its owner: the listing below must see the time

    std::map<std::wstring, FoundEntry> seen;
    FindFiles list(AnsiToWide(dir.Path()));
    for (FoundEntry entry; list.Next(entry);)
        seen[entry.name] = entry;
    EXPECT_EQ(list.Error(), 0u);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_FALSE(seen[L"five.txt"].IsFolder());
    EXPECT_EQ(seen[L"five.txt"].size, 5u);
    EXPECT_EQ(seen[L"five.txt"].UnixTime(), 1614834367u);  // 2021-03-04 05:06:07 UTC
    EXPECT_TRUE(seen[L"sub"].IsFolder());
    EXPECT_FALSE(seen[L"sub"].IsReparsePoint());

    FindFiles empty(AnsiToWide(dir.Path()), L"*.none");
    FoundEntry entry;
    EXPECT_FALSE(empty.Next(entry));
    EXPECT_EQ(empty.Error(), 0u);  // nothing matched: not an error
    FindFiles missing(AnsiToWide(dir / "missing"));
    EXPECT_FALSE(missing.Next(entry));
    EXPECT_NE(missing.Error(), 0u);
}

// The narrow listing used by the definition files and the report's folders.
TEST(ListFolder, NamesAndFolderFlagsWithOrWithoutTheTrailingBackslash)
{
    ScratchDir dir("listfolder");
    WriteFileBytes(dir / "Current_Package_A.ini", "x");
    MakeDirs(dir / "Trovels Package");
    for (const std::string& folder : {dir.Path(), dir.Path() + "\\"}) {
        SCOPED_TRACE(folder);
        std::map<std::string, bool> seen;
        for (const FolderEntry& entry : ListFolder(folder))
            seen[entry.name] = entry.isFolder;
        const std::map<std::string, bool> expected = {{"Current_Package_A.ini", false}, {"Trovels Package", true}};
        EXPECT_EQ(seen, expected);
    }
    EXPECT_TRUE(ListFolder(dir / "missing").empty());
}

// Names from outside become one name inside the folder they are placed in.
TEST(FileSafeName, SeparatorsAndDotOnlyNamesNeverLeaveTheFolder)
{
    const struct {
        const char* name;
        const char* safe;
    } cases[] = {
        {"HKLM_Software_Vendor", "HKLM_Software_Vendor"},
        {"Drive-Logs", "Drive-Logs"},
        {"..\\up", ".._up"},
        {"../up", ".._up"},
        {"C:\\abs", "C__abs"},
        {"..", "__"},
        {".", "_"},
        {"a.b..", "a.b.."},
        {"what?<*>|\"", "what______"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FileSafeName(c.name), c.safe) << c.name;
}

TEST(WidePath, LongFormAndBack)
{
    struct Case { const wchar_t* in; const wchar_t* longForm; };
    for (const Case& c : {Case{L"C:\\a\\b", L"\\\\?\\C:\\a\\b"}, Case{L"C:\\a\\\\b\\.\\c\\..\\d", L"\\\\?\\C:\\a\\b\\d"},
                          Case{L"\\\\server\\share\\x", L"\\\\?\\UNC\\server\\share\\x"},
                          Case{L"\\\\?\\C:\\as is", L"\\\\?\\C:\\as is"}}) {
        EXPECT_EQ(LongPath(c.in), c.longForm) << WideToUtf8(c.in);
        EXPECT_EQ(LongPath(ShortForm(c.longForm)), c.longForm) << WideToUtf8(c.in);
    }
    bool exact = true;
    WideToAnsi(L"\u65E5\u672C-\U0001F600.log", &exact);
    EXPECT_FALSE(exact);
    EXPECT_EQ(WideForLog(L"\u65E5\U0001F600"), "\xE6\x97\xA5\xF0\x9F\x98\x80");  // UTF-8 when the code page lacks it
    EXPECT_EQ(WideForLog(L"plain.log"), "plain.log");
}

// One tree with every kind of item a copy meets in the field. The copy takes all that it
// can, tells of each item it leaves out, and never follows a link.
class HardTreeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        src = AnsiToWide(dir / "src");
        m_link = UnixPath(dir / "src\\sub") + "/loop";
        // Listed in this order by Wine's folder listing or not, the held file must not
        // keep the later files and folders out.
        WriteWide(src + L"\\a-first.log", "first");
        WriteWide(src + L"\\m-held.log", "held");
        WriteWide(src + L"\\z-last.log", "last");
        WriteWide(src + L"\\sub\\after.log", "after");
        // A name no ANSI code page holds.
        WriteWide(src + L"\\\u65E5\u672C-\U0001F600.log", "wide");
        // Paths beyond 260 characters, at the source and (deeper still) in the target.
        deep = L"sub";
        for (int i = 0; i < 6; ++i)
            deep += L"\\" + std::wstring(50, static_cast<wchar_t>(L'a' + i));
        WriteWide(src + L"\\" + deep + L"\\long.log", "long");
        // A link back to the top of the tree, made on the Unix side (Wine shows it as a
        // folder that is a reparse point).
        std::string out;
        ASSERT_EQ(RunHost("ln -s .. '" + m_link + "'", &out), 0) << out;
    }
    // Wine cannot remove a link made on the Unix side: that side removes it.
    void TearDown() override { RunHost("rm -f '" + m_link + "'"); }

    std::set<std::string> Expected() const
    {
        return {"a-first.log", "z-last.log", "sub\\after.log", WideToUtf8(L"\u65E5\u672C-\U0001F600.log"),
                WideToUtf8(deep) + "\\long.log"};
    }

    ScratchDir dir{"hardtree"};
    std::wstring src, deep;
    std::string m_link;
};

TEST_F(HardTreeTest, CopyTakesEverythingItCanAndTellsWhatItLeftOut)
{
    ASSERT_GT((src + L"\\" + deep + L"\\long.log").size(), 300u);
    HANDLE holder = CreateFileW(LongPath(src + L"\\m-held.log").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    std::vector<std::string> missed, links;
    const bool ok = CopyFolderW(LongPath(src), LongPath(AnsiToWide(dir / "dst")), true, false,
                                [&](const std::wstring& path, const std::string& reason, bool isMiss) {
                                    (isMiss ? missed : links).push_back(WideToUtf8(ShortForm(path)) + ": " + reason);
                                });
    CloseHandle(holder);

    EXPECT_FALSE(ok);
    std::set<std::string> expected = Expected();  // neither the held file nor anything through the link
    EXPECT_EQ(ListWide(dir / "dst"), expected);
    EXPECT_EQ(ReadWide(AnsiToWide(dir / "dst\\") + L"\u65E5\u672C-\U0001F600.log"), "wide");
    EXPECT_EQ(ReadWide(AnsiToWide(dir / "dst\\") + deep + L"\\long.log"), "long");
    EXPECT_EQ(missed, std::vector<std::string>{WideToUtf8(ShortForm(LongPath(src))) +
                                               "\\m-held.log: in use by another program"});
    EXPECT_EQ(links, std::vector<std::string>{WideToUtf8(ShortForm(LongPath(src))) +
                                              "\\sub\\loop: symbolic link or junction, not followed"});

    // The narrow form copies the same way; without the holder nothing is missed.
    EXPECT_TRUE(CopyFolder(dir / "src", dir / "dst2", true, false));
    expected.insert("m-held.log");
    EXPECT_EQ(ListWide(dir / "dst2"), expected);
}

TEST_F(HardTreeTest, DeleteRemovesWideNamesAndLongPaths)
{
    ASSERT_TRUE(CopyFolder(dir / "src", dir / "dst", true, false));
    ASSERT_EQ(ListWide(dir / "dst").size(), 6u);
    EXPECT_TRUE(DeleteFolder(dir / "dst", false));
    EXPECT_FALSE(PathExists(dir / "dst"));
    std::set<std::string> all = Expected();
    all.insert("m-held.log");
    all.insert("sub\\loop\\ (link)");
    EXPECT_EQ(ListWide(dir / "src"), all);
}

TEST(Handles, OwnersCloseOnceAndMoveTheirHandle)
{
    ScratchDir dir("handles");
    const std::string path = dir / "owned.txt";
    WriteFileBytes(path, "x");
    auto openExclusive = [&] {
        return FileHandle(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    };
    FileHandle moved;
    {
        FileHandle first = openExclusive();
        ASSERT_TRUE(first);
        EXPECT_FALSE(openExclusive());  // held without sharing
        moved = std::move(first);
        EXPECT_FALSE(first);
    }
    EXPECT_FALSE(openExclusive());  // the moved-to owner still holds it
    moved.reset();
    EXPECT_TRUE(openExclusive());
}

}  // namespace

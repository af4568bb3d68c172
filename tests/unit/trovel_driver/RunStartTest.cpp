// Decisions of the start functions: run id, collection folders, same-minute refusal, and
// where a host finds the status file before any run.
#include <gtest/gtest.h>

#include <windows.h>

#include <set>

#include "FileTree.h"
#include "RunStart.h"
#include "TestSupport.h"

using testing_support::ScratchDir;
using testing_support::WriteFileBytes;

namespace {

TEST(RunId, SixDigitsOfTheStartTimeAndTheirValue)
{
    const struct {
        const char* timeText;
        const char* text;
        DWORD value;
    } cases[] = {
        {"09_30_15", "093015", 93015},
        {"00_15_30", "001530", 1530},
        {"23_59_59", "235959", 235959},
        {"", "", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RunIdText(c.timeText), c.text);
        EXPECT_EQ(RunIdValue(RunIdText(c.timeText)), c.value) << c.timeText;
    }
}

TEST(CollectionFolders, CustomerNamesTheRunFolderButNotTheCheckedOne)
{
    const StartFolders plain = CollectionFolders("C:\\Collect\\", "WS-1", "", "2024_05_14_09_30");
    EXPECT_EQ(plain.configFolder, "C:\\Collect\\WS-1_2024_05_14_09_30");
    EXPECT_EQ(plain.runFolder, plain.configFolder);

    const StartFolders named = CollectionFolders("C:\\Collect\\", "WS-1", "ACME", "2024_05_14_09_30");
    EXPECT_EQ(named.configFolder, "C:\\Collect\\WS-1_2024_05_14_09_30");
    EXPECT_EQ(named.runFolder, "C:\\Collect\\ACME_2024_05_14_09_30");
}

TEST(RunClaims, RefusesWhileAFolderExistsOrARunOfItIsInProgress)
{
    std::set<std::string> onDisk;
    auto exists = [&](const std::string& path) { return onDisk.count(path) != 0; };
    RunClaims claims;
    const StartFolders first = CollectionFolders("C:\\C\\", "WS", "", "2024_05_14_09_30");
    const StartFolders other = CollectionFolders("C:\\C\\", "WS", "ACME", "2024_05_14_09_30");
    const StartFolders sameCustomer = CollectionFolders("C:\\C\\", "WS", "acme", "2024_05_14_09_30");

    ASSERT_TRUE(claims.TryClaim(first, exists));
    // Same minute, same folder, before the first run has made it: refused.
    EXPECT_FALSE(claims.TryClaim(first, exists));
    // Another customer gets its own folder.
    ASSERT_TRUE(claims.TryClaim(other, exists));
    EXPECT_FALSE(claims.TryClaim(sameCustomer, exists));

    // Ended runs free their folders; a folder left on disk still refuses the start.
    claims.Release(first.runFolder);
    claims.Release(other.runFolder);
    EXPECT_TRUE(claims.TryClaim(sameCustomer, exists));
    claims.Release(sameCustomer.runFolder);
    onDisk.insert(first.configFolder);
    EXPECT_FALSE(claims.TryClaim(first, exists));
    EXPECT_FALSE(claims.TryClaim(other, exists));  // the configuration's folder counts for every start
}

TEST(ChooseDefinitionsFolder, PackageFolderBeforeCurrent)
{
    EXPECT_EQ(ChooseDefinitionsFolder({"Logs", "Current", "TROVEL PACKAGE"}), "TROVEL PACKAGE");
    EXPECT_EQ(ChooseDefinitionsFolder({"Current", "Trovels Package"}), "Trovels Package");
    EXPECT_EQ(ChooseDefinitionsFolder({"Logs", "current"}), "current");
    EXPECT_EQ(ChooseDefinitionsFolder({"Logs", "Currently"}), "");
}

// Runs `body` with the given folder as the current one.
template <typename Body>
void InFolder(const std::string& folder, Body body)
{
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(folder.c_str());
    body();
    SetCurrentDirectoryA(previous);
}

TEST(LocateStatusFile, FollowsTheDirectoryFileAndCreatesNothing)
{
    ScratchDir dir("locate");
    MakeDirs(dir / "Base\\Trovel Package");
    MakeDirs(dir / "Current");
    WriteFileBytes(dir / "Directory.ini", "[DIRECTORY]\r\nPath Directory= .\\Base\\ \r\n");
    InFolder(dir.Path(), [] { EXPECT_EQ(LocateStatusFile(), ".\\Base\\Trovel Package\\TrovelStatus.ini"); });

    DeleteFileA((dir / "Directory.ini").c_str());
    InFolder(dir.Path(), [] { EXPECT_EQ(LocateStatusFile(), ".\\Current\\TrovelStatus.ini"); });

    ScratchDir empty("locate-empty");
    InFolder(empty.Path(), [] { EXPECT_EQ(LocateStatusFile(), ""); });
    EXPECT_FALSE(FolderExists(empty / "Current"));
}

}  // namespace

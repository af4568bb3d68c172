// Decisions of the start functions: run id, collection folders, same-minute refusal, and
// where a host finds the status file before any run.
#include <gtest/gtest.h>

#include <windows.h>

#include <ctime>
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

namespace {

time_t LocalTime(int year, int month, int day, int hour, int minute, int second)
{
    struct tm local {};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    return mktime(&local);
}

// A start finds the folders from .\Directory.ini as a fresh process would, and a claim
// held by any holder (one per process) refuses a start of the same minute and folder.
TEST(ClaimStart, SameMinuteIsRefusedWhileAnyHolderRunsOrTheFolderExists)
{
    ScratchDir dir("claimstart");
    MakeDirs(dir / "Base\\Current");
    MakeDirs(dir / "Collect");
    WriteFileBytes(dir / "Directory.ini", "[DIRECTORY]\r\nPath Directory=.\\Base\\\r\n");
    WriteFileBytes(dir / "Base\\Current\\Current_Trovel.ini",
                   "[CONFIGURATION]\r\nLocal Directory=" + (dir / "Collect\\") +
                       "\r\nComputer Name=0\r\nRegistry Field=NULL\r\nUser Defined=WS-7\r\nSysteminfo=NULL\r\n");
    const std::string folder = dir / "Collect\\WS-7_2030_05_14_09_30";
    time_t now = LocalTime(2030, 5, 14, 9, 30, 10);
    SetClock([&now] { return now; });

    RunClaims thisProcess, otherProcess;
    InFolder(dir.Path(), [&] {
        PendingRun run;
        std::string claimed;
        ASSERT_TRUE(ClaimStart(thisProcess, "", run, claimed));
        EXPECT_EQ(claimed, folder);
        EXPECT_EQ(run.stamp, "2030_05_14_09_30");
        EXPECT_EQ(run.runIdText, "093010");

        now += 20;
        EXPECT_FALSE(ClaimStart(otherProcess, "", run, claimed));
        EXPECT_EQ(claimed, "");
        EXPECT_FALSE(ClaimStart(thisProcess, "", run, claimed));
        ASSERT_TRUE(ClaimStart(otherProcess, "-c \"ACME\"", run, claimed));  // a folder of its own
        EXPECT_EQ(claimed, dir / "Collect\\ACME_2030_05_14_09_30");
        otherProcess.Release(claimed);

        thisProcess.Release(folder);  // the first run ended and removed its folder
        ASSERT_TRUE(ClaimStart(otherProcess, "", run, claimed));
        otherProcess.Release(claimed);

        MakeDirs(folder);  // a folder of the minute left on disk refuses every holder
        EXPECT_FALSE(ClaimStart(otherProcess, "", run, claimed));
        now += 60;
        ASSERT_TRUE(ClaimStart(otherProcess, "", run, claimed));
        EXPECT_EQ(claimed, dir / "Collect\\WS-7_2030_05_14_09_31");
        otherProcess.Release(claimed);
    });
    SetClock(nullptr);
}

TEST(LocateStatusFile, RefusesAPathDirectoryTooLongForItsFiles)
{
    ScratchDir dir("locate-long");
    const std::string base = ".\\" + std::string(240, 'b') + "\\";
    WriteFileBytes(dir / "Directory.ini", "[DIRECTORY]\r\nPath Directory=" + base + "\r\n");
    InFolder(dir.Path(), [] { EXPECT_EQ(LocateStatusFile(), ""); });
}

}  // namespace

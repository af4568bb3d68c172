#include "Collector.h"
#include "Definitions.h"
#include "EngineTestSupport.h"
#include "FileTree.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

using namespace engine_test;
using testing_support::ReadFileBytes;

namespace {

const char kTestKey[] = "Software\\TrovelEngineTest";

// The registry editor writes UTF-16LE; the ASCII texts we look for, in that form.
std::string Wide(const std::string& ascii)
{
    std::string out;
    for (char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

std::string LogText()
{
    return ReadFileBytes("TrovelLog.txt");
}

TEST(ShortKeyName, RootIsShortenedAndTheNameCut)
{
    const std::string longTail(300, 'k');
    struct Case {
        std::string key, out;
        bool known;
    } const cases[] = {
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Dastrel\\Kestrin\\", "HKLM\\SOFTWARE\\Dastrel\\Kestrin", true},
        {"HKEY_CURRENT_USER\\Software", "HKCU\\Software", true},
        {"HKEY_CLASSES_ROOT\\.txt", "HKCR\\.txt", true},
        {"HKEY_USERS\\.DEFAULT", "HKU\\.DEFAULT", true},
        {"HKEY_CURRENT_CONFIG\\System", "HKCC\\System", true},
        {"hkey_local_machine\\software", "hkey_local_machine\\software", true},
        {"SOFTWARE\\Dastrel", "SOFTWARE\\Dastrel", false},
        {"HKEY_LOCAL_MACHINE\\" + longTail, ("HKLM\\" + longTail).substr(0, 245), true},
        // cut to 245, and then a trailing backslash goes too
        {"HKEY_LOCAL_MACHINE\\" + std::string(239, 'a') + "\\bbbb", "HKLM\\" + std::string(239, 'a'), true},
        {"", "", true},
    };
    for (const Case& c : cases) {
        std::string out;
        EXPECT_EQ(CTrovelCollector::ShortKeyName(c.key, out), c.known) << c.key;
        EXPECT_EQ(out, c.out) << c.key;
    }
}

TEST(ParseRegistryRoot, SplitsRootAndUpperCasesIt)
{
    struct Case {
        std::string path;
        bool known;
        HKEY root;
        std::string subkey;
    } const cases[] = {
        {"hkey_local_machine\\Software\\Morvane\\Id", true, HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE\\Software\\Morvane\\Id"},
        {"HKEY_USERS\\.DEFAULT\\x", true, HKEY_USERS, "HKEY_USERS\\.DEFAULT\\x"},
        {"HKEY_CURRENT_USER", true, HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
        {"SOFTWARE\\Morvane", false, nullptr, "SOFTWARE\\Morvane"},
    };
    for (const Case& c : cases) {
        std::string path = c.path, subkey = c.path;
        HKEY root = nullptr;
        EXPECT_EQ(CTrovelCollector::ParseRegistryRoot(path, root, subkey), c.known) << c.path;
        EXPECT_EQ(root, c.root) << c.path;
        EXPECT_EQ(subkey, c.subkey) << c.path;
    }
}

// Real exports by the registry editor into collect\Pkg.
class RegistryExportTest : public ::testing::Test {
protected:
    RegistryExportTest() : m_collect("reg-out"), m_collector(std::make_unique<CTrovelCollector>())
    {
        DeleteFileA("TrovelLog.txt");
        RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey);
        m_collector->m_strCollectDir = m_collect.Path();
        m_collector->m_strPackageName = "Pkg";
        MakeDirs(m_collect / "Pkg");
    }
    ~RegistryExportTest() override { RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey); }

    // A key large enough that its export takes a noticeable time: `count` subkeys with
    // a value each; the last subkey is the one a cut-short export would lack.
    static void MakeKey(int count)
    {
        const std::string filler(200, 'v');
        for (int i = 0; i < count; ++i) {
            HKEY key;
            const std::string name = std::string(kTestKey) + "\\Sub" + std::to_string(i);
            ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                      nullptr),
                      ERROR_SUCCESS);
            const std::string value = filler + std::to_string(i);
            RegSetValueExA(key, "data", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>(value.size() + 1));
            RegCloseKey(key);
        }
    }

    testing_support::ScratchDir m_collect;
    std::unique_ptr<CTrovelCollector> m_collector;
};

TEST_F(RegistryExportTest, ExportIsCompleteWhenTheEntryReturns)
{
    const int count = 1500;
    MakeKey(count);
    SetPauseScale(0);  // no fixed pause may stand in for the wait
    m_collector->CaptureRegistryEntry("HKEY_CURRENT_USER\\Software\\TrovelEngineTest\\");
    SetPauseScale(1);

    const std::string file = m_collect / "Pkg\\HKCU_Software_TrovelEngineTest.reg";
    const std::string exported = ReadFileBytes(file);
    ASSERT_GE(exported.size(), 2u) << file;
    EXPECT_EQ(exported.substr(0, 2), "\xFF\xFE");
    EXPECT_NE(exported.find(Wide("[HKEY_CURRENT_USER\\Software\\TrovelEngineTest\\Sub0]")), std::string::npos);
    EXPECT_NE(exported.find(Wide("\"data\"=\"" + std::string(200, 'v') + std::to_string(count - 1) + "\"")),
              std::string::npos);
    EXPECT_NE(LogText().find("Registry 'HKEY_CURRENT_USER\\Software\\TrovelEngineTest\\' added to package 'Pkg'"),
              std::string::npos);
}

// The wait is bounded: an editor that does not end in time is stopped and the run goes on.
TEST_F(RegistryExportTest, EditorThatDoesNotEndInTimeIsStopped)
{
    MakeKey(1);
    m_collector->m_nExportTimeoutMs = 1;
    EXPECT_FALSE(m_collector->ExportRegistryKey("Pkg\\out.reg", "HKEY_CURRENT_USER\\Software\\TrovelEngineTest"));
    EXPECT_NE(LogText().find("***  'regedit' did not finish within 0 seconds and was stopped."), std::string::npos)
        << LogText();
}

TEST_F(RegistryExportTest, FileNamesFollowTheKeyAsWritten)
{
    MakeKey(1);
    struct Case {
        std::string key, file;  // file empty: nothing may be written, and the key counts as missed
    } const cases[] = {
        {"hkey_current_user\\Software\\TrovelEngineTest", "hkey_current_user_Software_TrovelEngineTest.reg"},
        {"HKEY_CURRENT_USER\\Software\\TrovelEngineTest\\Sub0", "HKCU_Software_TrovelEngineTest_Sub0.reg"},
        {"HKEY_CURRENT_USER\\Software\\TrovelEngineTest\\Missing", ""},
        {"Software\\TrovelEngineTest", ""},  // no root: the editor cannot export it
    };
    int missed = 0;
    for (const Case& c : cases) {
        DeleteFolder(m_collect / "Pkg", false);
        MakeDirs(m_collect / "Pkg");
        m_collector->CaptureRegistryEntry(c.key);
        const std::set<std::string> expected = c.file.empty() ? std::set<std::string>{} : std::set<std::string>{c.file};
        EXPECT_EQ(ListTree(m_collect / "Pkg"), expected) << c.key;
        EXPECT_NE(LogText().find("Registry '" + c.key + "' added to package 'Pkg'"), std::string::npos) << c.key;
        const bool logged = LogText().find("***  Could not collect registry key '" + c.key + "'") != std::string::npos;
        EXPECT_EQ(logged, c.file.empty()) << c.key;
        missed += c.file.empty() ? 1 : 0;
        EXPECT_EQ(m_collector->m_nMissedFiles, missed) << c.key;
    }
}

// A key may hold "/" and "..": its export still lands in the package folder, under a name
// in which neither can lead elsewhere.
TEST_F(RegistryExportTest, KeyWithSlashAndDotsStaysInThePackageFolder)
{
    const std::string sub = std::string(kTestKey) + "\\a/../../../escaped";
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, sub.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    const std::string parent = m_collect.Path().substr(0, m_collect.Path().rfind('\\'));
    DeleteFileA((parent + "\\escaped.reg").c_str());

    m_collector->CaptureRegistryEntry("HKEY_CURRENT_USER\\" + sub);
    EXPECT_EQ(ListTree(m_collect.Path()),
              (std::set<std::string>{"Pkg\\", "Pkg\\HKCU_Software_TrovelEngineTest_a_.._.._.._escaped.reg"}));
    EXPECT_FALSE(testing_support::PathExists(parent + "\\escaped.reg"));
    EXPECT_EQ(m_collector->m_nMissedFiles, 0);
}

// Whatever lies in the working folder under the editor's name is not run: the system's own
// editor is, from the Windows folder.
TEST_F(RegistryExportTest, PlantedEditorInTheWorkingFolderIsNotRun)
{
    MakeKey(1);
    // Not a program at all: had it been chosen, the start would fail and nothing be exported.
    testing_support::WriteFileBytes("regedit.exe", "MZ planted");
    m_collector->CaptureRegistryEntry("HKEY_CURRENT_USER\\Software\\TrovelEngineTest");
    DeleteFileA("regedit.exe");
    EXPECT_EQ(ListTree(m_collect / "Pkg"), std::set<std::string>{"HKCU_Software_TrovelEngineTest.reg"});
    EXPECT_EQ(m_collector->m_nMissedFiles, 0);
}

// A double quote in a key would end the quoted argument and make the rest of the text a
// further argument: the editor would export the existing key before the quote instead of
// the (missing) key that was named.
TEST_F(RegistryExportTest, QuoteInKeyCannotAddArguments)
{
    MakeKey(1);
    const std::string key = "HKEY_CURRENT_USER\\Software\\TrovelEngineTest\" \"HKEY_CURRENT_USER\\Nothing";
    EXPECT_FALSE(m_collector->ExportRegistryKey("Pkg\\out.reg", key));
    EXPECT_EQ(ListTree(m_collect / "Pkg"), std::set<std::string>{});
    EXPECT_NE(LogText().find("***  Registry key '" + key + "' cannot be exported"), std::string::npos) << LogText();

    // The same key without the tail is exported, so the file name and place are right.
    EXPECT_TRUE(m_collector->ExportRegistryKey("Pkg\\out.reg", "HKEY_CURRENT_USER\\Software\\TrovelEngineTest"));
    EXPECT_EQ(ListTree(m_collect / "Pkg"), std::set<std::string>{"out.reg"});
}

}  // namespace

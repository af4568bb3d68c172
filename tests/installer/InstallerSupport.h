#pragma once
// What the installer tests look at: running the installer and its uninstaller and waiting
// for them, the registry values, the all-users shortcuts (read back through the shell),
// the reminder task, version resources, and putting the prefix back as it was.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace installer_support {

extern const char* const kInstallDir;     // C:\Velmora\Corvida
extern const char* const kStateKey;       // the program's key under HKLM
extern const char* const kUninstallKey;   // the Add/Remove Programs entry under HKLM
extern const char* const kTaskName;

// Runs a Windows program, waits for its end (at most `timeoutMs`) and returns its exit
// code; -1 when it could not be started or did not end in time.
int RunProgram(const std::string& commandLine, const std::string& folder = "",
               unsigned timeoutMs = 120000);
// The installer built by the "installer" target, with /S and `options`.
int RunInstaller(const std::string& options);
// The installed uninstaller with /S and `options`, as a deployment tool starts it.
int RunUninstaller(const std::string& options);
// Waits for every running process with this executable name to end.
void WaitForProcessesNamed(const std::string& exeName);

std::optional<std::string> RegString(const char* key, const char* name);
bool SetRegString(const char* key, const char* name, const char* value);
bool KeyExists(const char* key);

struct ShortcutPlace {
    int commonFolder;  // CSIDL_COMMON_...
    const char* name;  // without ".lnk"
};
extern const ShortcutPlace kShortcuts[5];
std::string ShortcutPath(const ShortcutPlace& place);

struct Shortcut {
    bool loaded = false;
    std::string target;
    std::string folder;  // working directory
    std::string arguments;
};
// Reads a .lnk file through the shell's link object (COM must be initialised).
Shortcut ReadShortcut(const std::string& path);

// Where the task scheduler keeps the definition of the reminder task.
std::string TaskFile();

// "a.b.c.d" from a file's version resource; empty when it has none.
std::string FileVersion(const std::string& path);

struct BuiltProgram {
    std::string name;       // as installed
    std::string buildPath;  // in the build tree; empty while the program has no target
};
std::vector<BuiltProgram> BuiltPrograms();

bool MakeFolder(const std::string& path);

// Names every item of the set-up that is present (empty: none).
std::string LeftOverItems();
// Uninstalls (report included) and removes whatever is still left.
void RemoveWorkstationSetUp();

// Each test starts on a prefix without any part of the set-up (what an interrupted run
// left behind would falsify the checks) and puts it back that way.
class WorkstationSetUpTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;
};

}  // namespace installer_support

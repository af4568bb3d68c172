#pragma once
// Finds the all-users form of a shell folder and deletes a named shortcut in it.
#include <string>

class CShortcut {
public:
    // The all-users path of a per-user CSIDL folder (desktop 0, Programs 2, start-up 7,
    // Start menu 11), ending with a backslash. The shell is asked for the common folder
    // directly, since profile layouts differ between platforms.
    bool GetSpecialFolderPath(int folder, std::string& path);
    // Deletes "<all-users folder>\<name>.lnk" without any question; true when deleted.
    bool DeleteShortCut(const std::string& name, int folder);

private:
    std::string m_strPath;
};

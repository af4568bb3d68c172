#pragma once
// Thin wrapper around one open registry key. Every value written is a string (REG_SZ
// without a terminating zero); strings and 32-bit numbers are read.
#include <windows.h>

#include <string>

class CRegistry {
public:
    CRegistry() = default;
    ~CRegistry();
    CRegistry(const CRegistry&) = delete;
    CRegistry& operator=(const CRegistry&) = delete;

    // Opens `subKey` below `root` for reading and writing. A key already open is closed
    // first; after a failed Open the object holds no key and can be opened again.
    bool Open(HKEY root, const std::string& subKey);
    void Close();
    bool IsOpen() const { return m_hKey != nullptr; }

    // The output is emptied first, so it is empty on every failure. Only REG_SZ counts.
    bool GetString(std::string& value, const std::string& name);
    bool SetString(const std::string& value, const std::string& name);
    // The output is left unchanged unless a REG_DWORD value was read.
    bool GetDword(DWORD& value, const std::string& name);
    bool DeleteValue(const std::string& name);
    bool CreateSubKey(const std::string& name);

private:
    HKEY m_hKey = nullptr;
};

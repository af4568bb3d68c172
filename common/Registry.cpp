#include "Registry.h"

#include <vector>

CRegistry::~CRegistry()
{
    Close();
}

bool CRegistry::Open(HKEY root, const std::string& subKey)
{
    // A key left open by an earlier Open is released rather than leaked.
    Close();
    if (root == nullptr)
        return false;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, subKey.c_str(), 0, KEY_READ | KEY_WRITE, &key) != ERROR_SUCCESS)
        return false;
    m_hKey = key;
    return true;
}

void CRegistry::Close()
{
    if (m_hKey != nullptr) {
        RegCloseKey(m_hKey);
        m_hKey = nullptr;
    }
}

bool CRegistry::GetString(std::string& value, const std::string& name)
{
    value.clear();
    if (m_hKey == nullptr)
        return false;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(m_hKey, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    std::vector<char> buffer(size + 1, '\0');
    if (RegQueryValueExA(m_hKey, name.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    value.assign(buffer.data());  // up to the first zero character
    return true;
}

bool CRegistry::SetString(const std::string& value, const std::string& name)
{
    if (m_hKey == nullptr)
        return false;
    return RegSetValueExA(m_hKey, name.c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(value.data()),
                          static_cast<DWORD>(value.size())) == ERROR_SUCCESS;
}

bool CRegistry::GetDword(DWORD& value, const std::string& name)
{
    if (m_hKey == nullptr)
        return false;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(m_hKey, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof(DWORD))
        return false;
    DWORD number = 0;
    if (RegQueryValueExA(m_hKey, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&number),
                         &size) != ERROR_SUCCESS || type != REG_DWORD)
        return false;
    value = number;
    return true;
}

bool CRegistry::DeleteValue(const std::string& name)
{
    if (m_hKey == nullptr)
        return false;
    return RegDeleteValueA(m_hKey, name.c_str()) == ERROR_SUCCESS;
}

bool CRegistry::CreateSubKey(const std::string& name)
{
    if (m_hKey == nullptr)
        return false;
    HKEY created = nullptr;
    if (RegCreateKeyExA(m_hKey, name.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &created,
                        nullptr) != ERROR_SUCCESS)
        return false;
    RegCloseKey(created);
    return true;
}

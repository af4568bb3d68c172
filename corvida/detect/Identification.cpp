#include "Identification.h"

#include "FileTree.h"
#include "Registry.h"
#include "Text.h"
#include "ToolConfig.h"

#include <windows.h>

const char* const kTypedSerialPrefix = "user^";
const char* const kDefaultSerialNumber = "90521QVT";
const char* const kSerialAnchor = ">Device Serial Number<";
const char* const kSerialTag = "<Detected>";

std::string GetProductType()
{
    return ReadRegistryReference("SOFTWARE\\Velmora\\Corvida\\Product");
}

bool ParseRegistryReference(const std::string& reference, bool forWriting, std::string& keyPath,
                            std::string& valueName)
{
    static const char* const kReadPrefixes[] = {"Registry:HKLM\\", "HKEY_LOCAL_MACHINE\\", "HKLM\\"};
    static const char* const kWritePrefixes[] = {"HKLM\\", "HKEY_LOCAL_MACHINE\\"};
    std::string::size_type slash = reference.find_last_of('\\');
    if (slash == std::string::npos)
        return false;
    valueName = reference.substr(slash + 1);
    keyPath = reference.substr(0, slash);
    if (forWriting) {
        for (const char* prefix : kWritePrefixes)
            if (StartsWith(keyPath, prefix)) {
                keyPath = keyPath.substr(std::string(prefix).size());
                break;
            }
    } else {
        for (const char* prefix : kReadPrefixes)
            if (StartsWith(keyPath, prefix)) {
                keyPath = keyPath.substr(std::string(prefix).size());
                break;
            }
    }
    return true;
}

std::string ReadRegistryReference(const std::string& reference)
{
    std::string keyPath, valueName, value;
    if (!ParseRegistryReference(reference, false, keyPath, valueName))
        return value;
    CRegistry key;
    if (key.Open(HKEY_LOCAL_MACHINE, keyPath))
        key.GetString(value, valueName);
    return value;
}

bool WriteRegistryReference(const std::string& reference, const std::string& value)
{
    std::string keyPath, valueName;
    if (!ParseRegistryReference(reference, true, keyPath, valueName))
        return false;
    CRegistry key;
    return key.Open(HKEY_LOCAL_MACHINE, keyPath) && key.SetString(value, valueName);
}

std::string SystemInfoPathFromPathVariable(const std::string& pathValue)
{
    std::string lower = ToLower(pathValue);
    std::string::size_type at = lower.find("kestrin");
    if (at == std::string::npos || at == 0)
        return std::string();
    std::string::size_type semicolon = lower.rfind(';', at - 1);
    std::string::size_type begin = semicolon == std::string::npos ? 0 : semicolon + 1;
    std::string folder = lower.substr(begin, at - begin);
    if (!folder.empty())
        folder.pop_back();  // the backslash before "kestrin"
    return folder + "\\Kestrin\\Logs\\SystemInfo.xml";
}

bool FindSystemInfoFile(std::string& path)
{
    char buffer[2000];
    DWORD length = GetEnvironmentVariableA("Path", buffer, sizeof(buffer));
    if (length == 0 || length >= sizeof(buffer))
        return false;
    path = SystemInfoPathFromPathVariable(buffer);
    if (path.empty())
        return false;
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool ExtractTaggedValue(const std::string& filePath, const std::string& anchor, const std::string& tag,
                        std::string& value)
{
    std::string text;
    if (!ReadFileText(filePath, text))
        return false;
    if (!FindTaggedText(text, anchor, tag, value))
        value = kDefaultSerialNumber;
    return !value.empty();
}

bool IsTypedSerial(const std::string& serial)
{
    return serial.find(kTypedSerialPrefix) != std::string::npos;
}

std::string StripTypedSerialPrefix(const std::string& serial)
{
    return ReplaceAll(serial, kTypedSerialPrefix, "");
}

std::string DetectSerialNumber(const std::string& source)
{
    if (source.find("SOFTWARE") != std::string::npos)
        return ReadRegistryReference(source);
    std::string path, serial;
    if (ToLower(source).find("systeminfo") != std::string::npos && FindSystemInfoFile(path))
        ExtractTaggedValue(path, kSerialAnchor, kSerialTag, serial);
    return serial;
}

bool IdentifyProduct(ReportRecord& record, const std::string& toolConfigFile)
{
    if (record.ProductType.empty())
        record.ProductType = GetProductType();
    if (record.ProductSerialNumber.empty())
        record.ProductSerialNumber =
            DetectSerialNumber(IniValueOrEmpty(toolConfigFile, record.ProductType, "SerialNumber"));
    bool typed = record.ProductSerialNumber.empty() || IsTypedSerial(record.ProductSerialNumber);
    if (record.CustomerName.empty()) {
        std::string reference = IniValueOrEmpty(toolConfigFile, record.ProductType, "CustomerName");
        if (reference.find("SOFTWARE") != std::string::npos)
            record.CustomerName = ReadRegistryReference(reference);
    }
    return typed;
}

void WriteBackCustomerName(const std::string& product, const std::string& name, const std::string& toolConfigFile)
{
    std::string reference = IniValueOrEmpty(toolConfigFile, product, "CustomerName");
    if (reference.find("SOFTWARE") != std::string::npos)
        WriteRegistryReference(reference, name);
}

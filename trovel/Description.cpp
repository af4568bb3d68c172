// The collection folder's name and the description text that travels in the archive.
#include "Collector.h"
#include "Definitions.h"

#include "FileTree.h"
#include "Text.h"

// iphlpapi.h needs the socket types first
#include <winsock2.h>
#include <iphlpapi.h>

#include <cstdio>
#include <ctime>

namespace {

const char kVersionText[] = "Trovel Version 3.00.07";
// Room for 33 addresses, as the support centre's tools have always seen it.
const ULONG kAddressTableBytes = 796;

}  // namespace

std::string CTrovelCollector::LocalAddressList()
{
    union {
        MIB_IPADDRTABLE table;
        char bytes[kAddressTableBytes];
    } buffer;
    ULONG size = kAddressTableBytes;
    if (GetIpAddrTable(&buffer.table, &size, TRUE) != NO_ERROR)
        return std::string();
    std::string list;
    for (DWORD i = 0; i < buffer.table.dwNumEntries; ++i) {
        const DWORD address = buffer.table.table[i].dwAddr;
        if (address == 0)
            continue;
        in_addr dotted;
        dotted.s_addr = address;
        list += "     ";
        list += inet_ntoa(dotted);
        list += " ";
    }
    return Trim(list);
}

bool CTrovelCollector::WriteDescription(std::string description, std::string subject)
{
    char date[16] = {}, time[16] = {};
    _strdate(date);
    _strtime(time);

    if (m_strCollectDir.empty())
        NamePaths();
    if (!CreateFolderPath(m_strCollectDir)) {
        m_strFailure = "The collection folder '" + m_strCollectDir + "' could not be created.";
        m_defs.WriteLog(m_strFailure, false);
        return false;
    }

    std::string region = m_strRegion;
    if (region.empty())
        m_defs.ReadProfile(m_strConfigFile, "CONFIGURATION", "Region", region);
    if (region.empty())
        region = "Unknown";

    const std::string path = m_strCollectDir + "\\" + m_strMachineId + "_" + m_strStamp + ".txt";
    FILE* file = fopen(path.c_str(), "w");  // text mode: every line feed becomes CR LF
    if (file == nullptr) {
        m_strFailure = "The description '" + path + "' could not be written.";
        m_defs.WriteLog(m_strFailure, false);
        return false;
    }

    const std::string collectionDate = std::string(date) + "  " + time;
    std::string body = "Collection Date: " + collectionDate + "\nIP Address:      " + LocalAddressList() + "\n";
    if (m_bUnattended)
        body += "Product:         " + m_strProduct + "\n";
    body += "Computer Name:   " + m_strMachineId + "\nRegion:          " + region +
            "\n\nSubject:\n--------\n" + Trim(subject) + "\n\nProblem Description:\n--------------------\n" +
            Trim(description) + "\n";
    const std::string text = std::string(kVersionText) + "\n\n" + body + " ";
    const bool written = fwrite(text.data(), 1, text.size(), file) == text.size();
    if (fclose(file) != 0 || !written) {
        m_strFailure = "The description '" + path + "' could not be written.";
        m_defs.WriteLog(m_strFailure, false);
        return false;
    }
    return true;
}

#pragma once
// Walks the entries that a FindFirstFile pattern matches ("." and ".." left out) and
// closes the search handle when the walk ends, however it ends:
//     for (CFolderEntries entries(folder + "\\*.*"); entries.Next();) ...
#include <windows.h>

#include <string>

class CFolderEntries {
public:
    explicit CFolderEntries(const std::string& pattern)
        : m_search(FindFirstFileA(pattern.c_str(), &m_found))
    {
    }
    ~CFolderEntries()
    {
        if (m_search != INVALID_HANDLE_VALUE)
            FindClose(m_search);
    }
    CFolderEntries(const CFolderEntries&) = delete;
    CFolderEntries& operator=(const CFolderEntries&) = delete;

    // Moves to the next entry; false when there is none (or the search found nothing).
    bool Next()
    {
        for (;;) {
            if (m_search == INVALID_HANDLE_VALUE)
                return false;
            if (m_started && !FindNextFileA(m_search, &m_found)) {
                FindClose(m_search);
                m_search = INVALID_HANDLE_VALUE;
                return false;
            }
            m_started = true;
            const std::string name = m_found.cFileName;
            if (name != "." && name != "..")
                return true;
        }
    }

    std::string Name() const { return m_found.cFileName; }
    bool IsFolder() const { return (m_found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }

private:
    WIN32_FIND_DATAA m_found = {};
    HANDLE m_search;
    bool m_started = false;
};

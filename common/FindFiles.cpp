#include "FindFiles.h"

#include "WidePath.h"

unsigned long long FoundEntry::UnixTime() const
{
    const unsigned long long ticks =
        (static_cast<unsigned long long>(lastWrite.dwHighDateTime) << 32) | lastWrite.dwLowDateTime;
    const unsigned long long epoch = 116444736000000000ull;  // 1970-01-01 in 100 ns since 1601
    return ticks < epoch ? 0 : (ticks - epoch) / 10000000ull;
}

FindFiles::FindFiles(const std::wstring& folder, const wchar_t* pattern)
{
    std::wstring search = folder;
    if (!search.empty() && search.back() != L'\\')
        search += L'\\';
    search += pattern;
    // FindExInfoBasic skips the short 8.3 name, which nobody here reads.
    m_search.reset(FindFirstFileExW(search.c_str(), FindExInfoBasic, &m_data, FindExSearchNameMatch, nullptr, 0));
    if (m_search)
        m_pending = true;
    else
        m_error = GetLastError() == ERROR_FILE_NOT_FOUND ? 0 : GetLastError();  // an empty match is no error
}

bool FindFiles::Next(FoundEntry& entry)
{
    for (;;) {
        if (!m_pending) {
            if (!m_search)
                return false;
            if (!FindNextFileW(m_search.get(), &m_data)) {
                const DWORD error = GetLastError();
                if (error != ERROR_NO_MORE_FILES)
                    m_error = error;
                m_search.reset();
                return false;
            }
        }
        m_pending = false;
        const wchar_t* name = m_data.cFileName;
        if (name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0')))
            continue;
        entry.name = name;
        entry.attributes = m_data.dwFileAttributes;
        entry.size = (static_cast<unsigned long long>(m_data.nFileSizeHigh) << 32) | m_data.nFileSizeLow;
        entry.lastWrite = m_data.ftLastWriteTime;
        return true;
    }
}

std::vector<FolderEntry> ListFolder(const std::string& folder)
{
    std::vector<FolderEntry> entries;
    FindFiles list(AnsiToWide(folder));
    for (FoundEntry entry; list.Next(entry);)
        entries.push_back({WideToAnsi(entry.name), entry.IsFolder()});
    return entries;
}

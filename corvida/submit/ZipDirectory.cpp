#include "ZipDirectory.h"

#include <windows.h>
#include <zlib.h>

namespace {

const uint32_t kEndSignature = 0x06054b50;
const uint32_t kEntrySignature = 0x02014b50;
const size_t kEndRecordSize = 22;
const size_t kEntryHeaderSize = 46;
const size_t kMaxCommentSize = 0xFFFF;

uint16_t U16(const std::string& bytes, size_t at)
{
    return static_cast<uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                 static_cast<unsigned char>(bytes[at + 1]) << 8);
}

uint32_t U32(const std::string& bytes, size_t at)
{
    return static_cast<uint32_t>(U16(bytes, at)) | static_cast<uint32_t>(U16(bytes, at + 2)) << 16;
}

class CFile {
public:
    explicit CFile(const std::string& path)
        : m_handle(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr))
    {
    }
    ~CFile()
    {
        if (m_handle != INVALID_HANDLE_VALUE)
            CloseHandle(m_handle);
    }
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
    bool Size(uint64_t& size) const
    {
        LARGE_INTEGER value;
        if (!GetFileSizeEx(m_handle, &value))
            return false;
        size = static_cast<uint64_t>(value.QuadPart);
        return true;
    }
    // Exactly `count` bytes from `offset`, or false.
    bool Read(uint64_t offset, size_t count, std::string& bytes) const
    {
        LARGE_INTEGER position;
        position.QuadPart = static_cast<LONGLONG>(offset);
        if (!SetFilePointerEx(m_handle, position, nullptr, FILE_BEGIN))
            return false;
        bytes.assign(count, '\0');
        size_t done = 0;
        while (done < count) {
            DWORD got = 0;
            if (!ReadFile(m_handle, &bytes[done], static_cast<DWORD>(count - done), &got, nullptr) || got == 0)
                return false;
            done += got;
        }
        return true;
    }
    HANDLE Handle() const { return m_handle; }

private:
    HANDLE m_handle;
};

}  // namespace

bool ReadZipDirectory(const std::string& path, std::vector<ZipEntryInfo>& entries)
{
    entries.clear();
    CFile file(path);
    uint64_t fileSize = 0;
    if (!file.IsOpen() || !file.Size(fileSize) || fileSize < kEndRecordSize)
        return false;

    // The end record sits at the very end, followed only by the archive comment.
    const size_t tailSize = static_cast<size_t>(fileSize < kEndRecordSize + kMaxCommentSize
                                                    ? fileSize
                                                    : kEndRecordSize + kMaxCommentSize);
    std::string tail;
    if (!file.Read(fileSize - tailSize, tailSize, tail))
        return false;
    size_t end = std::string::npos;
    for (size_t at = tailSize - kEndRecordSize + 1; at-- > 0;) {
        if (U32(tail, at) == kEndSignature && at + kEndRecordSize + U16(tail, at + 20) == tailSize) {
            end = at;
            break;
        }
    }
    if (end == std::string::npos)
        return false;
    const uint16_t count = U16(tail, end + 10);
    const uint32_t directorySize = U32(tail, end + 12);
    const uint32_t directoryOffset = U32(tail, end + 16);
    if (count == 0xFFFF || directoryOffset == 0xFFFFFFFF ||
        static_cast<uint64_t>(directoryOffset) + directorySize > fileSize)
        return false;

    std::string directory;
    if (!file.Read(directoryOffset, directorySize, directory))
        return false;
    size_t at = 0;
    for (uint16_t i = 0; i < count; ++i) {
        if (at + kEntryHeaderSize > directory.size() || U32(directory, at) != kEntrySignature)
            return false;
        const size_t nameLength = U16(directory, at + 28);
        const size_t next = at + kEntryHeaderSize + nameLength + U16(directory, at + 30) + U16(directory, at + 32);
        if (next > directory.size())
            return false;
        ZipEntryInfo entry;
        entry.crc = U32(directory, at + 16);
        entry.size = U32(directory, at + 24);
        entry.name = directory.substr(at + kEntryHeaderSize, nameLength);
        entries.push_back(entry);
        at = next;
    }
    return true;
}

bool FileCrc32(const std::string& path, uint32_t& crc, uint32_t& size)
{
    CFile file(path);
    if (!file.IsOpen())
        return false;
    uLong value = crc32(0L, Z_NULL, 0);
    uint64_t total = 0;
    char buffer[16384];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.Handle(), buffer, sizeof buffer, &got, nullptr))
            return false;
        if (got == 0)
            break;
        value = crc32(value, reinterpret_cast<const Bytef*>(buffer), got);
        total += got;
    }
    crc = static_cast<uint32_t>(value);
    size = static_cast<uint32_t>(total);
    return true;
}

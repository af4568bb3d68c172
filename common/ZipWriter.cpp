#include "ZipWriter.h"

#include <windows.h>

#include <zip.h>
#include <zlib.h>
// after zip.h, which brings the declarations it needs
#include <iowin32.h>

#include <vector>

struct ZipArchive {
    zipFile file = nullptr;
    std::string password;
    std::vector<char> buffer;  // one read buffer for every entry of the archive
};

namespace {

const DWORD kChunk = 1 << 20;

std::string EntryName(const std::string& name)
{
    std::string out = name;
    for (char& c : out)
        if (c == '\\')
            c = '/';
    while (!out.empty() && out.front() == '/')
        out.erase(out.begin());
    return out;
}

void SetEntryTime(zip_fileinfo& info, const FILETIME* written)
{
    SYSTEMTIME when;
    FILETIME local;
    if (written != nullptr && FileTimeToLocalFileTime(written, &local) && FileTimeToSystemTime(&local, &when)) {
        // converted
    } else {
        GetLocalTime(&when);
    }
    info.tmz_date.tm_sec = when.wSecond;
    info.tmz_date.tm_min = when.wMinute;
    info.tmz_date.tm_hour = when.wHour;
    info.tmz_date.tm_mday = when.wDay;
    info.tmz_date.tm_mon = when.wMonth - 1;
    info.tmz_date.tm_year = when.wYear;
    info.dosDate = 0;
}

class SourceFile {
public:
    explicit SourceFile(const std::string& path)
        : m_handle(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr)) {}
    ~SourceFile()
    {
        if (m_handle != INVALID_HANDLE_VALUE)
            CloseHandle(m_handle);
    }
    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE Handle() const { return m_handle; }
    bool Rewind() { return SetFilePointer(m_handle, 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER; }
    // Bytes read, 0 at the end, -1 on error.
    long Read(std::vector<char>& buffer)
    {
        DWORD got = 0;
        if (!ReadFile(m_handle, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr))
            return -1;
        return static_cast<long>(got);
    }

private:
    HANDLE m_handle;
};

}  // namespace

HZIP CreateZip(const std::string& path, const std::string& password)
{
    zlib_filefunc64_def io;
    fill_win32_filefunc64A(&io);
    zipFile file = zipOpen2_64(path.c_str(), APPEND_STATUS_CREATE, nullptr, &io);
    if (file == nullptr)
        return nullptr;
    HZIP zip = new ZipArchive;
    zip->file = file;
    zip->password = password;
    return zip;
}

int ZipAdd(HZIP zip, const std::string& entryName, const std::string& sourcePath)
{
    const std::string name = EntryName(entryName);
    if (zip == nullptr || name.empty())
        return ZR_ARGS;
    SourceFile source(sourcePath);
    if (!source.IsOpen())
        return ZR_NOFILE;

    BY_HANDLE_FILE_INFORMATION about;
    if (!GetFileInformationByHandle(source.Handle(), &about))
        return ZR_NOFILE;
    const unsigned long long size =
        (static_cast<unsigned long long>(about.nFileSizeHigh) << 32) | about.nFileSizeLow;

    std::vector<char>& buffer = zip->buffer;
    if (buffer.size() != kChunk)
        buffer.resize(kChunk);
    const bool encrypt = !zip->password.empty();
    uLong crc = crc32(0L, Z_NULL, 0);
    if (encrypt) {
        // The encryption header carries a check byte taken from the entry's CRC.
        for (long got; (got = source.Read(buffer)) != 0;) {
            if (got < 0)
                return ZR_READ;
            crc = crc32(crc, reinterpret_cast<const Bytef*>(buffer.data()), static_cast<uInt>(got));
        }
        if (!source.Rewind())
            return ZR_READ;
    }

    zip_fileinfo info = {};
    SetEntryTime(info, &about.ftLastWriteTime);
    info.external_fa = about.dwFileAttributes & 0xFF;
    if (zipOpenNewFileInZip3_64(zip->file, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY,
                                encrypt ? zip->password.c_str() : nullptr, crc,
                                size >= 0xFFFFFFFFull ? 1 : 0) != ZIP_OK)
        return ZR_WRITE;

    int status = ZR_OK;
    for (long got; (got = source.Read(buffer)) != 0;) {
        if (got < 0) {
            status = ZR_READ;
            break;
        }
        if (zipWriteInFileInZip(zip->file, buffer.data(), static_cast<unsigned>(got)) != ZIP_OK) {
            status = ZR_WRITE;
            break;
        }
    }
    if (zipCloseFileInZip(zip->file) != ZIP_OK && status == ZR_OK)
        status = ZR_WRITE;
    return status;
}

int ZipAddFolder(HZIP zip, const std::string& entryName)
{
    std::string name = EntryName(entryName);
    if (zip == nullptr || name.empty())
        return ZR_ARGS;
    if (name.back() != '/')
        name += '/';
    zip_fileinfo info = {};
    SetEntryTime(info, nullptr);
    info.external_fa = FILE_ATTRIBUTE_DIRECTORY;
    if (zipOpenNewFileInZip(zip->file, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, 0, 0) != ZIP_OK)
        return ZR_WRITE;
    return zipCloseFileInZip(zip->file) == ZIP_OK ? ZR_OK : ZR_WRITE;
}

int CloseZip(HZIP zip)
{
    if (zip == nullptr)
        return ZR_ARGS;
    const int status = zipClose(zip->file, nullptr) == ZIP_OK ? ZR_OK : ZR_WRITE;
    delete zip;
    return status;
}

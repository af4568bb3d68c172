#include "ZipWriter.h"

#include <windows.h>

#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <vector>

struct ZipArchive {
    zipFile file = nullptr;
    std::string password;
    std::vector<char> buffer;  // one read buffer for every entry of the archive
    // Entries up to kWholeFile bytes are read and deflated in one piece with this stream,
    // reset between entries: setting one up per entry (as the zip library does) costs a
    // quarter megabyte of fresh memory each time.
    z_stream stream = {};
    bool streamReady = false;
    std::vector<unsigned char> packed;
};

namespace {

const DWORD kChunk = 1 << 20;
const unsigned long long kWholeFile = 16ull << 20;

// The archive file behind a write buffer. The zip library writes each header field with
// its own call and goes back to patch sizes after every entry; through this buffer an
// archive of thousands of entries costs a few dozen writes instead of some twenty per entry.
// Patches that fall inside the buffer are made there.
struct BufferedFile {
    HANDLE handle = INVALID_HANDLE_VALUE;
    std::vector<char> data;
    ZPOS64_T start = 0;    // archive offset of data[0]
    size_t length = 0;     // bytes of data in use
    ZPOS64_T position = 0; // where the next write goes
    ZPOS64_T end = 0;      // size of the archive so far
    ZPOS64_T system = 0;   // the handle's own file pointer
    bool failed = false;

    bool Put(ZPOS64_T at, const void* bytes, DWORD count)
    {
        if (system != at) {
            LARGE_INTEGER to;
            to.QuadPart = static_cast<LONGLONG>(at);
            if (!SetFilePointerEx(handle, to, nullptr, FILE_BEGIN))
                return false;
        }
        DWORD written = 0;
        const bool ok = WriteFile(handle, bytes, count, &written, nullptr) && written == count;
        system = at + written;
        return ok;
    }
    bool Flush()
    {
        if (length != 0 && !Put(start, data.data(), static_cast<DWORD>(length)))
            failed = true;
        length = 0;
        return !failed;
    }
};

voidpf ZCALLBACK OpenFile(voidpf, const void* name, int mode)
{
    const bool create = (mode & ZLIB_FILEFUNC_MODE_CREATE) != 0;
    HANDLE handle = CreateFileA(static_cast<const char*>(name), create ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ,
                                create ? 0 : FILE_SHARE_READ, nullptr, create ? CREATE_ALWAYS : OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return nullptr;
    BufferedFile* file = new BufferedFile;
    file->handle = handle;
    file->data.resize(kChunk);
    return file;
}

uLong ZCALLBACK ReadFileData(voidpf, voidpf stream, void* buffer, uLong size)
{
    BufferedFile* file = static_cast<BufferedFile*>(stream);
    if (!file->Flush())
        return 0;
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(file->position);
    DWORD got = 0;
    if (!SetFilePointerEx(file->handle, to, nullptr, FILE_BEGIN) || !ReadFile(file->handle, buffer, size, &got, nullptr))
        got = 0;
    file->system = file->position + got;
    file->position += got;
    return got;
}

uLong ZCALLBACK WriteFileData(voidpf, voidpf stream, const void* bytes, uLong size)
{
    BufferedFile* file = static_cast<BufferedFile*>(stream);
    if (file->failed)
        return 0;
    const ZPOS64_T at = file->position;
    const bool inside = file->length != 0 && at >= file->start && at <= file->start + file->length &&
                        at - file->start + size <= file->data.size();
    if (!inside) {
        if (!file->Flush())
            return 0;
        if (size >= file->data.size()) {
            if (!file->Put(at, bytes, size)) {
                file->failed = true;
                return 0;
            }
            file->position = at + size;
            file->end = std::max(file->end, file->position);
            return size;
        }
        file->start = at;
    }
    const size_t offset = static_cast<size_t>(at - file->start);
    std::memcpy(file->data.data() + offset, bytes, size);
    file->length = std::max(file->length, offset + size);
    file->position = at + size;
    file->end = std::max(file->end, file->position);
    return size;
}

ZPOS64_T ZCALLBACK TellFile(voidpf, voidpf stream)
{
    return static_cast<BufferedFile*>(stream)->position;
}

long ZCALLBACK SeekFile(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    BufferedFile* file = static_cast<BufferedFile*>(stream);
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET: file->position = offset; break;
    case ZLIB_FILEFUNC_SEEK_CUR: file->position += offset; break;
    case ZLIB_FILEFUNC_SEEK_END: file->position = file->end + offset; break;
    default: return -1;
    }
    return 0;
}

int ZCALLBACK CloseFile(voidpf, voidpf stream)
{
    BufferedFile* file = static_cast<BufferedFile*>(stream);
    const bool flushed = file->Flush();
    const bool closed = CloseHandle(file->handle) != FALSE;
    delete file;
    return flushed && closed ? 0 : -1;
}

int ZCALLBACK FileError(voidpf, voidpf stream)
{
    return static_cast<BufferedFile*>(stream)->failed ? 1 : 0;
}

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

// Reads the whole source, deflates it with the archive's stream and stores the result as
// a raw entry: the same bytes and header fields as the zip library's own deflating, at one
// read pass also when encrypting (the CRC the encryption header needs is known by then).
int AddWhole(HZIP zip, const std::string& name, SourceFile& source, const BY_HANDLE_FILE_INFORMATION& about)
{
    std::vector<char>& input = zip->buffer;
    const size_t expected = (static_cast<size_t>(about.nFileSizeHigh) << 32 | about.nFileSizeLow);
    if (input.size() < expected + 1)
        input.resize(std::max<size_t>(expected + 1, kChunk));
    size_t length = 0;
    for (;;) {  // to the end, in case the file grew since it was examined
        if (length == input.size())
            input.resize(input.size() * 2);
        DWORD got = 0;
        if (!ReadFile(source.Handle(), input.data() + length, static_cast<DWORD>(input.size() - length), &got, nullptr))
            return ZR_READ;
        if (got == 0)
            break;
        length += got;
    }
    const uLong crc = crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(input.data()), static_cast<uInt>(length));

    z_stream& stream = zip->stream;
    if (!zip->streamReady) {
        if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY) != Z_OK)
            return ZR_WRITE;
        zip->streamReady = true;
    } else if (deflateReset(&stream) != Z_OK) {
        return ZR_WRITE;
    }
    std::vector<unsigned char>& packed = zip->packed;
    const size_t bound = deflateBound(&stream, static_cast<uLong>(length));
    if (packed.size() < bound)
        packed.resize(bound);
    stream.next_in = reinterpret_cast<Bytef*>(input.data());
    stream.avail_in = static_cast<uInt>(length);
    stream.next_out = packed.data();
    stream.avail_out = static_cast<uInt>(packed.size());
    if (deflate(&stream, Z_FINISH) != Z_STREAM_END)
        return ZR_WRITE;
    const uInt packedLength = static_cast<uInt>(stream.total_out);

    zip_fileinfo info = {};
    SetEntryTime(info, &about.ftLastWriteTime);
    info.external_fa = about.dwFileAttributes & 0xFF;
    info.internal_fa = stream.data_type == Z_TEXT ? 1 : 0;  // the zip library's text flag
    const bool encrypt = !zip->password.empty();
    if (zipOpenNewFileInZip3_64(zip->file, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                Z_DEFAULT_COMPRESSION, 1, -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY,
                                encrypt ? zip->password.c_str() : nullptr, crc, 0) != ZIP_OK)
        return ZR_WRITE;
    int status = ZR_OK;
    if (packedLength != 0 && zipWriteInFileInZip(zip->file, packed.data(), packedLength) != ZIP_OK)
        status = ZR_WRITE;
    if (zipCloseFileInZipRaw64(zip->file, length, crc) != ZIP_OK && status == ZR_OK)
        status = ZR_WRITE;
    return status;
}

}  // namespace

HZIP CreateZip(const std::string& path, const std::string& password)
{
    zlib_filefunc64_def io = {OpenFile, ReadFileData, WriteFileData, TellFile, SeekFile, CloseFile, FileError, nullptr};
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

    if (size <= kWholeFile)
        return AddWhole(zip, name, source, about);

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
    if (zip->streamReady)
        deflateEnd(&zip->stream);
    delete zip;
    return status;
}

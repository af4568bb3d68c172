#include "ZipWriter.h"

#include "FileTree.h"
#include "FindFiles.h"
#include "WidePath.h"

#include <windows.h>

#include <libdeflate.h>
#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace {

const DWORD kChunk = 1 << 20;
// Files up to this size are read and deflated in one piece by a worker (libdeflate works on
// whole buffers); larger ones are streamed through zlib by the writing thread. A worker
// holds at most about twice this much.
const unsigned long long kInMemory = 8ull << 20;
// Compressed entries waiting for their turn to be written, at most: memory stays flat
// however many files are queued ahead of a slow one.
const size_t kWaitingBytes = 32u << 20;
const size_t kWaitingEntries = 256;
const int kLevel = 6;  // zlib's default level, as before
const unsigned long kUtf8Flag = 1 << 11;

std::atomic<unsigned long long> g_writeLimit{~0ull};
std::atomic<unsigned long long> g_written{0};

bool IsDiskFull(DWORD error)
{
    return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
}

// One file or folder on its way into the archive.
struct Entry {
    std::string name;  // as stored
    bool utf8 = false;
    bool folder = false;
    std::wstring wideName;
    std::wstring source;

    // Set by Prepare (on a worker, or on the calling thread for ZipAdd).
    bool ready = false;
    int status = ZR_OK;
    DWORD error = 0;
    HANDLE handle = INVALID_HANDLE_VALUE;  // the open source of a streamed entry
    BY_HANDLE_FILE_INFORMATION about = {};
    unsigned long long size = 0;
    bool streamed = false;
    uLong crc = 0;
    bool text = false;
    std::vector<unsigned char> packed;

    Entry() = default;
    Entry(const Entry&) = delete;
    Entry& operator=(const Entry&) = delete;
    ~Entry()
    {
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    }
};

// Scratch of one compressing thread, reused for every entry it handles.
struct Scratch {
    libdeflate_compressor* compressor = nullptr;
    std::vector<unsigned char> input, output;
    ~Scratch()
    {
        if (compressor != nullptr)
            libdeflate_free_compressor(compressor);
    }
};

}  // namespace

struct ZipArchive {
    zipFile file = nullptr;
    std::string password;
    int failure = ZR_OK;  // the first failure that ended the archive
    DWORD ioError = 0;    // the system's error of the archive's last failed write
    std::vector<char> buffer;  // read buffer of streamed entries
    Scratch own;  // for ZipAdd on the calling thread
    std::vector<ZipMiss> misses;

    // The pool: entries queued and not yet written, in order; workers take them from `next`.
    std::mutex lock;
    std::condition_variable wake;      // workers: an entry to take, room to hold it, or stop
    std::condition_variable finished;  // the writer: an entry is ready
    std::deque<std::shared_ptr<Entry>> queue;
    size_t next = 0;
    size_t waitingBytes = 0;
    bool stopping = false;
    std::vector<std::thread> threads;
};

namespace {

// The archive file behind a write buffer. The zip library writes each header field with
// its own call and goes back to patch sizes after every entry; through this buffer an
// archive of thousands of entries costs a few dozen writes instead of some twenty per entry.
// Patches that fall inside the buffer are made there.
struct BufferedFile {
    ZipArchive* owner = nullptr;
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
        if (g_written.load() + count > g_writeLimit.load()) {
            owner->ioError = ERROR_DISK_FULL;
            return false;
        }
        if (system != at) {
            LARGE_INTEGER to;
            to.QuadPart = static_cast<LONGLONG>(at);
            if (!SetFilePointerEx(handle, to, nullptr, FILE_BEGIN)) {
                owner->ioError = GetLastError();
                return false;
            }
        }
        DWORD written = 0;
        const bool ok = WriteFile(handle, bytes, count, &written, nullptr) && written == count;
        if (!ok)
            owner->ioError = GetLastError() != ERROR_SUCCESS ? GetLastError() : ERROR_DISK_FULL;
        g_written += written;
        system = at + written;
        return ok;
    }
    bool Flush()
    {
        if (length != 0 && !failed && !Put(start, data.data(), static_cast<DWORD>(length)))
            failed = true;
        length = 0;
        return !failed;
    }
};

voidpf ZCALLBACK OpenFile(voidpf opaque, const void* name, int mode)
{
    ZipArchive* owner = static_cast<ZipArchive*>(opaque);
    const bool create = (mode & ZLIB_FILEFUNC_MODE_CREATE) != 0;
    HANDLE handle = CreateFileW(static_cast<const wchar_t*>(name), create ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ,
                                create ? 0 : FILE_SHARE_READ, nullptr, create ? CREATE_ALWAYS : OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        owner->ioError = GetLastError();
        return nullptr;
    }
    BufferedFile* file = new BufferedFile;
    file->owner = owner;
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
    if (!closed && file->owner->ioError == 0)
        file->owner->ioError = GetLastError();
    delete file;
    return flushed && closed ? 0 : -1;
}

int ZCALLBACK FileError(voidpf, voidpf stream)
{
    return static_cast<BufferedFile*>(stream)->failed ? 1 : 0;
}

std::wstring Widen(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(length, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
    return wide;
}

std::string Narrow(const std::wstring& text, UINT codePage, bool* lossy)
{
    if (text.empty())
        return std::string();
    BOOL usedDefault = FALSE;
    const DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL* used = codePage == CP_UTF8 ? nullptr : &usedDefault;
    const int length =
        WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, used);
    std::string out(length, '\0');
    WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()), &out[0], length, nullptr, used);
    if (lossy != nullptr)
        *lossy = length == 0 || usedDefault;
    return out;
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

// The stored form of a wide name: as the narrow functions store it when the code page can
// hold it (plain ASCII always can), else UTF-8 with the flag.
void SetName(Entry& entry, const std::wstring& name)
{
    entry.wideName = name;
    bool lossy = false;
    std::string ansi = Narrow(name, CP_ACP, &lossy);
    if (!lossy && Widen(ansi) == name) {
        entry.name = EntryName(ansi);
        return;
    }
    entry.name = EntryName(Narrow(name, CP_UTF8, nullptr));
    entry.utf8 = true;
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

// The zip library's text flag, by zlib's rule: no control byte other than tab, line feed,
// carriage return (and a few harmless ones), and at least one printable byte.
bool LooksLikeText(const unsigned char* data, size_t length)
{
    const unsigned long blocked = 0xf3ffc07fUL;
    bool printable = false;
    for (size_t i = 0; i < length; ++i) {
        const unsigned char c = data[i];
        if (c < 32) {
            if (blocked & (1UL << c))
                return false;
            printable = printable || c == 9 || c == 10 || c == 13;
        } else {
            printable = true;
        }
    }
    return printable;
}

// Opens the source; reads and deflates it in one piece when it fits the in-memory bound,
// else leaves it open for the writer to stream.
void Prepare(Entry& entry, Scratch& scratch)
{
    HANDLE source = CreateFileW(entry.source.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (source == INVALID_HANDLE_VALUE) {
        entry.status = ZR_NOFILE;
        entry.error = GetLastError();
        return;
    }
    if (!GetFileInformationByHandle(source, &entry.about)) {
        entry.status = ZR_NOFILE;
        entry.error = GetLastError();
        CloseHandle(source);
        return;
    }
    entry.size = (static_cast<unsigned long long>(entry.about.nFileSizeHigh) << 32) | entry.about.nFileSizeLow;
    if (entry.size > kInMemory) {
        entry.handle = source;
        entry.streamed = true;
        return;
    }

    std::vector<unsigned char>& input = scratch.input;
    if (input.size() < entry.size + 1)
        input.resize(static_cast<size_t>(entry.size) + 1);
    size_t length = 0;
    for (;;) {  // to the end, in case the file grew since it was examined
        if (length == input.size())
            input.resize(input.size() * 2);
        DWORD got = 0;
        if (!ReadFile(source, input.data() + length, static_cast<DWORD>(input.size() - length), &got, nullptr)) {
            entry.status = ZR_READ;
            entry.error = GetLastError();
            CloseHandle(source);
            return;
        }
        if (got == 0)
            break;
        length += got;
    }
    CloseHandle(source);
    entry.size = length;
    entry.crc = libdeflate_crc32(0, input.data(), length);
    entry.text = LooksLikeText(input.data(), length);

    if (scratch.compressor == nullptr)
        scratch.compressor = libdeflate_alloc_compressor(kLevel);
    if (scratch.compressor == nullptr) {
        entry.status = ZR_READ;
        entry.error = ERROR_NOT_ENOUGH_MEMORY;
        return;
    }
    const size_t bound = libdeflate_deflate_compress_bound(scratch.compressor, length);
    if (scratch.output.size() < bound)
        scratch.output.resize(bound);
    const size_t packed =
        libdeflate_deflate_compress(scratch.compressor, input.data(), length, scratch.output.data(), bound);
    if (packed == 0) {  // cannot happen with the bound's room; never store a wrong entry
        entry.status = ZR_READ;
        entry.error = ERROR_INVALID_DATA;
        return;
    }
    entry.packed.assign(scratch.output.begin(), scratch.output.begin() + packed);
    // Large scratch buffers are not kept for the rest of the archive.
    if (scratch.input.size() > (4u << 20)) {
        std::vector<unsigned char>().swap(scratch.input);
        std::vector<unsigned char>().swap(scratch.output);
    }
}

int Fail(HZIP zip, int status)
{
    if (zip->failure == ZR_OK)
        zip->failure = status == ZR_WRITE && IsDiskFull(zip->ioError) ? ZR_DISKFULL : status;
    return zip->failure;
}

int OpenEntry(HZIP zip, const Entry& entry, const zip_fileinfo& info, int method, int raw, uLong crc, int zip64)
{
    const bool encrypt = method != 0 && !zip->password.empty();
    return zipOpenNewFileInZip4_64(zip->file, entry.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, method,
                                   method == 0 ? 0 : Z_DEFAULT_COMPRESSION, raw, -MAX_WBITS, DEF_MEM_LEVEL,
                                   Z_DEFAULT_STRATEGY, encrypt ? zip->password.c_str() : nullptr, crc, 0,
                                   entry.utf8 ? kUtf8Flag : 0, zip64);
}

int WriteFolder(HZIP zip, const Entry& entry)
{
    zip_fileinfo info = {};
    SetEntryTime(info, nullptr);
    info.external_fa = FILE_ATTRIBUTE_DIRECTORY;
    if (OpenEntry(zip, entry, info, 0, 0, 0, 0) != ZIP_OK)
        return Fail(zip, ZR_WRITE);
    return zipCloseFileInZip(zip->file) == ZIP_OK ? ZR_OK : Fail(zip, ZR_WRITE);
}

// An entry deflated in memory, stored raw: the CRC the encryption header needs is known.
int WritePacked(HZIP zip, const Entry& entry)
{
    zip_fileinfo info = {};
    SetEntryTime(info, &entry.about.ftLastWriteTime);
    info.external_fa = entry.about.dwFileAttributes & 0xFF;
    info.internal_fa = entry.text ? 1 : 0;
    if (OpenEntry(zip, entry, info, Z_DEFLATED, 1, entry.crc, 0) != ZIP_OK)
        return Fail(zip, ZR_WRITE);
    int status = ZR_OK;
    if (!entry.packed.empty() &&
        zipWriteInFileInZip(zip->file, entry.packed.data(), static_cast<unsigned>(entry.packed.size())) != ZIP_OK)
        status = ZR_WRITE;
    if (zipCloseFileInZipRaw64(zip->file, entry.size, entry.crc) != ZIP_OK)
        status = ZR_WRITE;
    return status == ZR_OK ? ZR_OK : Fail(zip, status);
}

// Bytes read, 0 at the end, -1 on error.
long ReadChunk(HANDLE source, std::vector<char>& buffer)
{
    DWORD got = 0;
    if (!ReadFile(source, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr))
        return -1;
    return static_cast<long>(got);
}

// A large entry, deflated by the zip library while it is read.
int WriteStreamed(HZIP zip, Entry& entry)
{
    std::vector<char>& buffer = zip->buffer;
    if (buffer.size() != kChunk)
        buffer.resize(kChunk);
    const bool encrypt = !zip->password.empty();
    uLong crc = crc32(0L, Z_NULL, 0);
    if (encrypt) {
        // The encryption header carries a check byte taken from the entry's CRC. Nothing is
        // written yet, so a source that cannot be read is still left out.
        for (long got; (got = ReadChunk(entry.handle, buffer)) != 0;) {
            if (got < 0) {
                entry.status = ZR_READ;
                entry.error = GetLastError();
                return ZR_READ;
            }
            crc = crc32(crc, reinterpret_cast<const Bytef*>(buffer.data()), static_cast<uInt>(got));
        }
        if (SetFilePointer(entry.handle, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
            entry.status = ZR_READ;
            entry.error = GetLastError();
            return ZR_READ;
        }
    }

    zip_fileinfo info = {};
    SetEntryTime(info, &entry.about.ftLastWriteTime);
    info.external_fa = entry.about.dwFileAttributes & 0xFF;
    if (OpenEntry(zip, entry, info, Z_DEFLATED, 0, crc, entry.size >= 0xFFFFFFFFull ? 1 : 0) != ZIP_OK)
        return Fail(zip, ZR_WRITE);
    int status = ZR_OK;
    for (long got; (got = ReadChunk(entry.handle, buffer)) != 0;) {
        if (got < 0) {
            // Part of the entry is in the archive already: it cannot be made whole.
            entry.status = ZR_READ;
            entry.error = GetLastError();
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
    CloseHandle(entry.handle);
    entry.handle = INVALID_HANDLE_VALUE;
    return status == ZR_OK ? ZR_OK : Fail(zip, status);
}

// Writes one prepared entry (on the calling thread: the zip library is not shared). A file
// that could not be read is left out and listed.
int WriteEntry(HZIP zip, Entry& entry)
{
    if (zip->failure != ZR_OK)
        return zip->failure;
    if (entry.folder)
        return WriteFolder(zip, entry);
    int status = entry.status;
    if (status == ZR_OK)
        status = entry.streamed ? WriteStreamed(zip, entry) : WritePacked(zip, entry);
    if (entry.status != ZR_OK)
        zip->misses.push_back({entry.wideName, entry.source, entry.status, entry.error});
    return status;
}

void WorkerLoop(HZIP zip)
{
    Scratch scratch;
    std::unique_lock<std::mutex> hold(zip->lock);
    for (;;) {
        zip->wake.wait(hold, [zip] {
            return zip->stopping || (zip->next < zip->queue.size() && zip->waitingBytes < kWaitingBytes);
        });
        if (zip->stopping)
            return;
        std::shared_ptr<Entry> entry = zip->queue[zip->next++];
        hold.unlock();
        if (!entry->folder)
            Prepare(*entry, scratch);
        hold.lock();
        entry->ready = true;
        zip->waitingBytes += entry->packed.size();
        zip->finished.notify_all();
    }
}

void StartWorkers(HZIP zip)
{
    if (!zip->threads.empty())
        return;
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const unsigned count = std::max<unsigned>(1, std::min<unsigned>(system.dwNumberOfProcessors, 8));
    for (unsigned i = 0; i < count; ++i)
        zip->threads.emplace_back(WorkerLoop, zip);
}

void StopWorkers(HZIP zip)
{
    {
        std::lock_guard<std::mutex> hold(zip->lock);
        zip->stopping = true;
    }
    zip->wake.notify_all();
    for (std::thread& thread : zip->threads)
        thread.join();
    zip->threads.clear();
}

// Writes the ready entries at the head of the queue; with `all`, waits for and writes
// every queued entry, else only until at most `keep` entries remain queued.
int WriteQueued(HZIP zip, bool all, size_t keep, void (*idle)(void*), void* context)
{
    for (;;) {
        std::shared_ptr<Entry> head;
        {
            std::unique_lock<std::mutex> hold(zip->lock);
            if (zip->queue.empty())
                break;
            const bool mustWait = all || zip->queue.size() > keep;
            if (!zip->queue.front()->ready) {
                if (!mustWait)
                    break;
                if (!zip->finished.wait_for(hold, std::chrono::milliseconds(100),
                                            [zip] { return zip->queue.front()->ready; })) {
                    hold.unlock();
                    if (idle != nullptr)
                        idle(context);
                    continue;
                }
            }
            head = zip->queue.front();
            zip->queue.pop_front();
            --zip->next;
            zip->waitingBytes -= head->packed.size();
        }
        zip->wake.notify_all();
        WriteEntry(zip, *head);
    }
    return zip->failure;
}

HZIP Open(const std::wstring& path, const std::string& password)
{
    HZIP zip = new ZipArchive;
    zlib_filefunc64_def io = {OpenFile, ReadFileData, WriteFileData, TellFile, SeekFile, CloseFile, FileError, zip};
    zip->file = zipOpen2_64(path.c_str(), APPEND_STATUS_CREATE, nullptr, &io);
    if (zip->file == nullptr) {
        const DWORD error = zip->ioError;
        delete zip;
        SetLastError(error);
        return nullptr;
    }
    zip->password = password;
    return zip;
}

int AddNow(HZIP zip, std::unique_ptr<Entry> entry)
{
    if (WriteQueued(zip, true, 0, nullptr, nullptr) != ZR_OK)
        return zip->failure;
    if (!entry->folder)
        Prepare(*entry, zip->own);
    return WriteEntry(zip, *entry);
}

int Queue(HZIP zip, std::shared_ptr<Entry> entry)
{
    if (zip->failure != ZR_OK)
        return zip->failure;
    StartWorkers(zip);
    {
        std::lock_guard<std::mutex> hold(zip->lock);
        zip->queue.push_back(std::move(entry));
    }
    zip->wake.notify_all();
    return WriteQueued(zip, false, kWaitingEntries, nullptr, nullptr) == ZR_OK ? ZR_OK : zip->failure;
}

}  // namespace

HZIP CreateZip(const std::string& path, const std::string& password)
{
    return Open(Widen(path), password);
}

HZIP CreateZip(const std::wstring& path, const std::string& password)
{
    return Open(path, password);
}

int ZipAdd(HZIP zip, const std::string& entryName, const std::string& sourcePath)
{
    std::unique_ptr<Entry> entry(new Entry);
    entry->name = EntryName(entryName);
    if (zip == nullptr || entry->name.empty())
        return ZR_ARGS;
    entry->wideName = Widen(entryName);
    entry->source = Widen(sourcePath);
    return AddNow(zip, std::move(entry));
}

int ZipAdd(HZIP zip, const std::wstring& entryName, const std::wstring& sourcePath)
{
    std::unique_ptr<Entry> entry(new Entry);
    SetName(*entry, entryName);
    if (zip == nullptr || entry->name.empty())
        return ZR_ARGS;
    entry->source = sourcePath;
    return AddNow(zip, std::move(entry));
}

namespace {

// A named folder entry ("name/") written at once.
int AddFolderNow(HZIP zip, std::unique_ptr<Entry> entry)
{
    if (zip == nullptr || entry->name.empty())
        return ZR_ARGS;
    if (entry->name.back() != '/')
        entry->name += '/';
    entry->folder = true;
    return AddNow(zip, std::move(entry));
}

}  // namespace

int ZipAddFolder(HZIP zip, const std::string& entryName)
{
    std::unique_ptr<Entry> entry(new Entry);
    entry->name = EntryName(entryName);
    return AddFolderNow(zip, std::move(entry));
}

int ZipAddFolder(HZIP zip, const std::wstring& entryName)
{
    std::unique_ptr<Entry> entry(new Entry);
    SetName(*entry, entryName);
    return AddFolderNow(zip, std::move(entry));
}

int ZipQueue(HZIP zip, const std::wstring& entryName, const std::wstring& sourcePath)
{
    std::shared_ptr<Entry> entry = std::make_shared<Entry>();
    SetName(*entry, entryName);
    if (zip == nullptr || entry->name.empty())
        return ZR_ARGS;
    entry->source = sourcePath;
    return Queue(zip, std::move(entry));
}

int ZipQueueFolder(HZIP zip, const std::wstring& entryName)
{
    std::shared_ptr<Entry> entry = std::make_shared<Entry>();
    SetName(*entry, entryName);
    if (zip == nullptr || entry->name.empty())
        return ZR_ARGS;
    if (entry->name.back() != '/')
        entry->name += '/';
    entry->folder = true;
    return Queue(zip, std::move(entry));
}

int ZipFlush(HZIP zip, std::vector<ZipMiss>* missed, void (*idle)(void*), void* context)
{
    if (zip == nullptr)
        return ZR_ARGS;
    const int status = WriteQueued(zip, true, 0, idle, context);
    if (missed != nullptr)
        missed->insert(missed->end(), zip->misses.begin(), zip->misses.end());
    zip->misses.clear();
    return status;
}

int CloseZip(HZIP zip)
{
    if (zip == nullptr)
        return ZR_ARGS;
    WriteQueued(zip, true, 0, nullptr, nullptr);
    StopWorkers(zip);
    const bool closed = zipClose(zip->file, nullptr) == ZIP_OK;
    if (!closed)
        Fail(zip, ZR_WRITE);
    const int status = zip->failure;
    delete zip;
    return status;
}

void ZipSetWriteLimit(unsigned long long bytes)
{
    g_written = 0;
    g_writeLimit = bytes;
}

namespace {

// The path as given while it fits the classic limit (so it is logged as the caller named
// it), else in its long-path form.
std::wstring Reachable(const std::wstring& path)
{
    return path.size() < MAX_PATH - 12 ? path : LongPath(path);
}

}  // namespace

bool ZipQueueTree(HZIP zip, const std::wstring& folder, size_t baseLength)
{
    FindFiles list(Reachable(folder));
    for (FoundEntry entry; list.Next(entry);) {
        // Links are not followed: they may lead outside the tree or round in a loop.
        if (entry.name[0] == L'.' || (entry.IsFolder() && entry.IsReparsePoint()))
            continue;
        PumpMessagesThrottled();
        const std::wstring full = folder + L"\\" + entry.name;
        const std::wstring name = full.substr(baseLength + 1);
        const bool going = entry.IsFolder() ? ZipQueueFolder(zip, name) == ZR_OK && ZipQueueTree(zip, full, baseLength)
                                            : ZipQueue(zip, name, Reachable(full)) == ZR_OK;
        if (!going)
            return false;
    }
    return true;
}

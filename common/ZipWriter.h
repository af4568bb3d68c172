#pragma once
// Minimal zip writer: deflate entries, folder entries, and traditional PKWARE encryption
// when a password is given. Entry names use "\" or "/" on input; the archive stores "/".
//
// Names: the narrow functions take names and paths in the ANSI code page and store the
// names byte for byte. The wide ones take any name: a name the code page can hold is stored
// as the narrow functions would store it, any other as UTF-8 with the zip format's UTF-8
// flag (general purpose bit 11); sources are opened by their wide path.
//
// Two ways to add a file: ZipAdd packs it before it returns; ZipQueue hands it to a pool of
// workers (one per core) that read and compress the next files while the archive is
// written, always in the order of the calls. Every write of the archive is checked: once
// one has failed, every later call returns that failure and CloseZip reports it too.
#include <string>
#include <vector>

struct ZipArchive;
typedef ZipArchive* HZIP;

enum ZipStatus {
    ZR_OK = 0,
    ZR_ARGS = 1,      // no handle, or an empty entry name
    ZR_NOFILE = 2,    // the source file cannot be opened
    ZR_READ = 3,      // the source file could not be read to its end
    ZR_WRITE = 4,     // the archive could not be written
    ZR_DISKFULL = 5,  // the archive could not be written: its disk is full
};

// Creates the archive file; nullptr when it cannot be created. An empty password means
// no encryption.
HZIP CreateZip(const std::string& path, const std::string& password);
HZIP CreateZip(const std::wstring& path, const std::string& password);
// Stores the bytes of `sourcePath` under `entryName`, deflated (and encrypted).
int ZipAdd(HZIP zip, const std::string& entryName, const std::string& sourcePath);
int ZipAdd(HZIP zip, const std::wstring& entryName, const std::wstring& sourcePath);
// Adds a folder entry ("name/").
int ZipAddFolder(HZIP zip, const std::string& entryName);
int ZipAddFolder(HZIP zip, const std::wstring& entryName);

// A queued file that could not be read: left out of the archive, which stays whole.
struct ZipMiss {
    std::wstring entryName;
    std::wstring sourcePath;
    int status;             // ZR_NOFILE or ZR_READ
    unsigned long error;    // the system's error code
};
// Queues a file, or a folder entry, behind the entries queued before it. ZR_OK once
// queued; ZR_ARGS; or the archive's earlier write failure (nothing is queued then).
int ZipQueue(HZIP zip, const std::wstring& entryName, const std::wstring& sourcePath);
int ZipQueueFolder(HZIP zip, const std::wstring& entryName);
// Queues the whole tree below `folder`, each folder's entry before its contents, every
// entry named by its path after the first `baseLength` characters (the top folder's
// path, which stays the same through the recursion); names beginning with "." and links
// are left out. False once the archive has failed (nothing more is queued then). A folder
// that cannot be listed adds nothing.
bool ZipQueueTree(HZIP zip, const std::wstring& folder, size_t baseLength);
// Writes every queued entry. Files that could not be opened or read are left out and
// appended to `missed`; a file above the in-memory size whose reading fails after its
// first bytes went into the archive cannot be left out any more and ends the archive
// with ZR_READ. `idle` (when given) is called about every tenth of a second of waiting.
int ZipFlush(HZIP zip, std::vector<ZipMiss>* missed, void (*idle)(void*) = nullptr, void* context = nullptr);

// Writes what is still queued and the central directory, closes the file and frees the
// handle. The file is closed also after a failure; removing it is the caller's choice.
int CloseZip(HZIP zip);

// Test seam: every archive write fails as on a full disk once `bytes` bytes have been
// written in this process (~0ull, the default: no limit).
void ZipSetWriteLimit(unsigned long long bytes);

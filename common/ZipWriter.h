#pragma once
// Minimal zip writer: deflate entries, folder entries, and traditional PKWARE encryption
// when a password is given. Entry names use "\" or "/" on input; the archive stores "/".
#include <string>

struct ZipArchive;
typedef ZipArchive* HZIP;

enum ZipStatus {
    ZR_OK = 0,
    ZR_ARGS = 1,     // no handle, or an empty entry name
    ZR_NOFILE = 2,   // the source file cannot be opened
    ZR_READ = 3,     // the source file could not be read to its end
    ZR_WRITE = 4,    // the archive could not be written
};

// Creates the archive file; nullptr when it cannot be created. An empty password means
// no encryption.
HZIP CreateZip(const std::string& path, const std::string& password);
// Stores the bytes of `sourcePath` under `entryName`, deflated (and encrypted).
int ZipAdd(HZIP zip, const std::string& entryName, const std::string& sourcePath);
// Adds a folder entry ("name/").
int ZipAddFolder(HZIP zip, const std::string& entryName);
// Writes the central directory, closes the file and frees the handle.
int CloseZip(HZIP zip);

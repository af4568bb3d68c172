#pragma once
// What a zip archive holds, read from its central directory only: entry names are stored
// in clear even when the contents are encrypted, so no password is needed.
#include <cstdint>
#include <string>
#include <vector>

struct ZipEntryInfo {
    std::string name;  // as stored ("/" between folders)
    uint32_t crc = 0;  // of the uncompressed bytes
    uint32_t size = 0; // uncompressed
};

// False when the file cannot be read or has no readable central directory (also for
// archives that need the 64-bit extensions, which a submission never makes).
bool ReadZipDirectory(const std::string& path, std::vector<ZipEntryInfo>& entries);

// CRC-32 of a file's bytes as zip archives store it; false when it cannot be read.
bool FileCrc32(const std::string& path, uint32_t& crc, uint32_t& size);

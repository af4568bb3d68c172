#pragma once
// Helpers shared by the tests: scratch folders, whole-file reads and writes, and running
// Linux tools (Wine starts ELF programs through CreateProcess) to check what we wrote.
#include <string>

namespace testing_support {

// A fresh, empty folder below the test's working folder, removed by the destructor.
class ScratchDir {
public:
    explicit ScratchDir(const std::string& name);
    ~ScratchDir();
    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "\\" + name; }

private:
    std::string m_path;
};

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
bool PathExists(const std::string& path);

// Absolute Windows path of a file below the source tree ("tests\\fixtures\\...").
std::string SourcePath(const std::string& relative);
// The Unix path Wine maps a Windows path to (for Linux tools).
std::string UnixPath(const std::string& windowsPath);

// Runs a Linux shell command line (paths in Unix form), waits for it (at most
// `timeoutMs`) and returns its exit code, -1 when it did not finish; its standard output
// and error go to `output` when given.
int RunHost(const std::string& shellCommand, std::string* output = nullptr, unsigned timeoutMs = 60000);

// A small tmpfs (mounted as root) that the prefix sees at `unixLink`, a path of the
// prefix's Unix side ("$WINEPREFIX/..." is expanded); removed again with the object.
// Mounted() is false (and Reason() says why) where mounting is not possible.
class SmallDisk {
public:
    SmallDisk(const std::string& unixLink, const std::string& size);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    bool Mounted() const { return m_mounted; }
    const std::string& Reason() const { return m_reason; }

private:
    std::string m_mount, m_link, m_reason;
    bool m_mounted = false;
};

}  // namespace testing_support

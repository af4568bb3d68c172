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

}  // namespace testing_support

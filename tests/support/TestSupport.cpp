#include "TestSupport.h"

#include "FileTree.h"

#include <windows.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace testing_support {

ScratchDir::ScratchDir(const std::string& name)
{
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    m_path = std::string(cwd) + "\\scratch\\" + name;
    DeleteFolder(m_path, false);
    MakeDirs(m_path);
}

ScratchDir::~ScratchDir()
{
    DeleteFolder(m_path, false);
}

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

bool PathExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string SourcePath(const std::string& relative)
{
    return std::string(TEST_SOURCE_DIR) + "\\" + relative;
}

std::string UnixPath(const std::string& windowsPath)
{
    std::string full = windowsPath;
    char buffer[MAX_PATH];
    if (GetFullPathNameA(windowsPath.c_str(), MAX_PATH, buffer, nullptr) != 0)
        full = buffer;
    // Z: is the root of the Unix file system; C: is the prefix's drive_c.
    std::string unix;
    if (full.size() >= 2 && (full[0] == 'Z' || full[0] == 'z') && full[1] == ':') {
        unix = full.substr(2);
    } else if (full.size() >= 2 && (full[0] == 'C' || full[0] == 'c') && full[1] == ':') {
        char prefix[MAX_PATH];
        GetEnvironmentVariableA("WINEPREFIX", prefix, MAX_PATH);
        unix = std::string(prefix) + "/drive_c" + full.substr(2);
    } else {
        unix = full;
    }
    for (char& c : unix)
        if (c == '\\')
            c = '/';
    return unix;
}

int RunHost(const std::string& shellCommand, std::string* output, unsigned timeoutMs)
{
    // Wine starts an ELF program through CreateProcess but cannot wait for it or read its
    // exit code, so the command runs inside a small script that leaves its output and exit
    // code in files; the exit-code file appears last (renamed into place).
    static int serial = 0;
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    const std::string base = std::string(cwd) + "\\host-run-" + std::to_string(GetCurrentProcessId()) + "-" +
                             std::to_string(++serial);
    const std::string script = base + ".sh", out = base + ".out", rc = base + ".rc";
    DeleteFileA(rc.c_str());
    WriteFileBytes(script, "(" + shellCommand + ") >'" + UnixPath(out) + "' 2>&1 </dev/null\necho $? >'" +
                               UnixPath(rc) + ".tmp'\nmv '" + UnixPath(rc) + ".tmp' '" + UnixPath(rc) + "'\n");

    STARTUPINFOA start = {};
    start.cb = sizeof start;
    PROCESS_INFORMATION process = {};
    std::string line = "/bin/sh " + UnixPath(script);
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &start, &process))
        return -1;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);

    int code = -1;
    for (unsigned waited = 0; waited < timeoutMs; waited += 20) {
        if (PathExists(rc)) {
            code = std::stoi(ReadFileBytes(rc));
            break;
        }
        Sleep(20);
    }
    if (output)
        *output = ReadFileBytes(out);
    DeleteFileA(script.c_str());
    DeleteFileA(out.c_str());
    DeleteFileA(rc.c_str());
    return code;
}

SmallDisk::SmallDisk(const std::string& unixLink, const std::string& size)
    : m_mount("/tmp/corvida-disk-" + std::to_string(GetCurrentProcessId()) + "-" +
              std::to_string(GetTickCount())),
      m_link("\"" + unixLink + "\"")
{
    m_mounted = RunHost("mkdir -p " + m_mount + " && mount -t tmpfs -o size=" + size + " tmpfs " + m_mount +
                            " && ln -sfn " + m_mount + " " + m_link,
                        &m_reason) == 0;
    if (!m_mounted) {
        RunHost("umount " + m_mount + " 2>/dev/null; rmdir " + m_mount);
        m_reason = "cannot mount a small file system here (needs root): " + m_reason;
    }
}

SmallDisk::~SmallDisk()
{
    if (m_mounted)
        RunHost("rm -f " + m_link + "; umount " + m_mount + "; rmdir " + m_mount);
}

}  // namespace testing_support

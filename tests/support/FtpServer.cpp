#include "FtpServer.h"

#include "FileTree.h"
#include "TestSupport.h"

#include <windows.h>

namespace testing_support {

namespace {

const char* ModeName(FtpServer::Mode mode)
{
    switch (mode) {
    case FtpServer::Mode::FolderMissing: return "missing";
    case FtpServer::Mode::LoginRefused: return "refuse";
    case FtpServer::Mode::ServerDown: return "down";
    case FtpServer::Mode::DropMidTransfer: return "drop";
    case FtpServer::Mode::StallMidTransfer: return "stall";
    case FtpServer::Mode::SlowLink: return "slow";
    case FtpServer::Mode::TruncateStored: return "truncate";
    case FtpServer::Mode::Normal: break;
    }
    return "normal";
}

}  // namespace

FtpServer::FtpServer(std::string address, Mode mode, std::vector<std::string> folders, unsigned lifetimeSeconds)
    : m_address(std::move(address)), m_mode(mode), m_folders(std::move(folders)), m_lifetime(lifetimeSeconds)
{
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    m_root = std::string(cwd) + "\\ftp-" + m_address;
    m_pidFile = m_root + ".pid";
}

FtpServer::~FtpServer()
{
    Stop();
    DeleteFolder(m_root, false);
}

bool FtpServer::Start()
{
    Stop();
    DeleteFolder(m_root, false);
    std::string folders;
    for (const std::string& folder : m_folders)
        folders += (folders.empty() ? "" : ",") + folder;
    const std::string command = "/usr/bin/python3 '" + UnixPath(SourcePath("tests\\support\\ftp_server.py")) +
                                "' --address " + m_address + " --root '" + UnixPath(m_root) + "' --mode " +
                                ModeName(m_mode) + " --folders '" + folders + "' --pid-file '" +
                                UnixPath(m_pidFile) + "' --lifetime " + std::to_string(m_lifetime);
    if (RunHost(command, nullptr, 30000) != 0)
        return false;
    m_running = m_mode != Mode::ServerDown;
    return !m_running || PathExists(m_pidFile);
}

void FtpServer::Stop()
{
    if (!m_running)
        return;
    m_running = false;
    // Kill, then wait (bounded) until the process has ended and so freed its address; an
    // ended process may stay a zombie for a while until the system reaps it.
    RunHost("pid=$(cat '" + UnixPath(m_pidFile) +
                "') && kill $pid; for i in $(seq 500); do "
                "s=$(sed -n 's/^State:[[:space:]]*\\([A-Z]\\).*/\\1/p' /proc/$pid/status 2>/dev/null); "
                "[ -z \"$s\" ] || [ \"$s\" = Z ] && break; sleep 0.02; done",
            nullptr, 15000);
    DeleteFileA(m_pidFile.c_str());
}

}  // namespace testing_support

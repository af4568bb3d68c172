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

VsftpdServer::VsftpdServer(std::string address, Setup setup, std::vector<std::string> folders,
                           unsigned lifetimeSeconds)
    : m_address(std::move(address)), m_setup(setup), m_folders(std::move(folders)), m_lifetime(lifetimeSeconds)
{
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    m_base = std::string(cwd) + "\\vsftpd-" + m_address;
    m_root = m_base + "\\ftp";
}

VsftpdServer::~VsftpdServer()
{
    Stop();
    DeleteFolder(m_base, false);
}

bool VsftpdServer::Start()
{
    Stop();
    DeleteFolder(m_base, false);
    const std::string base = UnixPath(m_base);
    std::string config =
        "listen=YES\nlisten_address=" + m_address + "\nlisten_port=21\nbackground=NO\n"
        "anonymous_enable=YES\nlocal_enable=NO\nno_anon_password=YES\nftp_username=ftp\n"
        "write_enable=YES\nanon_upload_enable=YES\nanon_umask=022\n"
        "anon_root=" + base + "/ftp\nsecure_chroot_dir=" + base + "/empty\n"
        "pasv_enable=YES\npasv_address=" + m_address + "\nconnect_from_port_20=NO\n"
        "seccomp_sandbox=NO\nisolate=NO\nisolate_network=NO\n"
        "xferlog_enable=YES\nlog_ftp_protocol=YES\nvsftpd_log_file=" + base + "/vsftpd.log\n";
    if (m_setup == Setup::DropBox)
        config += "cmds_denied=SIZE,LIST,NLST,MLSD,MLST,STAT,RETR,DELE,RNFR,RNTO\n"
                  "dirlist_enable=NO\ndownload_enable=NO\n";
    // The anonymous root stays root's and read-only (vsftpd insists); the upload folders
    // below it belong to the anonymous user.
    std::string script = "set -e\nbase='" + base + "'\nmkdir -p \"$base/ftp\" \"$base/empty\"\n"
                         "chmod 755 \"$base\" \"$base/ftp\" \"$base/empty\"\n";
    for (const std::string& folder : m_folders) {
        script += "mkdir -p \"$base/ftp/" + folder + "\"\n";
        script += "chown -R ftp \"$base/ftp/" + folder.substr(0, folder.find('/')) + "\"\n";
    }
    script += "cat > \"$base/vsftpd.conf\" <<'END'\n" + config + "END\n";
    // A lifetime, so that nothing outlives a crashed test; the process id is that of timeout,
    // which passes a kill on to the server.
    script += "setsid timeout " + std::to_string(m_lifetime) + " /usr/sbin/vsftpd \"$base/vsftpd.conf\" "
              ">\"$base/vsftpd.out\" 2>&1 </dev/null &\necho $! > \"$base/pid\"\n"
              "for i in $(seq 250); do\n"
              "  (exec 3<>/dev/tcp/" + m_address + "/21) 2>/dev/null && exit 0\n"
              "  kill -0 $(cat \"$base/pid\") 2>/dev/null || break\n"
              "  sleep 0.02\n"
              "done\ncat \"$base/vsftpd.out\"\nexit 1\n";
    const std::string scriptPath = m_base + "-start.sh";
    WriteFileBytes(scriptPath, script);
    m_running = true;  // from here on, Stop() has a process id to look for
    const int code = RunHost("/bin/bash '" + UnixPath(scriptPath) + "'", &m_startOutput, 30000);
    DeleteFileA(scriptPath.c_str());
    if (code != 0)
        Stop();
    return code == 0;
}

void VsftpdServer::Stop()
{
    if (!m_running)
        return;
    m_running = false;
    // As for FtpServer: kill, then wait (bounded) until the listener is gone.
    RunHost("pid=$(cat '" + UnixPath(m_base) + "/pid') && kill $pid; for i in $(seq 500); do "
            "s=$(sed -n 's/^State:[[:space:]]*\\([A-Z]\\).*/\\1/p' /proc/$pid/status 2>/dev/null); "
            "[ -z \"$s\" ] || [ \"$s\" = Z ] && break; sleep 0.02; done",
            nullptr, 15000);
}

std::string VsftpdServer::Log() const
{
    return ReadFileBytes(m_base + "\\vsftpd.log");
}

}  // namespace testing_support

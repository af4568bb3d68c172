#pragma once
// A loopback FTP server for tests (tests/support/ftp_server.py, pyftpdlib), started in the
// background through RunHost and stopped by Stop() or the destructor; the server also ends
// by itself after `lifetimeSeconds`, so nothing outlives a crashed test.
//
//   FtpServer server("127.0.0.10", FtpServer::Mode::Normal, {"incoming/reports"});
//   ASSERT_TRUE(server.Start());
//   ... upload to server.Address(), then read server.Root() + "\\incoming\\reports\\x.zip"
//
// Login is anonymous with write rights to Root(), port 21 on the given address: give each
// test its own 127.0.0.N from your area's range.
#include <string>
#include <vector>

namespace testing_support {

class FtpServer {
public:
    enum class Mode {
        Normal,           // `folders` are created below the root
        FolderMissing,    // the root stays empty: every remote folder is missing
        LoginRefused,     // every login is answered with 530
        ServerDown,       // nothing listens on the address
        DropMidTransfer,  // an upload's data and control connections are reset after 64 KiB
        StallMidTransfer, // an upload's data stops being read after 64 KiB, connections kept
        SlowLink,         // uploads are read at 80 kB/s through a small window
        TruncateStored,   // an upload is confirmed, but only its first half is kept
    };

    // `folders` use "/" between levels ("incoming/reports").
    FtpServer(std::string address, Mode mode = Mode::Normal, std::vector<std::string> folders = {},
              unsigned lifetimeSeconds = 120);
    ~FtpServer();
    FtpServer(const FtpServer&) = delete;
    FtpServer& operator=(const FtpServer&) = delete;

    // Makes a fresh, empty root and starts the server; returns once it listens (at once in
    // ServerDown mode). False when the server could not be started.
    bool Start();
    // Kills the server and waits until it is gone. Safe to call more than once.
    void Stop();

    const std::string& Address() const { return m_address; }
    // Windows path of the folder served as "/" (below the test's working folder).
    const std::string& Root() const { return m_root; }

private:
    std::string m_address;
    Mode m_mode;
    std::vector<std::string> m_folders;
    unsigned m_lifetime;
    std::string m_root;
    std::string m_pidFile;
    bool m_running = false;
};

// vsftpd, the system's own FTP server, run as root on a loopback address with its own
// configuration (port 21, anonymous login, passive mode), in the foreground of a process
// that ends by itself after `lifetimeSeconds`. Root() is the anonymous root, read-only to
// the client; the `folders` below it are the upload folders. Every command and answer
// goes to Log().
class VsftpdServer {
public:
    enum class Setup {
        OpenUpload,  // anonymous upload into `folders`; sizes and listings answered
        DropBox,     // write-only: SIZE, listings, downloads and deletions refused
    };

    VsftpdServer(std::string address, Setup setup, std::vector<std::string> folders = {},
                 unsigned lifetimeSeconds = 120);
    ~VsftpdServer();
    VsftpdServer(const VsftpdServer&) = delete;
    VsftpdServer& operator=(const VsftpdServer&) = delete;

    // Fresh folders and configuration, then the server; returns once it listens. False
    // when it could not be started (the reason is in StartOutput()).
    bool Start();
    void Stop();

    const std::string& Address() const { return m_address; }
    const std::string& Root() const { return m_root; }
    std::string Log() const;
    const std::string& StartOutput() const { return m_startOutput; }

private:
    std::string m_address;
    Setup m_setup;
    std::vector<std::string> m_folders;
    unsigned m_lifetime;
    std::string m_base;  // configuration, log, pid file and the anonymous root below it
    std::string m_root;
    std::string m_startOutput;
    bool m_running = false;
};

}  // namespace testing_support

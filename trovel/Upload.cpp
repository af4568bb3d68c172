// Anonymous, passive FTP upload of the run's archive to the support centre.
//
// The protocol is spoken here over plain sockets rather than through WinINet's FTP calls,
// because those cannot give what the upload needs: a store whose success is the server's
// completion reply, a bound on every wait (the platform's FTP time-out options are not
// applied to the data connection, and a blocked send there cannot be cancelled), and
// large sends at the speed of the line. The error texts stay the platform's own: the same
// WinINet error codes, worded by wininet.dll.
#include "Collector.h"
#include "Definitions.h"

#include "Fields.h"
#include "Text.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <wininet.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

const DWORD kBlockBytes = 1 << 20;  // one read of the archive, handed to the socket whole

// The system's text for an internet error (its line end dropped), followed by the server's
// last answer for the errors the server itself gave (a refused login says why).
std::string InternetErrorText(DWORD error, const std::string& answer)
{
    static HMODULE wininet = LoadLibraryA("wininet.dll");  // holds the texts; kept loaded
    char buffer[1025] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        wininet, error, 0, buffer, sizeof buffer - 1, nullptr);
    std::string text = Trim(std::string(buffer, length));
    if (text.empty())
        text = "Internet error " + std::to_string(error) + ".";
    if ((error == ERROR_INTERNET_EXTENDED_ERROR || error == ERROR_INTERNET_LOGIN_FAILURE) && !Trim(answer).empty())
        text += " " + Trim(answer);
    if (text.size() > 1024)
        text.resize(1024);
    return text;
}

// Waits until the socket can be written (or connected) or read; false after `ms` without.
bool WaitSocket(SOCKET s, bool write, unsigned ms)
{
    fd_set ready, failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(s, &ready);
    FD_SET(s, &failed);
    timeval limit = {static_cast<long>(ms / 1000), static_cast<long>(ms % 1000) * 1000};
    return select(0, write ? nullptr : &ready, write ? &ready : nullptr, &failed, &limit) > 0;
}

// A non-blocking socket connected to `address`; INVALID_SOCKET with `error` set otherwise.
SOCKET ConnectTo(const sockaddr_in& address, unsigned ms, DWORD& error)
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) {
        error = ERROR_INTERNET_CANNOT_CONNECT;
        return s;
    }
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    if (connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
        WSAGetLastError() != WSAEWOULDBLOCK) {
        closesocket(s);
        error = ERROR_INTERNET_CANNOT_CONNECT;
        return INVALID_SOCKET;
    }
    if (!WaitSocket(s, true, ms)) {
        closesocket(s);
        error = ERROR_INTERNET_TIMEOUT;
        return INVALID_SOCKET;
    }
    int status = 0, size = sizeof status;
    if (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&status), &size) != 0 || status != 0) {
        closesocket(s);
        error = ERROR_INTERNET_CANNOT_CONNECT;
        return INVALID_SOCKET;
    }
    return s;
}

enum class SendResult { Sent, Broken, TimedOut };

// Sends all of `data`, waiting at most `ms` for each bit of progress.
SendResult SendAll(SOCKET s, const char* data, size_t size, unsigned ms)
{
    while (size != 0) {
        const int piece = size > 0x40000000 ? 0x40000000 : static_cast<int>(size);
        const int sent = send(s, data, piece, 0);
        if (sent > 0) {
            data += sent;
            size -= static_cast<size_t>(sent);
        } else if (sent == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) {
            if (!WaitSocket(s, true, ms))
                return SendResult::TimedOut;
        } else {
            return SendResult::Broken;
        }
    }
    return SendResult::Sent;
}

// One anonymous FTP session: the control connection and what it last answered.
class FtpSession {
public:
    explicit FtpSession(unsigned stallMs) : m_stallMs(stallMs ? stallMs : 1) {}
    ~FtpSession() { Close(); }
    FtpSession(const FtpSession&) = delete;
    FtpSession& operator=(const FtpSession&) = delete;

    // Connects to port 21 of `server` and logs in anonymously; false with Error() set.
    bool Open(const std::string& server)
    {
        m_server = server;
        addrinfo hints = {}, *found = nullptr;
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        if (server.empty() || getaddrinfo(server.c_str(), "21", &hints, &found) != 0 || found == nullptr)
            return Fail(ERROR_INTERNET_NAME_NOT_RESOLVED);
        for (addrinfo* a = found; a != nullptr && m_control == INVALID_SOCKET; a = a->ai_next)
            m_control = ConnectTo(*reinterpret_cast<const sockaddr_in*>(a->ai_addr), m_stallMs, m_error);
        freeaddrinfo(found);
        if (m_control == INVALID_SOCKET)
            return false;
        m_error = 0;
        int code = Reply();
        while (code >= 100 && code < 200)  // "service ready in n minutes", then the greeting
            code = Reply();
        if (code != 220)
            return Fail(code == 0 ? m_error : ERROR_INTERNET_EXTENDED_ERROR);
        code = Command("USER anonymous");
        if (code == 331)
            code = Command("PASS anonymous");
        if (code != 230 && code != 202)
            return Fail(code == 0 ? m_error : ERROR_INTERNET_LOGIN_FAILURE);
        if (Command("TYPE I") / 100 != 2)
            return Fail(m_error ? m_error : ERROR_INTERNET_EXTENDED_ERROR);
        return true;
    }

    bool ChangeFolder(const std::string& folder)
    {
        if (Command("CWD " + folder) / 100 != 2)
            return false;
        m_folders.push_back(folder);
        return true;
    }

    // Stores the local file under `remote` in the current remote folder. It counts as
    // stored when the server has confirmed the transfer after the data and, where it can
    // tell the size, holds every byte. A failed store removes what reached the server.
    bool Store(const std::string& local, const std::string& remote)
    {
        HANDLE source = CreateFileA(local.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (source == INVALID_HANDLE_VALUE)
            return false;
        LARGE_INTEGER size = {};
        GetFileSizeEx(source, &size);
        bool started = false;
        const bool stored = Transfer(source, remote, started) && SizeMatches(remote, size.QuadPart);
        CloseHandle(source);
        if (!stored && started)
            RemovePartial(remote);
        return stored;
    }

    // The WinINet code of the last failure: 0 when the server answered but refused.
    DWORD Error() const { return m_error; }
    const std::string& Answer() const { return m_answer; }

    void Close()
    {
        if (m_control == INVALID_SOCKET)
            return;
        // Polite, but not waited for: the server ends the session either way.
        SendAll(m_control, "QUIT\r\n", 6, m_stallMs);
        closesocket(m_control);
        m_control = INVALID_SOCKET;
    }

private:
    bool Fail(DWORD error)
    {
        m_error = error;
        return false;
    }

    // Sends one command line and returns the code of its final reply; 0 when the control
    // connection broke or timed out (Error() says which).
    int Command(const std::string& line)
    {
        if (m_control == INVALID_SOCKET)
            return 0;
        const std::string text = line + "\r\n";
        switch (SendAll(m_control, text.data(), text.size(), m_stallMs)) {
        case SendResult::Sent: return Reply();
        case SendResult::TimedOut: return Broken(ERROR_INTERNET_TIMEOUT);
        case SendResult::Broken: break;
        }
        return Broken(ERROR_INTERNET_CONNECTION_ABORTED);
    }

    // Reads one reply, all its lines; returns its code (0 as for Command).
    int Reply()
    {
        std::string first;
        for (;;) {
            std::string line;
            if (!ReadLine(line))
                return 0;
            if (line.size() < 3 || !isdigit(static_cast<unsigned char>(line[0])) ||
                !isdigit(static_cast<unsigned char>(line[1])) || !isdigit(static_cast<unsigned char>(line[2])))
                continue;  // a middle line of a multi-line reply
            if (first.empty())
                first = line.substr(0, 3);
            // A reply ends with the line that repeats its code followed by a blank.
            if (line.compare(0, 3, first) == 0 && (line.size() == 3 || line[3] == ' ')) {
                m_answer = line;
                return std::atoi(first.c_str());
            }
        }
    }

    bool ReadLine(std::string& line)
    {
        for (;;) {
            const size_t end = m_received.find('\n');
            if (end != std::string::npos) {
                line = m_received.substr(0, end);
                m_received.erase(0, end + 1);
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                return true;
            }
            if (m_received.size() > 64 * 1024)
                return Broken(ERROR_INTERNET_CONNECTION_ABORTED) != 0;  // not an FTP server
            char buffer[4096];
            const int got = recv(m_control, buffer, sizeof buffer, 0);
            if (got > 0) {
                m_received.append(buffer, static_cast<size_t>(got));
            } else if (got == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) {
                if (!WaitSocket(m_control, false, m_stallMs))
                    return Broken(ERROR_INTERNET_TIMEOUT) != 0;
            } else {
                return Broken(ERROR_INTERNET_CONNECTION_ABORTED) != 0;
            }
        }
    }

    // The control connection is of no further use.
    int Broken(DWORD error)
    {
        m_error = error;
        if (m_control != INVALID_SOCKET)
            closesocket(m_control);
        m_control = INVALID_SOCKET;
        return 0;
    }

    // PASV, data connection, STOR, the data, then the server's completion reply.
    // `started` tells whether the server accepted the STOR (so a file may exist there).
    bool Transfer(HANDLE source, const std::string& remote, bool& started)
    {
        if (Command("PASV") != 227)
            return false;
        // Data goes to the address of the control connection: the one announced may be a
        // private address behind the server's gateway.
        sockaddr_in data = {};
        int length = sizeof data;
        // "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)"; the brackets are not required.
        unsigned n[6] = {};
        const char* numbers = m_answer.c_str() + 3;
        while (*numbers != '\0' && !isdigit(static_cast<unsigned char>(*numbers)))
            ++numbers;
        if (getpeername(m_control, reinterpret_cast<sockaddr*>(&data), &length) != 0 ||
            std::sscanf(numbers, "%u,%u,%u,%u,%u,%u", &n[0], &n[1], &n[2], &n[3], &n[4], &n[5]) != 6 ||
            n[4] > 255 || n[5] > 255)
            return false;
        data.sin_port = htons(static_cast<u_short>(n[4] * 256 + n[5]));
        DWORD error = 0;
        SOCKET channel = ConnectTo(data, m_stallMs, error);
        if (channel == INVALID_SOCKET)
            return Fail(error == ERROR_INTERNET_TIMEOUT ? error : 0);
        const int code = Command("STOR " + remote);
        started = code == 125 || code == 150;
        if (!started) {
            closesocket(channel);
            return false;
        }

        std::vector<char> block(kBlockBytes);
        const ULONGLONG sendingSince = GetTickCount64();
        SendResult sent = SendResult::Sent;
        for (;;) {
            DWORD got = 0;
            if (!ReadFile(source, block.data(), kBlockBytes, &got, nullptr)) {
                sent = SendResult::Broken;
                break;
            }
            if (got == 0)
                break;  // end of the file
            sent = SendAll(channel, block.data(), got, m_stallMs);
            if (sent != SendResult::Sent)
                break;
        }
        if (sent != SendResult::Sent) {
            closesocket(channel);
            return Fail(sent == SendResult::TimedOut ? ERROR_INTERNET_TIMEOUT : 0);
        }
        // End of data: the server reads to the end and confirms on the control connection.
        shutdown(channel, SD_SEND);
        closesocket(channel);
        // What the buffers on the way still hold reaches the server in at most about the
        // time the sending took, so the reply may take that much longer than a bare answer.
        const unsigned stall = m_stallMs;
        const ULONGLONG sending = GetTickCount64() - sendingSince;
        m_stallMs += sending < 0x7fffffffu - stall ? static_cast<unsigned>(sending) : 0;
        const int done = Reply();
        m_stallMs = stall;
        if (done == 0)
            return Fail(m_error == ERROR_INTERNET_TIMEOUT ? m_error : 0);
        return done == 226 || done == 250;
    }

    // False only when the server tells a size other than the local one: a server that
    // does not answer SIZE (a write-only drop box) has already confirmed the transfer.
    bool SizeMatches(const std::string& remote, long long size)
    {
        if (Command("SIZE " + remote) != 213)
            return true;
        char* end = nullptr;
        const char* digits = m_answer.c_str() + 4;
        const unsigned long long told = std::strtoull(digits, &end, 10);
        return end == digits || told == static_cast<unsigned long long>(size);
    }

    // Deletes what a failed store left on the server, where the server allows it; over a
    // fresh session when the transfer broke the control connection (the break may show
    // only at the next command). A link that timed out gets no second session: it would
    // only wait again.
    void RemovePartial(const std::string& remote)
    {
        const DWORD error = m_error;
        if (m_control != INVALID_SOCKET) {
            const int code = Command("DELE " + remote);
            if (code == 226 || code == 426 || code == 451 || code == 552)
                Reply();  // that was the end of the transfer; the answer to DELE follows
        }
        if (m_control == INVALID_SOCKET && error != ERROR_INTERNET_TIMEOUT && m_error != ERROR_INTERNET_TIMEOUT) {
            FtpSession again(m_stallMs);
            bool there = again.Open(m_server);
            for (size_t i = 0; there && i < m_folders.size(); ++i)
                there = again.ChangeFolder(m_folders[i]);
            if (there)
                again.Command("DELE " + remote);
        }
        m_error = error;
    }

    unsigned m_stallMs;
    std::string m_server;
    SOCKET m_control = INVALID_SOCKET;
    std::string m_received;  // read from the control connection, not yet taken as lines
    std::string m_answer;    // final line of the last reply
    DWORD m_error = 0;
    std::vector<std::string> m_folders;  // folders changed into, in order
};

// Winsock for the length of one upload.
class SocketLibrary {
public:
    SocketLibrary()
    {
        WSADATA data;
        m_ok = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    ~SocketLibrary()
    {
        if (m_ok)
            WSACleanup();
    }
    SocketLibrary(const SocketLibrary&) = delete;
    SocketLibrary& operator=(const SocketLibrary&) = delete;

private:
    bool m_ok = false;
};

}  // namespace

int CTrovelCollector::UploadArchive(std::string& result)
{
    CTrovelDefinitions& definitions = m_defs;
    auto fail = [&](const std::string& text) {
        result = text;
        definitions.AskUser(result, MB_ICONERROR, m_bUnattended ? 0 : 1, 0);
        return 0;
    };

    SocketLibrary sockets;
    FtpSession session(m_nFtpStallMs);
    std::string target;
    const bool pathForm = definitions.ReadProfile(m_strConfigFile, "CONFIGURATION", "FTP Path", target) != 0;
    if (!pathForm)
        definitions.ReadProfile(m_strConfigFile, "CONFIGURATION", "FTP Server", target);
    const std::string configured = target;
    auto internetError = [&] { return fail("FTP ERROR !!!  " + InternetErrorText(session.Error(), session.Answer()) + "\n"); };

    std::string fields = pathForm ? target + "\\" : target;
    std::string field;
    if (!session.Open(FieldOf(fields, 0, field, '\\')))
        return internetError();

    bool changed = false;
    if (pathForm) {
        // Folder by folder, each relative to the one before; the last change counts.
        for (int i = 1; !FieldOf(fields, i, field, '\\').empty(); ++i)
            changed = session.ChangeFolder(field);
    } else {
        session.ChangeFolder("Output");  // may be missing: the folder is then below the login folder
        changed = session.ChangeFolder(FieldOf(fields, 1, field, '\\'));
    }
    if (!changed && session.Error() != 0)
        return internetError();  // the connection broke or timed out, not a missing folder
    if (!changed)
        return fail(" FTP Server path '\\" + configured + "' cannot be found\n");

    if (!session.Store(m_strZipPath, m_strMachineId + "_" + m_strStamp + ".zip")) {
        if (session.Error() == ERROR_INTERNET_TIMEOUT)
            return internetError();
        return fail(" FTP Server path '\\" + configured + "' Fails to Upload File \n");
    }
    return 1;
}

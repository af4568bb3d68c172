// Anonymous, passive FTP upload of the run's archive to the support centre.
#include "Collector.h"
#include "Definitions.h"

#include "Fields.h"
#include "Text.h"

#include <wininet.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

const DWORD kBlockBytes = 1 << 20;

// The system's text for an internet error (its line end dropped), followed by the server's
// last answer when there is one (a refused login says why).
std::string InternetErrorText(DWORD error)
{
    char buffer[1025] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        GetModuleHandleA("wininet.dll"), error, 0, buffer, sizeof buffer - 1, nullptr);
    std::string text = Trim(std::string(buffer, length));
    if (text.empty())
        text = "Internet error " + std::to_string(error) + ".";
    // Only errors that the server itself gave carry its answer; for others the last answer
    // on this thread may be an older one.
    DWORD code = 0, size = sizeof buffer - 1;
    buffer[0] = '\0';
    if ((error == ERROR_INTERNET_EXTENDED_ERROR || error == ERROR_INTERNET_LOGIN_FAILURE) &&
        InternetGetLastResponseInfoA(&code, buffer, &size) && size != 0) {
        const std::string answer = Trim(std::string(buffer, size < sizeof buffer ? size : sizeof buffer - 1));
        if (!answer.empty())
            text += " " + answer;
    }
    if (text.size() > 1024)
        text.resize(1024);
    return text;
}

// The internet access object and its FTP connection, closed in every case.
class FtpSession {
public:
    FtpSession() : m_internet(InternetOpenA("FTP", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0)) {}
    ~FtpSession()
    {
        if (m_connection != nullptr)
            InternetCloseHandle(m_connection);
        if (m_internet != nullptr)
            InternetCloseHandle(m_internet);
    }
    FtpSession(const FtpSession&) = delete;
    FtpSession& operator=(const FtpSession&) = delete;

    // False with `error` set when the access object or the login failed.
    bool Connect(const std::string& server, std::string& error)
    {
        if (m_internet == nullptr) {
            error = InternetErrorText(GetLastError());
            return false;
        }
        m_connection = InternetConnectA(m_internet, server.c_str(), INTERNET_DEFAULT_FTP_PORT, "anonymous",
                                        "anonymous", INTERNET_SERVICE_FTP, INTERNET_FLAG_PASSIVE, 1);
        if (m_connection == nullptr) {
            error = InternetErrorText(GetLastError());
            return false;
        }
        return true;
    }
    bool ChangeFolder(const std::string& folder) { return FtpSetCurrentDirectoryA(m_connection, folder.c_str()) != FALSE; }
    // Binary store of one file in the current remote folder. The file goes out in large
    // blocks: the platform's one-call store sends it in small pieces, far below the speed
    // of the line.
    bool Store(const std::string& local, const std::string& remote)
    {
        HANDLE source = CreateFileA(local.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (source == INVALID_HANDLE_VALUE)
            return false;
        LARGE_INTEGER size = {};
        GetFileSizeEx(source, &size);
        HINTERNET target = FtpOpenFileA(m_connection, remote.c_str(), GENERIC_WRITE, FTP_TRANSFER_TYPE_BINARY, 1);
        bool stored = target != nullptr;
        std::vector<char> block(kBlockBytes);
        while (stored) {
            DWORD got = 0;
            if (!ReadFile(source, block.data(), kBlockBytes, &got, nullptr)) {
                stored = false;
                break;
            }
            if (got == 0)
                break;  // end of the file
            for (DWORD sent = 0, done = 0; stored && done < got; done += sent)
                stored = InternetWriteFile(target, block.data() + done, got - done, &sent) && sent != 0;
        }
        if (target != nullptr && !InternetCloseHandle(target))
            stored = false;
        CloseHandle(source);
        // Closing the transfer does not always report a connection that broke after the
        // last block was handed over: the file counts as stored once the server lists it
        // at its full size.
        return stored && RemoteSize(remote) == static_cast<unsigned long long>(size.QuadPart);
    }

private:
    // Size of a file in the current remote folder; all ones when it cannot be had. The
    // SIZE command answers on the control connection in a few milliseconds; a listing, for
    // servers without it, opens a data connection and takes some forty.
    unsigned long long RemoteSize(const std::string& remote)
    {
        if (FtpCommandA(m_connection, FALSE, FTP_TRANSFER_TYPE_BINARY, ("SIZE " + remote).c_str(), 0, nullptr)) {
            char answer[256] = {};
            DWORD code = 0, length = sizeof answer - 1;
            // Read only after a command that succeeded: otherwise the last answer is an older one.
            if (InternetGetLastResponseInfoA(&code, answer, &length) && std::strncmp(answer, "213 ", 4) == 0) {
                char* end = nullptr;
                const unsigned long long size = std::strtoull(answer + 4, &end, 10);
                if (end != answer + 4)
                    return size;
            }
        }
        WIN32_FIND_DATAA found = {};
        HINTERNET search = FtpFindFirstFileA(m_connection, remote.c_str(), &found, INTERNET_FLAG_RELOAD, 1);
        if (search == nullptr)
            return ~0ull;
        InternetCloseHandle(search);
        return (static_cast<unsigned long long>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    }

    HINTERNET m_internet;
    HINTERNET m_connection = nullptr;
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

    FtpSession session;
    std::string target;
    const bool pathForm = definitions.ReadProfile(m_strConfigFile, "CONFIGURATION", "FTP Path", target) != 0;
    if (!pathForm)
        definitions.ReadProfile(m_strConfigFile, "CONFIGURATION", "FTP Server", target);
    const std::string configured = target;

    std::string fields = pathForm ? target + "\\" : target;
    std::string field, error;
    if (!session.Connect(FieldOf(fields, 0, field, '\\'), error))
        return fail("FTP ERROR !!!  " + error + "\n");

    bool changed = false;
    if (pathForm) {
        // Folder by folder, each relative to the one before; the last change counts.
        for (int i = 1; !FieldOf(fields, i, field, '\\').empty(); ++i)
            changed = session.ChangeFolder(field);
    } else {
        session.ChangeFolder("Output");  // may be missing: the folder is then below the login folder
        changed = session.ChangeFolder(FieldOf(fields, 1, field, '\\'));
    }
    if (!changed)
        return fail(" FTP Server path '\\" + configured + "' cannot be found\n");

    if (!session.Store(m_strZipPath, m_strMachineId + "_" + m_strStamp + ".zip"))
        return fail(" FTP Server path '\\" + configured + "' Fails to Upload File \n");
    return 1;
}

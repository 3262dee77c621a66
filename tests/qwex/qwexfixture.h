// A management HTTP server in a temporary machine for the library's tests:
// free loopback ports, a page folder, a test extension and client helpers.
#ifndef TSM_TESTS_QWEXFIXTURE_H
#define TSM_TESTS_QWEXFIXTURE_H

#include "tempmachine.h"

#include <ZyrQWEX.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

namespace tsmtest {

inline sockaddr_in loopback(unsigned port)
{
    return sockaddr_in{AF_INET, htons(static_cast<uint16_t>(port)), {htonl(INADDR_LOOPBACK)}, {}};
}

// A socket bound to a free loopback port, and that port.
inline int boundSocket(unsigned& port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return fd;
}

// A loopback port that was free a moment ago.
inline unsigned freePort()
{
    unsigned port = 0;
    ::close(boundSocket(port));
    return port;
}

// A socket that asks to share the port (SO_REUSEPORT) and listens on it; -1
// when the port cannot be had.
inline int sharingListener(unsigned port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEPORT, &on, sizeof on);
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    const sockaddr_in address = loopback(port);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 && ::listen(fd, 4) == 0)
        return fd;
    ::close(fd);
    return -1;
}

// A socket connected to a loopback port, or -1.
inline int connectTo(unsigned port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in address = loopback(port);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
        return fd;
    ::close(fd);
    return -1;
}

inline void writeFile(const std::string& path, const std::string& content)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

struct Fetched {
    DWORD result = 0, status = 0, state = 0;
    std::string body;
    int calls = 0;
};

inline BOOL WINAPI collectResponse(QWEX_CLIENT_REQUEST request)
{
    auto* into = static_cast<Fetched*>(QWEXClientGetUserObject(request));
    ++into->calls;
    into->status = QWEXClientStatus(request);
    into->state = QWEXClientState(request);
    DWORD length = 0;
    const char* data = QWEXClientCacheBuffer(request, &length);
    into->body.assign(data ? data : "", length);
    return TRUE;
}

inline Fetched fetch(QWEX_HANDLE server, const std::string& url)
{
    Fetched fetched;
    fetched.result = QWEXClientGetUrl(server, url.c_str(), &collectResponse, &fetched);
    return fetched;
}

// The start-up record as the agent fills it.
inline QWEX_STARTUP_INFO startupRecord(const char* modulePath = "C:\\TARVION\\BIN\\./")
{
    QWEX_STARTUP_INFO record{};
    QWEXPutLE32(record.cbSize, QWEX_STARTUP_INFO_SIZE);
    QWEXPutLE32(record.dwFormat, 2);
    std::strcpy(record.szProductInfo, "MarketingName:Tarvion Storage Manager");
    std::strcpy(record.szModulePath, modulePath);
    return record;
}

// A machine whose server listens on free ports, with extension pages in
// C:\TARVION\html (registered as "C:\TARVION\BIN\../html").
class QwexMachine {
public:
    explicit QwexMachine(const std::string& extraConfig = std::string())
        : m_httpPort(freePort()), m_httpsPort(freePort())
    {
        std::filesystem::create_directories(m_machine.driveC() + "/TARVION/BIN");
        std::filesystem::create_directories(pageFolder());
        writeFile(serverFolder() + "/qwex.conf", "http_port = " + std::to_string(m_httpPort) +
                                                     "\nhttps_port = " + std::to_string(m_httpsPort) +
                                                     "\nclient_timeout_ms = 3000\n" + extraConfig);
    }

    std::string serverFolder() const { return m_machine.driveC() + "/qwex"; }
    std::string pageFolder() const { return m_machine.driveC() + "/TARVION/html"; }
    std::string http(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(m_httpPort) + path; }
    std::string https(const std::string& path) const
    {
        return "https://127.0.0.1:" + std::to_string(m_httpsPort) + path;
    }
    unsigned httpPort() const { return m_httpPort; }
    unsigned httpsPort() const { return m_httpsPort; }

private:
    TempMachine m_machine;
    unsigned m_httpPort;
    unsigned m_httpsPort;
};

inline BOOL WINAPI acceptVersion(QWEX_VERSION_INFO* version)
{
    version->dwExtensionVersion = 1;
    return TRUE;
}
inline BOOL WINAPI acceptTerminate(DWORD)
{
    return TRUE;
}

// The extension record as the agent fills it, with the given callbacks.
inline QWEX_EXTENSION_INFO extensionRecord(const char* root, PFN_QWEX_GET_VERSION version,
                                           PFN_QWEX_HTTP_EXTENSION_PROC request, PFN_QWEX_TERMINATE terminate,
                                           const char* pageDirectory = "C:\\TARVION\\BIN\\../html")
{
    static const QWEX_DESCRIPTION kDescriptions[] = {{sizeof(QWEX_DESCRIPTION), "ENG", "Configure"}, {}};
    static const QWEX_CATEGORY kCategories[] = {{sizeof(QWEX_CATEGORY), "GENERIC", 2, kDescriptions, 4, 4}, {}};
    QWEX_EXTENSION_INFO record{};
    record.cbSize = QWEX_EXTENSION_INFO_SIZE;
    std::strcpy(record.szUrlRoot, root);
    std::strcpy(record.szPageDirectory, pageDirectory);
    record.dwDescriptionFormat = 2;
    record.pHeaderDescriptions = kDescriptions;
    record.dwCategoryFormat = 2;
    record.pCategories = kCategories;
    record.pfnGetVersion = version;
    record.pfnHttpExtensionProc = request;
    record.pfnTerminate = terminate;
    return record;
}

// A started server (null when it could not start), shut down at the end;
// with a request callback, an extension "/VXA" registered on it.
class QwexServer {
public:
    explicit QwexServer(PFN_QWEX_HTTP_EXTENSION_PROC request = nullptr, PFN_QWEX_GET_VERSION version = &acceptVersion,
                        PFN_QWEX_TERMINATE terminate = &acceptTerminate)
    {
        const QWEX_STARTUP_INFO startup = startupRecord();
        QWEXStartupHTTPServer(&startup, &m_server);
        QWEXSetIsapiStackSize(m_server, 128000);
        const QWEX_EXTENSION_INFO record = extensionRecord("/VXA", version, request, terminate);
        m_registered = request ? QWEXRegisterIsapiExtension(m_server, &record) : m_registered;
    }
    ~QwexServer() { stop(); }
    void stop()
    {
        if (m_server)
            QWEXShutdownHTTPServer(std::exchange(m_server, nullptr));
    }
    QWEX_HANDLE handle() const { return m_server; }
    DWORD registered() const { return m_registered; }

private:
    QWEX_HANDLE m_server = nullptr;
    DWORD m_registered = 99;
};

// What the agent's request callback does: the requested page goes back to
// the server with a tag handler table.
inline DWORD servePageWith(EXTENSION_CONTROL_BLOCK* block, const QWEX_TAG_HANDLER* tags)
{
    char path[260] = {};
    std::strncpy(path, block->lpszPathTranslated, sizeof path - 1);
    DWORD length = static_cast<DWORD>(std::strlen(path));
    block->ServerSupportFunction(block->ConnID, QWEX_REQ_SERVE_PAGE, const_cast<QWEX_TAG_HANDLER*>(tags), &length,
                                 reinterpret_cast<LPDWORD>(path));
    return HSE_STATUS_SUCCESS;
}

// Sends all of text on a connected socket.
inline bool sendAll(int fd, const std::string& text)
{
    size_t sent = 0;
    ssize_t n = 0;
    while (fd >= 0 && sent < text.size() && (n = ::send(fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL)) > 0)
        sent += static_cast<size_t>(n);
    return fd >= 0 && sent == text.size();
}

// What arrives on a socket up to the end of the answer's head ("" if nothing).
inline std::string receiveHead(int fd)
{
    std::string answer;
    char buffer[512];
    ssize_t n = 0;
    while (fd >= 0 && answer.find("\r\n\r\n") == std::string::npos && (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0)
        answer.append(buffer, static_cast<size_t>(n));
    return answer.substr(0, answer.find("\r\n\r\n"));
}

// Raw request text sent to a port; the head of the answer ("" if none).
inline std::string rawHead(unsigned port, const std::string& request)
{
    const int fd = connectTo(port);
    const std::string head = sendAll(fd, request) ? receiveHead(fd) : std::string();
    if (fd >= 0)
        ::close(fd);
    return head;
}

// A GET of target that closes the connection, other header lines before that.
inline std::string getRequest(const std::string& target, const std::string& host = "127.0.0.1",
                              const std::string& headers = std::string())
{
    return "GET " + target + " HTTP/1.1\r\nHost: " + host + "\r\n" + headers + "Connection: close\r\n\r\n";
}

// A page that answers "ok", counting the pages it ran.
inline std::atomic<int> g_okPages{0};
inline DWORD WINAPI answerOk(EXTENSION_CONTROL_BLOCK* block)
{
    ++g_okPages;
    DWORD length = 2;
    block->WriteClient(block->ConnID, const_cast<char*>("ok"), &length, 0);
    return HSE_STATUS_SUCCESS;
}

// Raw request text sent to a port; the status line of the answer ("" if none).
inline std::string rawStatusLine(unsigned port, const std::string& request)
{
    const std::string head = rawHead(port, request);
    return head.substr(0, head.find("\r\n"));
}

} // namespace tsmtest

#endif

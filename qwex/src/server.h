// The management HTTP server: HTTP and HTTPS listeners on libmicrohttpd, the
// static web applications, the registered extensions and their request threads.
#ifndef QWEX_SERVER_H
#define QWEX_SERVER_H

#include "accesslog.h"
#include "certificate.h"
#include "client.h"
#include "config.h"
#include "extension.h"
#include "pendingpage.h"
#include "requestpool.h"
#include "uniquefd.h"

#include <ZyrQWEX.h>
#include <microhttpd.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <shared_mutex>
#include <string>
#include <vector>

namespace qwex {

struct Connection;

// Why the server did not start.
struct StartFailure {
    std::string message;
    bool portInUse = false; // another process holds a listening port
};

class Server {
public:
    // Reads the configuration in directory (a host path), makes the certificate
    // if needed and opens the listeners. Null with a message on failure.
    static std::unique_ptr<Server> start(const std::string& directory, StartFailure& failure);
    Server(std::string directory, ServerConfig config);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    void setStackSize(size_t bytes) { m_requestThreads.setStackSize(bytes); }
    DWORD registerExtension(const QWEX_EXTENSION_INFO& record);
    // Stops accepting, lets requests in flight finish, stops the listeners and
    // calls the termination callbacks.
    void shutdown();

    const ServerConfig& config() const { return m_config; }
    const std::string& certificatePath() const { return m_certificate.certificatePath; }
    // A secret of this server's process: the server's own client sends it with
    // requests to the server's listeners, so that a page's request for another
    // application's page never waits behind the pages that wait for it.
    const std::string& internalToken() const { return m_internalToken; }
    // The base URLs ("http://127.0.0.1:2301/") under which the server's own
    // client reaches its listeners.
    const std::vector<std::string>& ownBaseUrls() const { return m_ownBaseUrls; }
    TransferHandles& transferHandles() { return m_transferHandles; }
    // A GET of the server's own client for a static file under one of its own
    // base URLs, answered in process: the result of the transfer, with status,
    // state and body in request. Nothing when the request must go over the
    // wire (a page of an extension, a folder, escapes in the path, a stopping
    // server, another server's URL).
    std::optional<DWORD> answerOwnFile(const char* url, size_t maxResponseBytes, QWEXClientRequest_& request);

private:
    struct WebApp {
        std::string name;
        UniqueFd root;
    };
    // What a URL names: the application it lies in and the rest of its path.
    struct Route {
        const Extension* extension = nullptr;
        int rootFd = -1;
        std::string prefix; // "/name/"
        std::string rest;
    };
    using DaemonPtr = std::unique_ptr<MHD_Daemon, void (*)(MHD_Daemon*)>;

    bool openListeners(StartFailure& failure);
    MHD_Daemon* openDaemon(const std::string& address, unsigned port, bool tls, StartFailure& failure);
    void loadWebApps();
    void writePeerFile(const std::string& name) const;
    bool isNameTaken(const std::string& name) const;
    bool findRoute(const std::string& path, Route& route) const;

    static MHD_Result onRequest(void* server, MHD_Connection* connection, const char* url, const char* method,
                                const char* version, const char* upload, size_t* uploadSize, void** context);
    static void onCompleted(void* server, MHD_Connection* connection, void** context, MHD_RequestTerminationCode code);
    static void* onUri(void* server, const char* uri, MHD_Connection* connection);
    MHD_Result answer(MHD_Connection* connection, Connection& request);
    MHD_Result answerRoute(MHD_Connection* connection, Connection& request, const Route& route);
    MHD_Result dispatchToExtension(MHD_Connection* connection, Connection& request, const Route& route,
                                   const std::string& fileName);
    MHD_Result queue(MHD_Connection* connection, Connection& request, unsigned status, MHD_Response* response,
                     uint64_t bytes);
    MHD_Result queueText(MHD_Connection* connection, Connection& request, unsigned status, const char* text);
    bool isInternalRequest(MHD_Connection* connection) const;
    void expirePage(PendingPage& page);

    std::string m_directory; // host path of the server's directory
    std::string m_dosDirectory; // the same as a DOS path
    ServerConfig m_config;
    std::string m_internalToken;
    std::vector<std::string> m_ownBaseUrls;
    CertificateFiles m_certificate;
    std::string m_certificatePem;
    std::string m_keyPem;
    std::unique_ptr<AccessLog> m_accessLog;
    std::vector<WebApp> m_webApps;
    mutable std::shared_mutex m_routesMutex;
    std::vector<std::unique_ptr<Extension>> m_extensions;
    RequestPool m_requestThreads;
    TransferHandles m_transferHandles; // of the client calls
    DeadlineWatch m_deadlines{[this](PendingPage& page) { expirePage(page); }};
    DaemonPtr m_http{nullptr, MHD_stop_daemon};
    DaemonPtr m_https{nullptr, MHD_stop_daemon};
    std::atomic<bool> m_stopping{false};
    std::mutex m_inFlightMutex;
    std::condition_variable m_inFlightDone;
    size_t m_inFlight = 0;
    bool m_shutDown = false;
};

} // namespace qwex

#endif

// The management HTTP server: start, routing, static files, shutdown.
#include "server.h"

#include "contenttype.h"
#include "extensionrequest.h"
#include "hostcheck.h"
#include "webroot.h"

#include "tsm/machine.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <strings.h>
#include <sys/random.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string_view>

namespace qwex {

// State of one request on its connection, from the request line to the end
// of the response.
struct Connection {
    std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
    std::string rawUri;
    std::string method;
    std::string path;
    std::string body;
    bool bodyTooLarge = false;
    bool dispatched = false;
    bool abandoned = false; // the client hung up before its page ran
    MHD_Response* finished = nullptr; // made by a request thread, queued on resume
    unsigned finishedStatus = 0;
    uint64_t finishedBytes = 0;
    unsigned status = 0;
    uint64_t bytes = 0;
};

namespace {

constexpr const char* kIndexNames[] = {"index.htm", "index.html"};

// GnuTLS's usual choice of ciphers, offered over TLS 1.2 and 1.3 only.
constexpr const char* kTlsPriorities = "NORMAL:-VERS-ALL:+VERS-TLS1.3:+VERS-TLS1.2";

constexpr const char* kInternalHeader = "X-QWEX-Internal";
// Seconds a client refused for a full queue is asked to wait.
constexpr const char* kRetryAfterSeconds = "5";

// Every page and file: no type sniffing, no referrer to other sites, never in
// a frame, scripts and everything else only from this server (the pages keep
// their data in an inline script).
constexpr std::pair<const char*, const char*> kSecurityHeaders[] = {
    {"X-Content-Type-Options", "nosniff"},
    {"Referrer-Policy", "no-referrer"},
    {"X-Frame-Options", "DENY"},
    {"Content-Security-Policy", "default-src 'self'; script-src 'self' 'unsafe-inline'; "
                                "style-src 'self' 'unsafe-inline'; img-src 'self' data:; object-src 'none'; "
                                "frame-ancestors 'none'; base-uri 'none'; form-action 'self'"},
};

void ignoreMhdMessage(void*, const char*, va_list)
{
}

std::string queryOf(const std::string& rawUri)
{
    const size_t mark = rawUri.find('?');
    return mark == std::string::npos ? std::string() : rawUri.substr(mark + 1);
}

bool makeDirectory(const std::string& path)
{
    return ::mkdir(path.c_str(), 0755) == 0 || errno == EEXIST;
}

void freeString(void* text)
{
    std::unique_ptr<std::string> owned(static_cast<std::string*>(text));
}

std::string randomToken()
{
    unsigned char bytes[16] = {};
    size_t filled = 0;
    while (filled < sizeof bytes) {
        const ssize_t got = ::getrandom(bytes + filled, sizeof bytes - filled, 0);
        if (got > 0)
            filled += static_cast<size_t>(got);
        else if (errno != EINTR)
            break;
    }
    static constexpr char kHex[] = "0123456789abcdef";
    std::string token;
    for (const unsigned char byte : bytes) {
        token += kHex[byte >> 4];
        token += kHex[byte & 15];
    }
    return token;
}

MHD_Response* responseFromString(std::string text)
{
    auto owned = std::make_unique<std::string>(std::move(text));
    MHD_Response* response =
        MHD_create_response_from_buffer_with_free_callback_cls(owned->size(), owned->data(), &freeString, owned.get());
    if (response) [[maybe_unused]]
        std::string* released = owned.release();
    return response;
}

// A 503 answer with text for a suspended request, and one more header if named.
void putUnavailable(Connection& waiting, const char* text, const char* header = nullptr, const char* value = nullptr)
{
    waiting.finished = responseFromString(text);
    waiting.finishedStatus = MHD_HTTP_SERVICE_UNAVAILABLE;
    waiting.finishedBytes = std::strlen(text);
    if (waiting.finished && header)
        MHD_add_response_header(waiting.finished, header, value);
}

// The DOS path of a file below an extension's page folder, as the extension sees it.
std::string dosPathUnder(const std::string& pageDirectory, const std::vector<std::string>& parts)
{
    std::string path = pageDirectory;
    for (const std::string& part : parts) {
        if (!path.empty() && path.back() != '\\' && path.back() != '/')
            path += '\\';
        path += part;
    }
    return path;
}

} // namespace

Server::Server(std::string directory, ServerConfig config)
    : m_directory(std::move(directory)), m_dosDirectory(tsm::hostToDos(m_directory)), m_config(std::move(config)),
      m_internalToken(randomToken()), m_requestThreads(m_config.requestThreads, m_config.requestQueueLimit)
{
    const auto add = [this](const char* scheme, const std::string& address, unsigned port) {
        if (port != 0)
            m_ownBaseUrls.push_back(std::string(scheme) + "://" + (address == "0.0.0.0" ? "127.0.0.1" : address) + ":" +
                                    std::to_string(port) + "/");
    };
    add("http", m_config.httpAddress, m_config.httpPort);
    add("https", m_config.httpsAddress, m_config.httpsPort);
}

Server::~Server()
{
    shutdown();
}

std::unique_ptr<Server> Server::start(const std::string& directory, StartFailure& failure)
{
    if (!makeDirectory(directory) || !makeDirectory(directory + "/cache") || !makeDirectory(directory + "/webapps")) {
        failure.message = "cannot create the server's directory " + directory;
        return nullptr;
    }
    std::string configLog;
    ServerConfig config = loadConfig(directory + "/qwex.conf", configLog);
    auto server = std::make_unique<Server>(directory, std::move(config));
    server->m_accessLog = std::make_unique<AccessLog>(
        directory + "/access.log", AccessLogLimits{server->m_config.accessLogMaxBytes, server->m_config.accessLogKeep});
    if (!ensureCertificate(directory, server->m_certificate, failure.message) ||
        !readWholeFile(server->m_certificate.certificatePath, server->m_certificatePem) ||
        !readWholeFile(server->m_certificate.keyPath, server->m_keyPem)) {
        if (failure.message.empty())
            failure.message = "cannot read the server certificate";
        return nullptr;
    }
    server->loadWebApps();
    if (!server->openListeners(failure))
        return nullptr;
    return server;
}

void Server::loadWebApps()
{
    const std::string folder = m_directory + "/webapps";
    const tsm::UniqueDir dir(::opendir(folder.c_str()));
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (!isApplicationName(name) || isNameTaken(name))
            continue;
        UniqueFd root(::openat(::dirfd(dir.get()), name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!root.isValid())
            continue;
        writePeerFile(name);
        m_webApps.push_back({name, std::move(root)});
    }
}

void Server::writePeerFile(const std::string& name) const
{
    const UniqueFd fd(::open((m_directory + "/cache/" + name + ".vxa").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
}

bool Server::isNameTaken(const std::string& name) const
{
    for (const WebApp& app : m_webApps)
        if (::strcasecmp(app.name.c_str(), name.c_str()) == 0)
            return true;
    for (const auto& extension : m_extensions)
        if (::strcasecmp(extension->name().c_str(), name.c_str()) == 0)
            return true;
    return false;
}

bool Server::openListeners(StartFailure& failure)
{
    if (m_config.httpPort != 0) {
        m_http.reset(openDaemon(m_config.httpAddress, m_config.httpPort, false, failure));
        if (!m_http)
            return false;
    }
    if (m_config.httpsPort != 0) {
        m_https.reset(openDaemon(m_config.httpsAddress, m_config.httpsPort, true, failure));
        if (!m_https)
            return false;
    }
    return true;
}

MHD_Daemon* Server::openDaemon(const std::string& address, unsigned port, bool tls, StartFailure& failure)
{
    sockaddr_in bind{};
    bind.sin_family = AF_INET;
    bind.sin_port = htons(static_cast<uint16_t>(port));
    if (::inet_pton(AF_INET, address.c_str(), &bind.sin_addr) != 1) {
        failure.message = "not an IPv4 address: " + address;
        return nullptr;
    }
    unsigned flags = MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL | MHD_ALLOW_SUSPEND_RESUME | MHD_USE_ERROR_LOG;
    if (tls)
        flags |= MHD_USE_TLS;
    const MHD_OptionItem tlsOptions[] = {
        {MHD_OPTION_HTTPS_MEM_CERT, 0, const_cast<char*>(m_certificatePem.c_str())},
        {MHD_OPTION_HTTPS_MEM_KEY, 0, const_cast<char*>(m_keyPem.c_str())},
        {MHD_OPTION_HTTPS_PRIORITIES, 0, const_cast<char*>(kTlsPriorities)},
        {MHD_OPTION_END, 0, nullptr},
    };
    const MHD_OptionItem noOptions[] = {{MHD_OPTION_END, 0, nullptr}};
    MHD_Daemon* daemon = MHD_start_daemon(
        flags, static_cast<uint16_t>(port), nullptr, nullptr, &Server::onRequest, this, MHD_OPTION_SOCK_ADDR, &bind,
        MHD_OPTION_THREAD_POOL_SIZE, m_config.eventThreads, MHD_OPTION_CONNECTION_LIMIT, m_config.connectionLimit,
        MHD_OPTION_CONNECTION_TIMEOUT, m_config.connectionTimeoutSeconds, MHD_OPTION_CONNECTION_MEMORY_LIMIT,
        static_cast<size_t>(32 * 1024), MHD_OPTION_NOTIFY_COMPLETED, &Server::onCompleted, this,
        MHD_OPTION_URI_LOG_CALLBACK, &Server::onUri, this, MHD_OPTION_EXTERNAL_LOGGER, &ignoreMhdMessage, nullptr,
        MHD_OPTION_ARRAY, tls ? tlsOptions : noOptions, MHD_OPTION_END);
    // The port is ours alone: no address reuse, so a port another process
    // holds fails the start instead of sharing its connections.
    if (!daemon) {
        const int reason = errno;
        failure.message = "cannot listen on " + address + ":" + std::to_string(port);
        if (reason != 0)
            failure.message += std::string(": ") + std::strerror(reason);
        failure.portInUse = reason == EADDRINUSE;
    }
    return daemon;
}

DWORD Server::registerExtension(const QWEX_EXTENSION_INFO& record)
{
    if (m_stopping)
        return QWEX_ERROR_SHUTTING_DOWN;
    std::unique_ptr<Extension> extension;
    const DWORD checked = Extension::fromRecord(record, extension);
    if (checked != QWEX_SUCCESS)
        return checked;
    {
        const std::shared_lock lock(m_routesMutex);
        if (isNameTaken(extension->name()))
            return QWEX_ERROR_CONFLICT;
    }
    if (!extension->callVersion())
        return QWEX_ERROR_REFUSED;
    const std::unique_lock lock(m_routesMutex);
    if (isNameTaken(extension->name()))
        return QWEX_ERROR_CONFLICT;
    writePeerFile(extension->name());
    m_extensions.push_back(std::move(extension));
    return QWEX_SUCCESS;
}

void Server::shutdown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    m_stopping = true;
    // The quiesced listeners stay open until their daemons have stopped, so
    // that no descriptor the daemons still use is reused meanwhile.
    std::vector<UniqueFd> listeners;
    for (MHD_Daemon* daemon : {m_http.get(), m_https.get()}) {
        if (daemon) {
            const MHD_socket listener = MHD_quiesce_daemon(daemon);
            if (listener != MHD_INVALID_SOCKET)
                listeners.emplace_back(listener);
        }
    }
    // Every request thread has resumed its connection once this returns.
    m_requestThreads.close();
    m_deadlines.stop();
    {
        std::unique_lock lock(m_inFlightMutex);
        m_inFlightDone.wait_for(lock, std::chrono::milliseconds(m_config.shutdownGraceMs),
                                [this] { return m_inFlight == 0; });
    }
    m_http.reset();
    m_https.reset();
    listeners.clear();
    if (m_accessLog)
        m_accessLog->flush();
    for (const auto& extension : m_extensions)
        extension->callTerminate();
}

bool Server::findRoute(const std::string& path, Route& route) const
{
    if (path.size() < 2 || path[0] != '/')
        return false;
    const size_t slash = path.find('/', 1);
    const std::string name = path.substr(1, slash == std::string::npos ? std::string::npos : slash - 1);
    route.rest = slash == std::string::npos ? std::string() : path.substr(slash + 1);
    route.prefix = "/" + name + "/";
    const std::shared_lock lock(m_routesMutex);
    for (const auto& extension : m_extensions) {
        if (::strcasecmp(extension->name().c_str(), name.c_str()) == 0) {
            route.extension = extension.get();
            route.rootFd = extension->pageRootFd();
            return true;
        }
    }
    for (const WebApp& app : m_webApps) {
        if (::strcasecmp(app.name.c_str(), name.c_str()) == 0) {
            route.rootFd = app.root.get();
            return true;
        }
    }
    return false;
}

void* Server::onUri(void*, const char* uri, MHD_Connection*)
{
    auto request = std::make_unique<Connection>();
    request->rawUri = uri ? uri : "";
    return request.release();
}

void Server::onCompleted(void* server, MHD_Connection*, void** context, MHD_RequestTerminationCode)
{
    std::unique_ptr<Connection> request(static_cast<Connection*>(*context));
    *context = nullptr;
    if (!request)
        return;
    auto& self = *static_cast<Server*>(server);
    if (request->finished)
        MHD_destroy_response(request->finished);
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - request->started);
    if (request->status != 0)
        self.m_accessLog->write(request->method, request->path, request->status, request->bytes,
                                static_cast<uint64_t>(elapsed.count()));
    if (!request->method.empty()) {
        const std::lock_guard lock(self.m_inFlightMutex);
        --self.m_inFlight;
        self.m_inFlightDone.notify_all();
    }
}

MHD_Result Server::onRequest(void* server, MHD_Connection* connection, const char* url, const char* method, const char*,
                             const char* upload, size_t* uploadSize, void** context)
{
    auto& self = *static_cast<Server*>(server);
    auto* request = static_cast<Connection*>(*context);
    if (!request)
        return MHD_NO;
    if (request->method.empty()) {
        // First call: headers are in; the body (if any) follows.
        request->method = method;
        request->path = url;
        const std::lock_guard lock(self.m_inFlightMutex);
        ++self.m_inFlight;
        return MHD_YES;
    }
    if (*uploadSize != 0) {
        if (request->body.size() + *uploadSize > self.m_config.maxBodyBytes)
            request->bodyTooLarge = true;
        else
            request->body.append(upload, *uploadSize);
        *uploadSize = 0;
        return MHD_YES;
    }
    return self.answer(connection, *request);
}

MHD_Result Server::queue(MHD_Connection* connection, Connection& request, unsigned status, MHD_Response* response,
                         uint64_t bytes)
{
    if (!response)
        return MHD_NO;
    request.status = status;
    request.bytes = bytes;
    for (const auto& [name, value] : kSecurityHeaders)
        MHD_add_response_header(response, name, value);
    const MHD_Result queued = MHD_queue_response(connection, status, response);
    MHD_destroy_response(response);
    return queued;
}

MHD_Result Server::queueText(MHD_Connection* connection, Connection& request, unsigned status, const char* text)
{
    const std::string body = std::string(text) + "\n";
    MHD_Response* response = responseFromString(body);
    if (response)
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, "text/plain; charset=utf-8");
    return queue(connection, request, status, response, body.size());
}

MHD_Result Server::answer(MHD_Connection* connection, Connection& request)
{
    if (request.finished) {
        MHD_Response* response = std::exchange(request.finished, nullptr);
        return queue(connection, request, request.finishedStatus, response, request.finishedBytes);
    }
    if (request.abandoned)
        return MHD_NO; // closes the connection its client left
    if (request.dispatched)
        return MHD_YES;
    // A name that is not ours: a page of another origin that rebound its DNS
    // name to this machine. Nothing runs for it.
    if (!isAllowedHost(MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_HOST), m_config))
        return queueText(connection, request, MHD_HTTP_MISDIRECTED_REQUEST, "Misdirected request: unknown host name.");
    const std::string_view method = request.method;
    if (method != "GET" && method != "HEAD" && method != "POST") {
        static constexpr std::string_view kKnown[] = {"PUT", "DELETE", "OPTIONS", "PATCH", "TRACE", "CONNECT"};
        for (std::string_view known : kKnown)
            if (method == known)
                return queueText(connection, request, MHD_HTTP_METHOD_NOT_ALLOWED, "Method not allowed.");
        return queueText(connection, request, MHD_HTTP_NOT_IMPLEMENTED, "Method not implemented.");
    }
    if (request.bodyTooLarge)
        return queueText(connection, request, MHD_HTTP_CONTENT_TOO_LARGE, "Request body too large.");
    // A decoded NUL would cut the path short of what the client asked for.
    if (request.rawUri.find("%00") != std::string::npos)
        return queueText(connection, request, MHD_HTTP_BAD_REQUEST, "Bad request.");
    if (request.path.size() > kMaxUrlPath)
        return queueText(connection, request, MHD_HTTP_URI_TOO_LONG, "Path too long.");
    Route route;
    if (!findRoute(request.path, route))
        return queueText(connection, request, MHD_HTTP_NOT_FOUND, "Not found.");
    return answerRoute(connection, request, route);
}

MHD_Result Server::answerRoute(MHD_Connection* connection, Connection& request, const Route& route)
{
    std::vector<std::string> parts;
    MapResult mapped = splitUrlPath(route.rest, parts);
    MappedFile file;
    if (mapped == MapResult::eFOUND)
        mapped = openUnder(route.rootFd, parts, file);
    if (mapped == MapResult::eFOUND && S_ISDIR(file.info.st_mode)) {
        if (request.path.back() != '/') {
            MHD_Response* response = responseFromString(std::string());
            if (response)
                MHD_add_response_header(response, MHD_HTTP_HEADER_LOCATION, (request.path + "/").c_str());
            return queue(connection, request, MHD_HTTP_MOVED_PERMANENTLY, response, 0);
        }
        const int folder = file.fd.get();
        MappedFile index;
        mapped = MapResult::eNOT_FOUND;
        for (const char* name : kIndexNames) {
            mapped = openUnder(folder, {name}, index);
            if (mapped == MapResult::eFOUND && S_ISREG(index.info.st_mode)) {
                parts.emplace_back(index.name);
                break;
            }
            mapped = MapResult::eNOT_FOUND;
        }
        if (mapped == MapResult::eFOUND)
            file = std::move(index);
    }
    switch (mapped) {
    case MapResult::eFOUND:
        break;
    case MapResult::eFORBIDDEN:
        return queueText(connection, request, MHD_HTTP_FORBIDDEN, "Forbidden.");
    case MapResult::eTOO_LONG:
        return queueText(connection, request, MHD_HTTP_URI_TOO_LONG, "Path too long.");
    case MapResult::eNOT_FOUND:
        return queueText(connection, request, MHD_HTTP_NOT_FOUND, "Not found.");
    }
    if (route.extension && isPageFile(file.name))
        return dispatchToExtension(connection, request, route, dosPathUnder(route.extension->pageDirectory(), parts));
    if (request.method == "POST")
        return queueText(connection, request, MHD_HTTP_METHOD_NOT_ALLOWED, "Method not allowed.");
    const auto size = static_cast<uint64_t>(file.info.st_size);
    MHD_Response* response = MHD_create_response_from_fd64(size, file.fd.get());
    if (!response)
        return MHD_NO;
    [[maybe_unused]] const int owned = file.fd.release(); // the response closes it
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, contentTypeOf(file.name));
    return queue(connection, request, MHD_HTTP_OK, response, size);
}

MHD_Result Server::dispatchToExtension(MHD_Connection* connection, Connection& request, const Route& route,
                                       const std::string& dosPath)
{
    if (m_stopping)
        return queueText(connection, request, MHD_HTTP_SERVICE_UNAVAILABLE, "The server is stopping.");
    RequestFacts facts;
    facts.method = request.method;
    facts.path = request.path;
    facts.query = queryOf(request.rawUri);
    const char* type = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_TYPE);
    facts.contentType = type ? type : "";
    facts.body = std::move(request.body);
    facts.pathTranslated = dosPath;
    request.dispatched = true;
    MHD_suspend_connection(connection);
    const Extension& extension = *route.extension;
    auto page = std::make_shared<PendingPage>(connection, request);
    auto job = [this, page, &extension, facts = std::move(facts)] {
        if (!page->isWanted([](Connection& waiting) { waiting.abandoned = true; }))
            return;
        ExtensionRequest call(extension, m_dosDirectory, facts);
        ExtensionResponse answer = call.run();
        page->answerOnce([&answer](Connection& waiting) {
            waiting.finishedBytes = answer.body.size();
            waiting.finishedStatus = answer.status;
            waiting.finished = responseFromString(std::move(answer.body));
            if (waiting.finished)
                MHD_add_response_header(waiting.finished, MHD_HTTP_HEADER_CONTENT_TYPE, answer.contentType.c_str());
        });
    };
    // Once submitted, the request may be answered and gone at any moment.
    const auto deadline = request.started + std::chrono::seconds(m_config.pageDeadlineSeconds);
    const RequestPool::Submitted submitted = isInternalRequest(connection)
                                                 ? m_requestThreads.submitUrgent(std::move(job))
                                                 : m_requestThreads.submit(std::move(job));
    if (submitted == RequestPool::Submitted::eQUEUED) {
        m_deadlines.watch(page, deadline);
        return MHD_YES;
    }
    page->answerOnce([submitted](Connection& waiting) {
        if (submitted == RequestPool::Submitted::eFULL)
            putUnavailable(waiting, "The server is busy; try again shortly.\n", MHD_HTTP_HEADER_RETRY_AFTER,
                           kRetryAfterSeconds);
        else
            putUnavailable(waiting, "The server is stopping.\n");
    });
    return MHD_YES;
}

bool Server::isInternalRequest(MHD_Connection* connection) const
{
    const char* token = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, kInternalHeader);
    if (!token || std::strlen(token) != m_internalToken.size())
        return false;
    // Compared in full whatever differs, so the time says nothing of the secret.
    unsigned char difference = 0;
    for (size_t i = 0; i < m_internalToken.size(); ++i)
        difference |= static_cast<unsigned char>(token[i] ^ m_internalToken[i]);
    return difference == 0;
}

void Server::expirePage(PendingPage& page)
{
    // The page's thread goes on; its answer is dropped. The client learns
    // now, and the connection closes after this answer.
    page.answerOnce([](Connection& waiting) {
        putUnavailable(waiting, "The page took too long to build.\n", MHD_HTTP_HEADER_CONNECTION, "close");
    });
}

} // namespace qwex

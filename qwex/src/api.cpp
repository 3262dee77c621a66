// The library's exported calls.
#include "client.h"
#include "server.h"

#include "tsm/machine.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>

struct QWEXServer_ {
    std::unique_ptr<qwex::Server> server;
};

namespace {

// The extra reference QWEXBlockUnload takes on this library.
std::mutex g_unloadMutex;
void* g_selfReference = nullptr;

bool isTerminated(const char* field, size_t width)
{
    return ::strnlen(field, width) < width;
}

void logServerError(const std::string& directory, const std::string& message)
{
    std::ofstream(directory + "/server.log", std::ios::app) << message << "\n";
}

qwex::ClientSettings settingsOf(const qwex::Server& server)
{
    const qwex::ServerConfig& config = server.config();
    return {server.certificatePath(),      config.clientConnectTimeoutMs, config.clientTimeoutMs,
            config.clientMaxResponseBytes, server.internalToken(),        server.ownBaseUrls()};
}

} // namespace

extern "C" {

QWEX_API DWORD WINAPI QWEXStartupHTTPServer(const QWEX_STARTUP_INFO* pInfo, QWEX_HANDLE* phServer)
{
    if (!phServer)
        return QWEX_ERROR_BAD_ARGUMENT;
    *phServer = nullptr;
    if (!pInfo)
        return QWEX_ERROR_BAD_ARGUMENT;
    if (QWEXGetLE32(pInfo->cbSize) != QWEX_STARTUP_INFO_SIZE ||
        !isTerminated(pInfo->szProductInfo, sizeof pInfo->szProductInfo) ||
        !isTerminated(pInfo->szModulePath, sizeof pInfo->szModulePath))
        return QWEX_ERROR_BAD_RECORD;
    ::mkdir(tsm::driveCRoot().c_str(), 0755);
    const std::string directory = tsm::driveCRoot() + "/qwex";
    qwex::StartFailure failure;
    auto handle = std::make_unique<QWEXServer_>();
    handle->server = qwex::Server::start(directory, failure);
    if (!handle->server) {
        logServerError(directory, failure.message);
        return failure.portInUse ? QWEX_ERROR_PORT_IN_USE : QWEX_ERROR_START_FAILED;
    }
    *phServer = handle.release();
    return QWEX_SUCCESS;
}

QWEX_API void WINAPI QWEXBlockUnload(void)
{
    const std::lock_guard lock(g_unloadMutex);
    Dl_info self{};
    if (g_selfReference || !::dladdr(reinterpret_cast<void*>(&QWEXBlockUnload), &self) || !self.dli_fname)
        return;
    g_selfReference = ::dlopen(self.dli_fname, RTLD_NOW | RTLD_NOLOAD);
}

QWEX_API void WINAPI QWEXAllowUnload(void)
{
    const std::lock_guard lock(g_unloadMutex);
    if (g_selfReference)
        ::dlclose(g_selfReference);
    g_selfReference = nullptr;
}

QWEX_API DWORD WINAPI QWEXSetIsapiStackSize(QWEX_HANDLE hServer, DWORD dwStackSize)
{
    if (!hServer)
        return QWEX_ERROR_BAD_ARGUMENT;
    hServer->server->setStackSize(dwStackSize);
    return QWEX_SUCCESS;
}

QWEX_API DWORD WINAPI QWEXRegisterIsapiExtension(QWEX_HANDLE hServer, const QWEX_EXTENSION_INFO* pInfo)
{
    if (!hServer || !pInfo)
        return QWEX_ERROR_BAD_ARGUMENT;
    return hServer->server->registerExtension(*pInfo);
}

QWEX_API DWORD WINAPI QWEXShutdownHTTPServer(QWEX_HANDLE hServer)
{
    if (!hServer)
        return QWEX_ERROR_BAD_ARGUMENT;
    const std::unique_ptr<QWEXServer_> owned(hServer);
    owned->server->shutdown();
    return QWEX_SUCCESS;
}

QWEX_API DWORD WINAPI QWEXClientGetUrl(QWEX_HANDLE hServer, LPCSTR pszUrl, PFN_QWEX_CLIENT_CALLBACK pfnCallback,
                                       LPVOID pUserObject)
{
    if (!hServer || !pszUrl)
        return QWEX_ERROR_BAD_ARGUMENT;
    qwex::Server& server = *hServer->server;
    const qwex::ClientTransfer transfer{pszUrl, nullptr, 0, nullptr, pfnCallback, pUserObject};
    QWEXClientRequest_ request;
    if (const std::optional<DWORD> result =
            server.answerOwnFile(pszUrl, server.config().clientMaxResponseBytes, request))
        return qwex::deliverAnswer(request, *result, transfer);
    return qwex::runTransfer(server.transferHandles(), settingsOf(server), transfer);
}

QWEX_API DWORD WINAPI QWEXClientPostUrl(QWEX_HANDLE hServer, LPCSTR pszUrl, LPCVOID pData, DWORD dwSize,
                                        LPCSTR pszContentType, PFN_QWEX_CLIENT_CALLBACK pfnCallback, LPVOID pUserObject)
{
    if (!hServer || !pszUrl || (!pData && dwSize != 0))
        return QWEX_ERROR_BAD_ARGUMENT;
    static const char kEmpty = 0;
    return qwex::runTransfer(hServer->server->transferHandles(), settingsOf(*hServer->server),
                             {pszUrl, pData ? pData : &kEmpty, dwSize, pszContentType, pfnCallback, pUserObject});
}

QWEX_API DWORD WINAPI QWEXClientStatus(QWEX_CLIENT_REQUEST hRequest)
{
    return hRequest ? hRequest->status : 0;
}

QWEX_API DWORD WINAPI QWEXClientState(QWEX_CLIENT_REQUEST hRequest)
{
    return hRequest ? hRequest->state : QWEX_CLIENT_STATE_FAILED;
}

QWEX_API LPCSTR WINAPI QWEXClientCacheBuffer(QWEX_CLIENT_REQUEST hRequest, LPDWORD pdwLength)
{
    if (pdwLength)
        *pdwLength = hRequest ? static_cast<DWORD>(hRequest->body.size()) : 0;
    return hRequest ? hRequest->body.data() : nullptr;
}

QWEX_API LPVOID WINAPI QWEXClientGetUserObject(QWEX_CLIENT_REQUEST hRequest)
{
    return hRequest ? hRequest->userObject : nullptr;
}

} // extern "C"

// Page requests: the request callback, the tag table and the tag handlers.
#include "requesthandler.h"

#include "controllerhealth.h"
#include "healthscript.h"
#include "pagehealth.h"
#include "pagetransformation.h"
#include "webhost.h"

#include "discoverydocument.h"
#include "tsmversion.h"

#include <cstring>
#include <string>

namespace Web {
namespace {

const char kTooLong[] = "The requested path is too long.\n";

const QWEX_TAG_HANDLER kTagHandlers[] = {
    {"vxaXmlToJs", &TransformationTag},
    {"ApplicationVersion", &VersionTag},
    {"vxaHealth", &HealthTag},
    {nullptr, nullptr},
};

// The server's directory as a DOS path (request 2017: no buffer argument,
// the size, and the output buffer last); "" when it gives none.
std::string serverDirectory(EXTENSION_CONTROL_BLOCK& ecb)
{
    char buffer[kPathBufferSize] = {};
    DWORD dwSize = sizeof buffer;
    if (!ecb.ServerSupportFunction(ecb.ConnID, QWEX_REQ_SERVER_DIRECTORY, nullptr, &dwSize,
                                   reinterpret_cast<LPDWORD>(buffer)))
        return std::string();
    return std::string(buffer, strnlen(buffer, sizeof buffer));
}

}

DWORD WINAPI HttpExtensionProc(EXTENSION_CONTROL_BLOCK* pECB)
{
    if (!pECB || !pECB->ServerSupportFunction)
        return HSE_STATUS_SUCCESS;
    const char* pszPath = pECB->lpszPathTranslated ? pECB->lpszPathTranslated : "";
    const std::size_t length = strnlen(pszPath, kPathBufferSize);
    if (length >= kPathBufferSize) {
        pECB->dwHttpStatusCode = 414;
        if (pECB->WriteClient) {
            DWORD dwBytes = sizeof kTooLong - 1;
            pECB->WriteClient(pECB->ConnID, const_cast<char*>(kTooLong), &dwBytes, 0);
        }
        return HSE_STATUS_SUCCESS;
    }
    char path[kPathBufferSize] = {};
    std::memcpy(path, pszPath, length);
    DWORD dwLength = static_cast<DWORD>(length);
    const PageHealthScope health;
    pECB->ServerSupportFunction(pECB->ConnID, QWEX_REQ_SERVE_PAGE, const_cast<QWEX_TAG_HANDLER*>(kTagHandlers),
                                &dwLength, reinterpret_cast<LPDWORD>(path));
    return HSE_STATUS_SUCCESS;
}

BOOL WINAPI VersionTag(EXTENSION_CONTROL_BLOCK* pECB, PFN_QWEX_WRITE pfnWrite)
{
    const std::string statement = "applicationVersion = \"" + tsm::versionText() + "\";";
    if (pfnWrite)
        pfnWrite(pECB, statement.c_str());
    return 1;
}

BOOL WINAPI TransformationTag(EXTENSION_CONTROL_BLOCK* pECB, PFN_QWEX_WRITE pfnWrite)
{
    if (!pECB || !pfnWrite || !pECB->ServerSupportFunction)
        return 1;
    WebHost& host = WebHost::instance();
    const WebHost::PageInProgress page(host);
    // A request that arrives while the XML libraries are still being
    // initialised waits for them; without them the tag stays empty.
    if (!host.waitForXmlLibraries()) {
        pfnWrite(pECB, "");
        return 1;
    }
    // Pages that overlap share the next run of the whole chain, the
    // controllers' health included, read while the refresh holds the tree.
    const SharedRuns::Result result = host.pageRuns().next([&] {
        std::vector<ControllerHealth> health;
        const Xml::DocumentHandle local = Xml::BuildDiscoveryDocument(
            [&health](const Core::DeviceList& described) { health = ReadControllerHealth(described); });
        SharedRuns::PageData data;
        data.discovery = transformDiscovery(local, host.serverHandle(), serverDirectory(*pECB) + "/cache");
        if (local)
            data.health = HealthScript(health);
        return data;
    });
    pfnWrite(pECB, result ? result->discovery.c_str() : "");
    KeepPageHealth(result ? result->health : std::string());
    return 1;
}

}

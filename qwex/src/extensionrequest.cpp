// Extension requests: the control block and the server-support calls.
#include "extensionrequest.h"

#include "contenttype.h"
#include "extension.h"
#include "pagetemplate.h"
#include "uniquefd.h"

#include "tsm/machine.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstring>
#include <string_view>

namespace qwex {
namespace {

constexpr size_t kMaxPageBytes = 8u << 20;
constexpr size_t kMaxPathBytes = 4096;
constexpr size_t kMaxTagHandlers = 256;

PFN_QWEX_TAG_HANDLER findHandler(const QWEX_TAG_HANDLER* handlers, std::string_view name)
{
    for (size_t i = 0; i < kMaxTagHandlers && handlers[i].pszTagName; ++i)
        if (handlers[i].pfnHandler && name == handlers[i].pszTagName)
            return handlers[i].pfnHandler;
    return nullptr;
}

bool readFd(int fd, size_t size, std::string& content)
{
    content.resize(size);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, content.data() + done, size - done);
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

} // namespace

ExtensionRequest::ExtensionRequest(const Extension& extension, const std::string& serverDirectory, RequestFacts facts)
    : m_extension(extension), m_serverDirectory(serverDirectory), m_facts(std::move(facts))
{
    m_block.cbSize = sizeof m_block;
    m_block.dwVersion = HSE_VERSION;
    m_block.ConnID = this;
    m_block.dwHttpStatusCode = 200;
    m_block.lpszMethod = m_facts.method.data();
    m_block.lpszQueryString = m_facts.query.data();
    m_block.lpszPathInfo = m_facts.path.data();
    m_block.lpszPathTranslated = m_facts.pathTranslated.data();
    m_block.cbTotalBytes = static_cast<DWORD>(m_facts.body.size());
    m_block.cbAvailable = m_block.cbTotalBytes;
    m_block.lpbData = reinterpret_cast<LPBYTE>(m_facts.body.data());
    m_block.lpszContentType = m_facts.contentType.data();
    m_block.GetServerVariable = &ExtensionRequest::getServerVariable;
    m_block.WriteClient = &ExtensionRequest::writeClient;
    m_block.ReadClient = &ExtensionRequest::readClient;
    m_block.ServerSupportFunction = &ExtensionRequest::serverSupport;
}

ExtensionResponse ExtensionRequest::run()
{
    ExtensionResponse response;
    DWORD result = HSE_STATUS_ERROR;
    try {
        result = m_extension.callRequest(m_block);
    } catch (...) {
        result = HSE_STATUS_ERROR;
    }
    m_bSignature = 0;
    if (result == HSE_STATUS_ERROR || !m_answered) {
        response.status = 500;
        response.contentType = "text/plain; charset=utf-8";
        response.body = "The web application gave no answer.\n";
        return response;
    }
    const DWORD status = m_block.dwHttpStatusCode;
    response.status = status >= 200 && status <= 599 ? status : 500;
    response.contentType = m_contentType.empty() ? "text/html; charset=utf-8" : m_contentType;
    response.body = std::move(m_output);
    return response;
}

ExtensionRequest* ExtensionRequest::fromConnection(HCONN connection)
{
    auto* request = static_cast<ExtensionRequest*>(connection);
    return request && request->m_bSignature == kSigned ? request : nullptr;
}

ExtensionRequest* ExtensionRequest::fromBlock(EXTENSION_CONTROL_BLOCK* block)
{
    return block ? fromConnection(block->ConnID) : nullptr;
}

BOOL WINAPI ExtensionRequest::serverSupport(HCONN connection, DWORD request, LPVOID buffer, LPDWORD size, LPDWORD type)
{
    ExtensionRequest* self = fromConnection(connection);
    if (!self)
        return FALSE;
    switch (request) {
    case QWEX_REQ_SERVE_PAGE:
        return self->servePage(static_cast<const QWEX_TAG_HANDLER*>(buffer), size, reinterpret_cast<const char*>(type));
    case QWEX_REQ_SERVER_DIRECTORY:
        // No buffer argument; the output buffer comes last, as for 2001's path.
        return self->copyServerDirectory(reinterpret_cast<char*>(type), size);
    default:
        return FALSE;
    }
}

BOOL WINAPI ExtensionRequest::writeClient(HCONN connection, LPVOID buffer, LPDWORD bytes, DWORD)
{
    ExtensionRequest* self = fromConnection(connection);
    if (!self || !bytes || (!buffer && *bytes != 0))
        return FALSE;
    self->m_output.append(static_cast<const char*>(buffer), *bytes);
    self->m_answered = true;
    return TRUE;
}

BOOL WINAPI ExtensionRequest::readClient(HCONN connection, LPVOID, LPDWORD size)
{
    // The whole body is in the control block already.
    if (!fromConnection(connection) || !size)
        return FALSE;
    *size = 0;
    return TRUE;
}

BOOL WINAPI ExtensionRequest::getServerVariable(HCONN connection, LPSTR name, LPVOID buffer, LPDWORD size)
{
    ExtensionRequest* self = fromConnection(connection);
    if (!self || !name || !size)
        return FALSE;
    const std::string_view wanted = name;
    const std::string* value = nullptr;
    if (wanted == "REQUEST_METHOD")
        value = &self->m_facts.method;
    else if (wanted == "QUERY_STRING")
        value = &self->m_facts.query;
    else if (wanted == "PATH_INFO" || wanted == "URL")
        value = &self->m_facts.path;
    else if (wanted == "PATH_TRANSLATED")
        value = &self->m_facts.pathTranslated;
    if (!value)
        return FALSE;
    const DWORD needed = static_cast<DWORD>(value->size() + 1);
    if (!buffer || *size < needed) {
        *size = needed;
        return FALSE;
    }
    std::memcpy(buffer, value->c_str(), needed);
    *size = needed;
    return TRUE;
}

BOOL WINAPI ExtensionRequest::writeToPage(EXTENSION_CONTROL_BLOCK* block, LPCSTR text)
{
    ExtensionRequest* self = fromBlock(block);
    if (!self || !self->m_expanding || !text)
        return FALSE;
    self->m_output += text;
    return TRUE;
}

bool ExtensionRequest::readPageFile(const std::string& dosPath, std::string& page)
{
    const std::string host = tsm::dosToHost(dosPath);
    char real[PATH_MAX];
    if (host.empty() || !::realpath(host.c_str(), real))
        return false;
    // Only files inside the extension's own page folder are served.
    const std::string& root = m_extension.pageRootPath();
    if (std::strncmp(real, root.c_str(), root.size()) != 0 || real[root.size()] != '/')
        return false;
    const UniqueFd fd(::open(real, O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    struct stat info {};
    if (!fd.isValid() || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<size_t>(info.st_size) > kMaxPageBytes)
        return false;
    return readFd(fd.get(), static_cast<size_t>(info.st_size), page);
}

BOOL ExtensionRequest::servePage(const QWEX_TAG_HANDLER* handlers, const DWORD* pathLength, const char* path)
{
    if (!handlers || !pathLength || !path || m_expanding)
        return FALSE;
    const std::string dosPath(path, ::strnlen(path, std::min<size_t>(*pathLength, kMaxPathBytes)));
    std::string page;
    if (!readPageFile(dosPath, page)) {
        m_block.dwHttpStatusCode = 404;
        m_contentType = "text/plain; charset=utf-8";
        m_output = "Not found.\n";
        m_answered = true;
        return FALSE;
    }
    m_contentType = contentTypeOf(dosPath);
    m_answered = true;
    m_expanding = true;
    for (const TemplatePiece& piece : splitTemplate(page)) {
        if (!piece.isTag) {
            m_output.append(piece.text);
            continue;
        }
        if (const PFN_QWEX_TAG_HANDLER handler = findHandler(handlers, piece.text))
            handler(&m_block, &ExtensionRequest::writeToPage);
    }
    m_expanding = false;
    return TRUE;
}

BOOL ExtensionRequest::copyServerDirectory(char* buffer, DWORD* size) const
{
    if (!buffer || !size)
        return FALSE;
    const DWORD needed = static_cast<DWORD>(m_serverDirectory.size() + 1);
    if (*size < needed) {
        *size = needed;
        return FALSE;
    }
    std::memcpy(buffer, m_serverDirectory.c_str(), needed);
    *size = needed;
    return TRUE;
}

} // namespace qwex

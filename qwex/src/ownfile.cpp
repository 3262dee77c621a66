// The server's own client asking its own listeners for a static file: the
// file is read here instead of crossing a socket, a TLS session and a
// request thread, with the status, body and size limit the listener gives.
#include "server.h"

#include "contenttype.h"
#include "webroot.h"

#include <unistd.h>

#include <chrono>
#include <cstring>

namespace qwex {
namespace {

// The body of a regular file of the given size; false when it cannot be
// read whole.
bool readWhole(int fd, uint64_t size, std::string& body)
{
    body.resize(static_cast<size_t>(size));
    size_t done = 0;
    while (done < body.size()) {
        const ssize_t got = ::pread(fd, body.data() + done, body.size() - done, static_cast<off_t>(done));
        if (got > 0)
            done += static_cast<size_t>(got);
        else if (got == 0 || errno != EINTR)
            break;
    }
    body.resize(done);
    return done == size;
}

// "Not found." and its kin, as the listener writes them; their size.
uint64_t answerText(QWEXClientRequest_& request, unsigned status, const char* text)
{
    request.status = status;
    request.body = std::string(text) + "\n";
    request.state = QWEX_CLIENT_STATE_DATA;
    return request.body.size();
}

} // namespace

std::optional<DWORD> Server::answerOwnFile(const char* url, size_t maxResponseBytes, QWEXClientRequest_& request)
{
    const auto started = std::chrono::steady_clock::now();
    const std::string_view text = url ? url : "";
    std::string_view rest;
    for (const std::string& base : m_ownBaseUrls) {
        if (text.substr(0, base.size()) == base) {
            rest = text.substr(base.size());
            break;
        }
    }
    if (rest.data() == nullptr || m_stopping)
        return std::nullopt;
    // The query means nothing to a file. Escapes are left to the listener's
    // decoding, and dot segments to the client, which removes them before
    // it sends the path.
    const std::string path = "/" + std::string(rest.substr(0, rest.find_first_of("?#")));
    if (path.find('%') != std::string::npos || path.find("/.") != std::string::npos || path.size() > kMaxUrlPath)
        return std::nullopt;
    Route route;
    MappedFile file;
    MapResult mapped = MapResult::eNOT_FOUND;
    if (findRoute(path, route))
        mapped = openUrlPath(route.rootFd, route.rest, file);
    if (mapped == MapResult::eFOUND && !S_ISREG(file.info.st_mode))
        return std::nullopt; // a folder: redirected or its index served by the listener
    if (mapped == MapResult::eFOUND && route.extension && isPageFile(file.name))
        return std::nullopt; // a page of an extension runs on a request thread
    DWORD result = QWEX_SUCCESS;
    uint64_t bytes = 0; // what the listener would have sent
    switch (mapped) {
    case MapResult::eFOUND:
        request.status = MHD_HTTP_OK;
        bytes = static_cast<uint64_t>(file.info.st_size);
        if (bytes > maxResponseBytes)
            result = QWEX_ERROR_TOO_LARGE;
        else if (!readWhole(file.fd.get(), bytes, request.body))
            result = QWEX_ERROR_TRANSFER;
        if (result != QWEX_SUCCESS)
            request.body.clear();
        request.state = result != QWEX_SUCCESS ? QWEX_CLIENT_STATE_FAILED
                        : request.body.empty() ? QWEX_CLIENT_STATE_DONE
                                               : QWEX_CLIENT_STATE_DATA;
        break;
    case MapResult::eFORBIDDEN:
        bytes = answerText(request, MHD_HTTP_FORBIDDEN, "Forbidden.");
        break;
    case MapResult::eTOO_LONG:
        bytes = answerText(request, MHD_HTTP_URI_TOO_LONG, "Path too long.");
        break;
    case MapResult::eNOT_FOUND:
        bytes = answerText(request, MHD_HTTP_NOT_FOUND, "Not found.");
        break;
    }
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
    m_accessLog->write("GET", path, request.status, bytes, static_cast<uint64_t>(elapsed.count()));
    return result;
}

} // namespace qwex

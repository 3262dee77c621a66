// Client transfers with libcurl.
#include "client.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>
#include <string_view>

namespace qwex {
namespace {

// Enough for the request threads of a busy server; more are closed.
constexpr size_t kMaxIdleHandles = 16;

struct ListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

struct Receiver {
    std::string* body;
    size_t limit;
    bool overflowed = false;
};

size_t receive(char* data, size_t size, size_t count, void* receiver)
{
    auto& into = *static_cast<Receiver*>(receiver);
    const size_t bytes = size * count;
    if (into.body->size() + bytes > into.limit) {
        into.overflowed = true;
        return CURL_WRITEFUNC_ERROR;
    }
    into.body->append(data, bytes);
    return bytes;
}

bool isOwnUrl(const char* url, const std::vector<std::string>& baseUrls)
{
    const std::string_view text = url ? url : "";
    for (const std::string& base : baseUrls)
        if (text.substr(0, base.size()) == base)
            return true;
    return false;
}

DWORD resultOf(CURLcode code, bool overflowed)
{
    if (overflowed || code == CURLE_FILESIZE_EXCEEDED)
        return QWEX_ERROR_TOO_LARGE;
    if (code == CURLE_OPERATION_TIMEDOUT)
        return QWEX_ERROR_TIMEOUT;
    return code == CURLE_OK ? QWEX_SUCCESS : QWEX_ERROR_TRANSFER;
}

} // namespace

void CurlDeleter::operator()(CURL* curl) const
{
    curl_easy_cleanup(curl);
}

TransferHandles::~TransferHandles()
{
    std::unique_lock lock(m_mutex);
    m_returned.wait(lock, [this] { return m_nLent == 0; });
    m_idle.clear();
}

CurlPtr TransferHandles::take()
{
    {
        const std::lock_guard lock(m_mutex);
        if (!m_idle.empty()) {
            CurlPtr handle = std::move(m_idle.back());
            m_idle.pop_back();
            ++m_nLent;
            return handle;
        }
    }
    static std::once_flag initialised;
    std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    CurlPtr handle(curl_easy_init());
    if (handle) {
        const std::lock_guard lock(m_mutex);
        ++m_nLent;
    }
    return handle;
}

void TransferHandles::giveBack(CurlPtr handle)
{
    if (!handle)
        return;
    // Clears every option and what the last transfer left; open connections
    // and TLS sessions stay.
    curl_easy_reset(handle.get());
    const std::lock_guard lock(m_mutex);
    if (m_idle.size() < kMaxIdleHandles)
        m_idle.push_back(std::move(handle));
    --m_nLent;
    // Notified under the lock: the destructor may end the object right after.
    m_returned.notify_all();
}

DWORD runTransfer(TransferHandles& handles, const ClientSettings& settings, const ClientTransfer& transfer)
{
    QWEXClientRequest_ request;
    request.userObject = transfer.userObject;
    CurlPtr curl = handles.take();
    if (!curl)
        return QWEX_ERROR_TRANSFER;
    Receiver receiver{&request.body, settings.maxResponseBytes};
    std::unique_ptr<curl_slist, ListDeleter> headers;
    CURL* handle = curl.get();
    curl_easy_setopt(handle, CURLOPT_URL, transfer.url);
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(settings.connectTimeoutMs));
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, static_cast<long>(settings.totalTimeoutMs));
    curl_easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(settings.maxResponseBytes));
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &receive);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &receiver);
    curl_easy_setopt(handle, CURLOPT_CAINFO, settings.trustedCertificate.c_str());
    curl_easy_setopt(handle, CURLOPT_CAPATH, nullptr);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
    const auto addHeader = [&headers](const std::string& line) {
        if (curl_slist* list = curl_slist_append(headers.get(), line.c_str())) {
            [[maybe_unused]] curl_slist* same = headers.release();
            headers.reset(list);
        }
    };
    if (transfer.postData) {
        curl_easy_setopt(handle, CURLOPT_POSTFIELDS, transfer.postData);
        curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(transfer.postSize));
        if (transfer.contentType)
            addHeader(std::string("Content-Type: ") + transfer.contentType);
    }
    if (isOwnUrl(transfer.url, settings.ownBaseUrls))
        addHeader("X-QWEX-Internal: " + settings.internalToken);
    if (headers)
        curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.get());
    const CURLcode code = curl_easy_perform(handle);
    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    request.status = static_cast<DWORD>(status);
    const DWORD result = resultOf(code, receiver.overflowed);
    if (result != QWEX_SUCCESS)
        request.body.clear();
    request.state = result != QWEX_SUCCESS ? QWEX_CLIENT_STATE_FAILED
                    : request.body.empty() ? QWEX_CLIENT_STATE_DONE
                                           : QWEX_CLIENT_STATE_DATA;
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, nullptr);
    handles.giveBack(std::move(curl));
    return deliverAnswer(request, result, transfer);
}

DWORD deliverAnswer(QWEXClientRequest_& request, DWORD result, const ClientTransfer& transfer)
{
    request.userObject = transfer.userObject;
    if (transfer.callback)
        transfer.callback(&request);
    return result;
}

} // namespace qwex

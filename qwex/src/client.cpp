// Client transfers with libcurl.
#include "client.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

namespace qwex {
namespace {

struct CurlDeleter {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
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

DWORD resultOf(CURLcode code, bool overflowed)
{
    if (overflowed || code == CURLE_FILESIZE_EXCEEDED)
        return QWEX_ERROR_TOO_LARGE;
    if (code == CURLE_OPERATION_TIMEDOUT)
        return QWEX_ERROR_TIMEOUT;
    return code == CURLE_OK ? QWEX_SUCCESS : QWEX_ERROR_TRANSFER;
}

} // namespace

DWORD runTransfer(const ClientSettings& settings, const ClientTransfer& transfer)
{
    static std::once_flag initialised;
    std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    QWEXClientRequest_ request;
    request.userObject = transfer.userObject;
    const std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl)
        return QWEX_ERROR_TRANSFER;
    Receiver receiver { &request.body, settings.maxResponseBytes };
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
    if (transfer.postData) {
        curl_easy_setopt(handle, CURLOPT_POSTFIELDS, transfer.postData);
        curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(transfer.postSize));
        if (transfer.contentType) {
            headers.reset(curl_slist_append(nullptr, (std::string("Content-Type: ") + transfer.contentType).c_str()));
            curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.get());
        }
    }
    const CURLcode code = curl_easy_perform(handle);
    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    request.status = static_cast<DWORD>(status);
    const DWORD result = resultOf(code, receiver.overflowed);
    if (result != QWEX_SUCCESS)
        request.body.clear();
    request.state = result != QWEX_SUCCESS     ? QWEX_CLIENT_STATE_FAILED
                    : request.body.empty()     ? QWEX_CLIENT_STATE_DONE
                                               : QWEX_CLIENT_STATE_DATA;
    if (transfer.callback)
        transfer.callback(&request);
    return result;
}

} // namespace qwex

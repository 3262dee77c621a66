// Plain GET requests for the web tests, through libcurl (HTTPS without
// certificate checks: the server's certificate is its own).
#ifndef TSM_TESTS_HTTPGET_H
#define TSM_TESTS_HTTPGET_H

#include "machinetext.h"

#include <curl/curl.h>

#include <string>

namespace tsmtest {

struct HttpResponse {
    long status = 0; // 0 when no response arrived
    std::string body;
};

inline size_t appendBody(char* data, size_t size, size_t count, void* into)
{
    static_cast<std::string*>(into)->append(data, size * count);
    return size * count;
}

// sslVersion: the TLS versions libcurl may offer (CURLOPT_SSLVERSION).
inline HttpResponse httpGet(const std::string& url, long timeoutSeconds = 120,
                            long sslVersion = CURL_SSLVERSION_DEFAULT)
{
    HttpResponse response;
    CURL* curl = curl_easy_init();
    if (!curl)
        return response;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &appendBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &response.body);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, timeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(curl, CURLOPT_SSLVERSION, sslVersion);
    if (curl_easy_perform(curl) == CURLE_OK)
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &response.status);
    curl_easy_cleanup(curl);
    return response;
}

} // namespace tsmtest

#endif

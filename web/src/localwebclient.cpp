// LocalWebClient: synchronous GET and POST through the server library.
#include "localwebclient.h"

#include "checkassert.h"

namespace Web {
namespace {

// Statuses above this carry no document.
constexpr DWORD kLastGoodStatus = 202;

}

LocalWebClient::LocalWebClient(QWEX_HANDLE hServer) : m_hServer(hServer)
{
}

LocalWebClient::~LocalWebClient() = default;

bool LocalWebClient::isInvariant() const
{
    return m_bSignature.isValid();
}

bool LocalWebClient::isValid() const
{
    TSM_ASSERT_INVARIANT();
    return doIsValid();
}

std::string LocalWebClient::getUrl(const std::string& url)
{
    TSM_ASSERT_INVARIANT();
    std::string response = doGetUrl(url);
    TSM_ASSERT_INVARIANT();
    return response;
}

std::string LocalWebClient::postUrl(const std::string& url, const std::string& body)
{
    TSM_ASSERT_INVARIANT();
    std::string response = doPostUrl(url, body);
    TSM_ASSERT_INVARIANT();
    return response;
}

bool LocalWebClient::doIsValid() const
{
    return m_bSignature.isValid() && m_hServer != nullptr;
}

std::string LocalWebClient::doGetUrl(const std::string& url)
{
    m_strResponse.clear();
    if (doIsValid())
        QWEXClientGetUrl(m_hServer, url.c_str(), &LocalWebClient::onTransfer, this);
    return m_strResponse;
}

std::string LocalWebClient::doPostUrl(const std::string& url, const std::string& body)
{
    m_strResponse.clear();
    if (doIsValid()) {
        QWEXClientPostUrl(m_hServer, url.c_str(), body.data(), static_cast<DWORD>(body.size()), nullptr,
                          &LocalWebClient::onTransfer, this);
    }
    return m_strResponse;
}

BOOL WINAPI LocalWebClient::onTransfer(QWEX_CLIENT_REQUEST hRequest)
{
    const bool bGood = QWEXClientStatus(hRequest) <= kLastGoodStatus;
    if (bGood && QWEXClientState(hRequest) == QWEX_CLIENT_STATE_DATA) {
        DWORD dwLength = 0;
        const char* pBytes = QWEXClientCacheBuffer(hRequest, &dwLength);
        auto* pClient = static_cast<LocalWebClient*>(QWEXClientGetUserObject(hRequest));
        if (pBytes && pClient && pClient->isInvariant())
            pClient->m_strResponse.append(pBytes, dwLength);
    }
    return bGood ? TRUE : FALSE;
}

}

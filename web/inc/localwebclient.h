// LocalWebClient: fetches documents from the management HTTP server that the
// agent runs in, through the server library's client calls.
#ifndef TSM_WEB_LOCALWEBCLIENT_H
#define TSM_WEB_LOCALWEBCLIENT_H

#include "csign.h"

#include <ZyrQWEX.h>

#include <string>

namespace Web {

class LocalWebClient {
public:
    explicit LocalWebClient(QWEX_HANDLE hServer);
    virtual ~LocalWebClient();
    LocalWebClient(const LocalWebClient&) = delete;
    LocalWebClient& operator=(const LocalWebClient&) = delete;

    bool isInvariant() const;
    // Live and bound to a server.
    bool isValid() const;
    // The server it asks.
    QWEX_HANDLE server() const { return m_hServer; }
    // The body of a response with status 202 or below; "" when nothing was
    // received, the status was higher or the client has no server.
    std::string getUrl(const std::string& url);
    // Posts the body the same way; no request path of the agent uses it.
    std::string postUrl(const std::string& url, const std::string& body);

protected:
    virtual bool doIsValid() const;
    virtual std::string doGetUrl(const std::string& url);
    virtual std::string doPostUrl(const std::string& url, const std::string& body);

private:
    // Completion callback of a transfer: keeps the body of a good response.
    static BOOL WINAPI onTransfer(QWEX_CLIENT_REQUEST hRequest);

    CSignature m_bSignature;
    QWEX_HANDLE m_hServer;
    std::string m_strResponse;
};

}

#endif

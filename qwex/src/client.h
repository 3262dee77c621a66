// The client calls: synchronous transfers from the server's own listeners.
#ifndef QWEX_CLIENT_H
#define QWEX_CLIENT_H

#include <ZyrQWEX.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

typedef void CURL;

namespace qwex {

struct ClientSettings {
    std::string trustedCertificate; // the only certificate an HTTPS peer may present
    unsigned connectTimeoutMs;
    unsigned totalTimeoutMs;
    unsigned maxResponseBytes;
    // Sent as X-QWEX-Internal to the server's own listeners (ownBaseUrls) only.
    std::string internalToken;
    std::vector<std::string> ownBaseUrls;
};

struct ClientTransfer {
    const char* url;
    const void* postData; // null for GET
    size_t postSize;
    const char* contentType;
    PFN_QWEX_CLIENT_CALLBACK callback;
    void* userObject;
};

struct CurlDeleter {
    void operator()(CURL* curl) const;
};
using CurlPtr = std::unique_ptr<CURL, CurlDeleter>;

// Transfer handles kept between transfers. A handle keeps its connections to
// the server open and its TLS sessions, so the loopback fetches of a page do
// not each pay for a connection and a TLS handshake. Only connections are
// kept: every transfer sets all its options anew and receives its own answer.
class TransferHandles {
public:
    TransferHandles() = default;
    // Waits until every handle taken was given back: a client call may still
    // run on another thread while the server shuts down.
    ~TransferHandles();
    TransferHandles(const TransferHandles&) = delete;
    TransferHandles& operator=(const TransferHandles&) = delete;

    // A handle with no options set: one that was given back, or a new one.
    // Every handle taken must be given back.
    CurlPtr take();
    // Keeps the handle for a later transfer (a few at most).
    void giveBack(CurlPtr handle);

private:
    std::mutex m_mutex;
    std::condition_variable m_returned;
    std::size_t m_nLent = 0;
    std::vector<CurlPtr> m_idle;
};

// Runs one transfer on a handle from handles and calls its callback once;
// the call's result.
DWORD runTransfer(TransferHandles& handles, const ClientSettings& settings, const ClientTransfer& transfer);
// Calls the callback of a transfer answered without a handle, once.
DWORD deliverAnswer(QWEXClientRequest_& request, DWORD result, const ClientTransfer& transfer);

} // namespace qwex

// What the inquiry calls see of a transfer inside its callback.
struct QWEXClientRequest_ {
    DWORD status = 0;
    DWORD state = QWEX_CLIENT_STATE_FAILED;
    std::string body;
    void* userObject = nullptr;
};

#endif

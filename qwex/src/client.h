// The client calls: synchronous transfers from the server's own listeners.
#ifndef QWEX_CLIENT_H
#define QWEX_CLIENT_H

#include <ZyrQWEX.h>

#include <string>

namespace qwex {

struct ClientSettings {
    std::string trustedCertificate; // the only certificate an HTTPS peer may present
    unsigned connectTimeoutMs;
    unsigned totalTimeoutMs;
    unsigned maxResponseBytes;
};

struct ClientTransfer {
    const char* url;
    const void* postData; // null for GET
    size_t postSize;
    const char* contentType;
    PFN_QWEX_CLIENT_CALLBACK callback;
    void* userObject;
};

// Runs one transfer and calls its callback once; the call's result.
DWORD runTransfer(const ClientSettings& settings, const ClientTransfer& transfer);

} // namespace qwex

// What the inquiry calls see of a transfer inside its callback.
struct QWEXClientRequest_ {
    DWORD status = 0;
    DWORD state = QWEX_CLIENT_STATE_FAILED;
    std::string body;
    void* userObject = nullptr;
};

#endif

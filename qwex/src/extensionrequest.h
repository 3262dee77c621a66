// One request to a web extension: the control block handed to the extension
// and the server-support calls it makes back while it runs.
#ifndef QWEX_EXTENSIONREQUEST_H
#define QWEX_EXTENSIONREQUEST_H

#include <ZyrQWEX.h>

#include <string>

namespace qwex {

class Extension;

struct RequestFacts {
    std::string method;
    std::string path; // URL path, decoded
    std::string query; // text after '?'
    std::string contentType; // of the request body
    std::string body;
    std::string pathTranslated; // DOS path of the requested file
};

struct ExtensionResponse {
    unsigned status = 500;
    std::string contentType;
    std::string body;
};

class ExtensionRequest {
public:
    ExtensionRequest(const Extension& extension, const std::string& serverDirectory, RequestFacts facts);
    ExtensionRequest(const ExtensionRequest&) = delete;
    ExtensionRequest& operator=(const ExtensionRequest&) = delete;

    // Calls the extension's request callback and returns what it answered.
    ExtensionResponse run();

private:
    static ExtensionRequest* fromConnection(HCONN connection);
    static ExtensionRequest* fromBlock(EXTENSION_CONTROL_BLOCK* block);
    static BOOL WINAPI serverSupport(HCONN connection, DWORD request, LPVOID buffer, LPDWORD size, LPDWORD type);
    static BOOL WINAPI writeClient(HCONN connection, LPVOID buffer, LPDWORD bytes, DWORD reserved);
    static BOOL WINAPI readClient(HCONN connection, LPVOID buffer, LPDWORD size);
    static BOOL WINAPI getServerVariable(HCONN connection, LPSTR name, LPVOID buffer, LPDWORD size);
    static BOOL WINAPI writeToPage(EXTENSION_CONTROL_BLOCK* block, LPCSTR text);

    BOOL servePage(const QWEX_TAG_HANDLER* handlers, const DWORD* pathLength, const char* path);
    BOOL copyServerDirectory(char* buffer, DWORD* size) const;
    bool readPageFile(const std::string& dosPath, std::string& page);

    static constexpr unsigned char kSigned = 0xA1;

    unsigned char m_bSignature = kSigned;
    const Extension& m_extension;
    const std::string& m_serverDirectory;
    RequestFacts m_facts;
    EXTENSION_CONTROL_BLOCK m_block{};
    std::string m_output;
    std::string m_contentType;
    bool m_answered = false; // something was written or a page served
    bool m_expanding = false; // inside a page's tag handlers
};

} // namespace qwex

#endif

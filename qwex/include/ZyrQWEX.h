// The management HTTP server library (ZyrQWEX): its C interface. A process
// starts one server, registers web extensions with it and fetches documents
// from it with the client calls. Records that carry addresses keep their field
// order on every build; on a 32-bit build their offsets are the ones noted.
#ifndef ZYR_QWEX_H
#define ZYR_QWEX_H

#include <httpext.h>
#include <windows.h>

#if defined(__GNUC__)
#define QWEX_API __attribute__((visibility("default")))
#else
#define QWEX_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

// ---------------------------------------------------------------- records

// Server start-up record: byte-exact, no addresses, the same 1579 bytes on every
// build. Its two numbers are little-endian (QWEXPutLE32 / QWEXGetLE32).
#define QWEX_STARTUP_INFO_SIZE 1579
typedef struct _QWEX_STARTUP_INFO {
    BYTE cbSize[4]; // 0: QWEX_STARTUP_INFO_SIZE
    BYTE dwFormat[4]; // 4: 2
    CHAR szProductInfo[516]; // 8: "MarketingName:<name>", zero-terminated
    CHAR szModulePath[1055]; // 524: directory of the calling program, zero-terminated
} QWEX_STARTUP_INFO;

// Description entry: a text in one language (12 bytes on a 32-bit build).
// A list of entries ends with an all-zero entry.
typedef struct _QWEX_DESCRIPTION {
    DWORD cbSize; // sizeof(QWEX_DESCRIPTION)
    LPCSTR pszLanguage; // "ENG"
    LPCSTR pszText;
} QWEX_DESCRIPTION;

// Category entry (24 bytes on a 32-bit build). A list ends with an all-zero entry.
typedef struct _QWEX_CATEGORY {
    DWORD cbSize; // sizeof(QWEX_CATEGORY)
    LPCSTR pszName; // "GENERIC"
    DWORD dwFormat; // 2
    const QWEX_DESCRIPTION* pDescriptions;
    DWORD dwParam1; // 4
    DWORD dwParam2; // 4
} QWEX_CATEGORY;

// The library's version record, filled by an extension's version callback.
typedef HSE_VERSION_INFO QWEX_VERSION_INFO;

typedef BOOL(WINAPI* PFN_QWEX_GET_VERSION)(QWEX_VERSION_INFO* pVersion);
typedef DWORD(WINAPI* PFN_QWEX_HTTP_EXTENSION_PROC)(EXTENSION_CONTROL_BLOCK* pECB);
typedef BOOL(WINAPI* PFN_QWEX_TERMINATE)(DWORD dwFlags);

// Extension record (1084 bytes on a 32-bit build; cbSize is always
// sizeof(QWEX_EXTENSION_INFO), QWEX_EXTENSION_INFO_SIZE).
typedef struct _QWEX_EXTENSION_INFO {
    DWORD cbSize; // 0
    CHAR szUrlRoot[780]; // 4: "/VXA", zero-terminated
    CHAR szPageDirectory[264]; // 784: DOS path of the pages, zero-terminated
    DWORD dwDescriptionFormat; // 1048: 2
    const QWEX_DESCRIPTION* pHeaderDescriptions; // 1052: used during registration only
    DWORD dwCategoryFormat; // 1056: 2
    const QWEX_CATEGORY* pCategories; // 1060
    BYTE reserved[8]; // 1064: zero
    PFN_QWEX_GET_VERSION pfnGetVersion; // 1072
    PFN_QWEX_HTTP_EXTENSION_PROC pfnHttpExtensionProc; // 1076
    PFN_QWEX_TERMINATE pfnTerminate; // 1080
} QWEX_EXTENSION_INFO;
#define QWEX_EXTENSION_INFO_SIZE ((DWORD)sizeof(QWEX_EXTENSION_INFO))

// ---------------------------------------------------------- page templates

// Writes a zero-terminated text into the page at the tag being expanded.
typedef BOOL(WINAPI* PFN_QWEX_WRITE)(EXTENSION_CONTROL_BLOCK* pECB, LPCSTR pszText);
// Expands one tag; returns 1.
typedef BOOL(WINAPI* PFN_QWEX_TAG_HANDLER)(EXTENSION_CONTROL_BLOCK* pECB, PFN_QWEX_WRITE pfnWrite);

// One entry of a tag handler table; the table ends with an entry of two nulls.
typedef struct _QWEX_TAG_HANDLER {
    LPCSTR pszTagName;
    PFN_QWEX_TAG_HANDLER pfnHandler;
} QWEX_TAG_HANDLER;

// Server-support request codes (ServerSupportFunction of the control block).
// QWEX_REQ_SERVE_PAGE: lpvBuffer = tag handler table, lpdwSize = address of the
//   path length, lpdwDataType = the page file's path (DOS path, zero-terminated
//   within that length). The page becomes the response, with its tags expanded.
// QWEX_REQ_SERVER_DIRECTORY: lpvBuffer = null (not used), lpdwSize = address of
//   the output buffer's size, lpdwDataType = the output buffer; writes the DOS
//   path of the server's directory (no trailing backslash).
#define QWEX_REQ_SERVE_PAGE 2001
#define QWEX_REQ_SERVER_DIRECTORY 2017

// ----------------------------------------------------------------- results

#define QWEX_SUCCESS 0
#define QWEX_ERROR_BAD_ARGUMENT 1 // a null or malformed argument
#define QWEX_ERROR_BAD_RECORD 2 // record size or content refused
#define QWEX_ERROR_START_FAILED 3 // a listener could not be opened, or no certificate
#define QWEX_ERROR_CONFLICT 4 // URL root already served
#define QWEX_ERROR_REFUSED 5 // the extension's version callback failed
#define QWEX_ERROR_SHUTTING_DOWN 6
#define QWEX_ERROR_TRANSFER 7 // no connection, or the transfer broke off
#define QWEX_ERROR_TIMEOUT 8
#define QWEX_ERROR_TOO_LARGE 9 // response over the client's size limit
#define QWEX_ERROR_PORT_IN_USE 10 // another process holds a listening port

// Transfer states of a client request, as QWEXClientState reports them.
#define QWEX_CLIENT_STATE_FAILED 3 // no response (see the call's result)
#define QWEX_CLIENT_STATE_DATA 10 // the whole response body waits in the buffer
#define QWEX_CLIENT_STATE_DONE 11 // response complete, without a body

#define QWEX_DEFAULT_HTTP_PORT 2301
#define QWEX_DEFAULT_HTTPS_PORT 2381

// ----------------------------------------------------------------- server

typedef struct QWEXServer_* QWEX_HANDLE;

// Starts HTTP and HTTPS on the addresses of the server's configuration
// (127.0.0.1:2301 and 127.0.0.1:2381 by default); *phServer is the server,
// or null when it does not run.
QWEX_API DWORD WINAPI QWEXStartupHTTPServer(const QWEX_STARTUP_INFO* pInfo, QWEX_HANDLE* phServer);
QWEX_API void WINAPI QWEXBlockUnload(void);
QWEX_API void WINAPI QWEXAllowUnload(void);
// Stack size in bytes of the request threads started after this call.
QWEX_API DWORD WINAPI QWEXSetIsapiStackSize(QWEX_HANDLE hServer, DWORD dwStackSize);
// Calls the version callback, then routes every request under the URL root to
// the request callback. QWEX_SUCCESS (0) means registered.
QWEX_API DWORD WINAPI QWEXRegisterIsapiExtension(QWEX_HANDLE hServer, const QWEX_EXTENSION_INFO* pInfo);
// Stops accepting, lets requests in flight finish, calls the termination
// callbacks and frees the server. No extension callback runs after it returns.
QWEX_API DWORD WINAPI QWEXShutdownHTTPServer(QWEX_HANDLE hServer);

// ----------------------------------------------------------------- client

typedef struct QWEXClientRequest_* QWEX_CLIENT_REQUEST;
// Called once per transfer, on the calling thread, before the call returns.
// Its result is not used.
typedef BOOL(WINAPI* PFN_QWEX_CLIENT_CALLBACK)(QWEX_CLIENT_REQUEST hRequest);

// Synchronous GET; the callback has seen the whole response when it returns.
// HTTPS is verified against the server's own certificate.
QWEX_API DWORD WINAPI QWEXClientGetUrl(QWEX_HANDLE hServer, LPCSTR pszUrl, PFN_QWEX_CLIENT_CALLBACK pfnCallback,
                                       LPVOID pUserObject);
// Synchronous POST of dwSize bytes with the given content type (null: none).
QWEX_API DWORD WINAPI QWEXClientPostUrl(QWEX_HANDLE hServer, LPCSTR pszUrl, LPCVOID pData, DWORD dwSize,
                                        LPCSTR pszContentType, PFN_QWEX_CLIENT_CALLBACK pfnCallback,
                                        LPVOID pUserObject);
// HTTP status of the response; 0 when none arrived.
QWEX_API DWORD WINAPI QWEXClientStatus(QWEX_CLIENT_REQUEST hRequest);
QWEX_API DWORD WINAPI QWEXClientState(QWEX_CLIENT_REQUEST hRequest);
// The received body and its length in bytes; valid during the callback.
QWEX_API LPCSTR WINAPI QWEXClientCacheBuffer(QWEX_CLIENT_REQUEST hRequest, LPDWORD pdwLength);
QWEX_API LPVOID WINAPI QWEXClientGetUserObject(QWEX_CLIENT_REQUEST hRequest);

#ifdef __cplusplus
}

// Little-endian numbers of the start-up record.
inline void QWEXPutLE32(BYTE (&field)[4], DWORD value)
{
    for (int i = 0; i < 4; ++i)
        field[i] = static_cast<BYTE>(value >> (8 * i));
}

inline DWORD QWEXGetLE32(const BYTE (&field)[4])
{
    return static_cast<DWORD>(field[0]) | static_cast<DWORD>(field[1]) << 8 | static_cast<DWORD>(field[2]) << 16 |
           static_cast<DWORD>(field[3]) << 24;
}
#endif

#endif

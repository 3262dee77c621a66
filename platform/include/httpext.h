// The ISAPI extension interface of the platform's web server: the extension
// control block a web extension receives for each request, its version record
// and the status and request codes, as far as the agent and its server use them.
#ifndef TSM_HTTPEXT_H
#define TSM_HTTPEXT_H

#include <windows.h>

#define HSE_VERSION_MAJOR 5
#define HSE_VERSION_MINOR 0
#define HSE_VERSION ((DWORD)HSE_VERSION_MINOR | ((DWORD)HSE_VERSION_MAJOR << 16))

#define HSE_LOG_BUFFER_LEN 80
#define HSE_MAX_EXT_DLL_NAME_LEN 256

// Results of an extension's request procedure.
#define HSE_STATUS_SUCCESS 1
#define HSE_STATUS_SUCCESS_AND_KEEP_CONN 2
#define HSE_STATUS_PENDING 3
#define HSE_STATUS_ERROR 4

// Request codes below this value are the platform's; servers add their own above it.
#define HSE_REQ_END_RESERVED 1000

// Flag passed to an extension's termination procedure.
#define HSE_TERM_ADVISORY_UNLOAD 0x00000001
#define HSE_TERM_MUST_UNLOAD 0x00000002

typedef LPVOID HCONN;

typedef struct _HSE_VERSION_INFO {
    DWORD dwExtensionVersion;
    CHAR lpszExtensionDesc[HSE_MAX_EXT_DLL_NAME_LEN];
} HSE_VERSION_INFO, *LPHSE_VERSION_INFO;

typedef struct _EXTENSION_CONTROL_BLOCK {
    DWORD cbSize; // size of this block
    DWORD dwVersion; // HSE_VERSION of the server
    HCONN ConnID; // the request, for every callback below
    DWORD dwHttpStatusCode; // status of the response, 200 unless changed
    CHAR lpszLogData[HSE_LOG_BUFFER_LEN];
    LPSTR lpszMethod; // "GET", "POST", ...
    LPSTR lpszQueryString; // text after '?', "" if none
    LPSTR lpszPathInfo; // URL path of the request
    LPSTR lpszPathTranslated; // file-system path of the requested file
    DWORD cbTotalBytes; // bytes of the request body
    DWORD cbAvailable; // bytes of it in lpbData
    LPBYTE lpbData;
    LPSTR lpszContentType; // content type of the request body
    BOOL(WINAPI* GetServerVariable)(HCONN hConn, LPSTR lpszVariableName, LPVOID lpvBuffer, LPDWORD lpdwSize);
    BOOL(WINAPI* WriteClient)(HCONN ConnID, LPVOID Buffer, LPDWORD lpdwBytes, DWORD dwReserved);
    BOOL(WINAPI* ReadClient)(HCONN ConnID, LPVOID lpvBuffer, LPDWORD lpdwSize);
    BOOL(WINAPI* ServerSupportFunction)
    (HCONN hConn, DWORD dwHSERequest, LPVOID lpvBuffer, LPDWORD lpdwSize, LPDWORD lpdwDataType);
} EXTENSION_CONTROL_BLOCK, *LPEXTENSION_CONTROL_BLOCK;

#endif

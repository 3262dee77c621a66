// The extension's request callback and the transformation and version tags
// (the health tag is in pagehealth.h).
#ifndef TSM_WEB_REQUESTHANDLER_H
#define TSM_WEB_REQUESTHANDLER_H

#include <ZyrQWEX.h>

namespace Web {

// Size of the buffer the requested page's path is copied into; a longer path
// is refused with status 414.
constexpr DWORD kPathBufferSize = 260;

// Hands the requested page back to the server (request 2001) with the tag
// handler table; returns 1 in every case.
DWORD WINAPI HttpExtensionProc(EXTENSION_CONTROL_BLOCK* pECB);

// "vxaXmlToJs": the transformed discovery data of this moment.
BOOL WINAPI TransformationTag(EXTENSION_CONTROL_BLOCK* pECB, PFN_QWEX_WRITE pfnWrite);
// "ApplicationVersion": applicationVersion = "<version>";
BOOL WINAPI VersionTag(EXTENSION_CONTROL_BLOCK* pECB, PFN_QWEX_WRITE pfnWrite);

}

#endif

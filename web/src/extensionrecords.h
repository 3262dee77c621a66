// The records the agent hands to the management HTTP server: the start-up
// record, the extension record with its description and category lists, and
// the extension's version and termination callbacks.
#ifndef TSM_WEB_EXTENSIONRECORDS_H
#define TSM_WEB_EXTENSIONRECORDS_H

#include <ZyrQWEX.h>

namespace Web {

// The server's header fragment for the agent, in English.
extern const char kHeaderDescription[];

// The header description list: one English entry and the closing zero entry.
// The caller keeps it (on its stack) for the time of the registration only.
struct HeaderDescriptions {
    QWEX_DESCRIPTION entries[2];
};
HeaderDescriptions makeHeaderDescriptions();

// The static category list: "GENERIC" and the closing zero entry.
const QWEX_CATEGORY* categoryList();

// Fills the zeroed record: size, format 2, marketing name, ModulePath("./").
void fillStartupRecord(QWEX_STARTUP_INFO& record);

// The extension's URL root.
extern const char kUrlRoot[];

// Fills the zeroed record for the URL root "/VXA" with the pages in
// ModulePath("../html"), the two lists and the three callbacks.
void fillExtensionRecord(QWEX_EXTENSION_INFO& record, const QWEX_DESCRIPTION* pHeaderDescriptions);

// Writes 1 into the first 32-bit field of the library's version record.
BOOL WINAPI ExtensionVersion(QWEX_VERSION_INFO* pVersion);
// Accepts every termination.
BOOL WINAPI ExtensionTerminate(DWORD dwFlags);

}

#endif

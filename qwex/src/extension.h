// A registered web extension: its checked record, its page folder and its callbacks.
#ifndef QWEX_EXTENSION_H
#define QWEX_EXTENSION_H

#include "uniquefd.h"

#include <ZyrQWEX.h>

#include <memory>
#include <string>

namespace qwex {

class Extension {
public:
    Extension() = default;

    // Checks the record (size, URL root, page folder, callbacks, description
    // lists); QWEX_SUCCESS with the extension, else the reason.
    static DWORD fromRecord(const QWEX_EXTENSION_INFO& record, std::unique_ptr<Extension>& extension);

    // The URL root without its slash ("VXA").
    const std::string& name() const { return m_name; }
    // The page folder: open, its real host path, and its DOS path as registered.
    int pageRootFd() const { return m_pageRoot.get(); }
    const std::string& pageRootPath() const { return m_pageRootPath; }
    const std::string& pageDirectory() const { return m_pageDirectory; }

    bool callVersion() const;
    DWORD callRequest(EXTENSION_CONTROL_BLOCK& block) const;
    void callTerminate() const;

private:
    std::string m_name;
    std::string m_pageDirectory;
    std::string m_pageRootPath;
    UniqueFd m_pageRoot;
    PFN_QWEX_GET_VERSION m_pfnVersion = nullptr;
    PFN_QWEX_HTTP_EXTENSION_PROC m_pfnRequest = nullptr;
    PFN_QWEX_TERMINATE m_pfnTerminate = nullptr;
};

// Whether name can be a URL root or a web application's folder name: 1 to 64
// letters, digits, '_', '-' and '.', not starting with '.'.
bool isApplicationName(const std::string& name);

} // namespace qwex

#endif

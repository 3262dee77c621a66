// Extension registration records.
#include "extension.h"

#include "tsm/machine.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>

#include <cctype>
#include <cstring>

namespace qwex {
namespace {

constexpr size_t kMaxListEntries = 64;

// Text of a fixed field that must be zero-terminated inside it.
bool fieldText(const char* field, size_t width, std::string& text)
{
    const size_t length = ::strnlen(field, width);
    if (length == width)
        return false;
    text.assign(field, length);
    return true;
}

template <typename Entry>
bool isWellFormedList(const Entry* entries)
{
    if (!entries)
        return true;
    for (size_t i = 0; i < kMaxListEntries; ++i) {
        if (entries[i].cbSize == 0)
            return true;
        if (entries[i].cbSize != sizeof(Entry))
            return false;
    }
    return false;
}

bool isWellFormedCategories(const QWEX_CATEGORY* categories)
{
    if (!isWellFormedList(categories))
        return false;
    for (size_t i = 0; categories && categories[i].cbSize != 0; ++i)
        if (!isWellFormedList(categories[i].pDescriptions))
            return false;
    return true;
}

} // namespace

bool isApplicationName(const std::string& name)
{
    if (name.empty() || name.size() > 64 || name[0] == '.')
        return false;
    for (char c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '-' && c != '.')
            return false;
    return true;
}

DWORD Extension::fromRecord(const QWEX_EXTENSION_INFO& record, std::unique_ptr<Extension>& extension)
{
    if (record.cbSize != QWEX_EXTENSION_INFO_SIZE)
        return QWEX_ERROR_BAD_RECORD;
    auto made = std::make_unique<Extension>();
    std::string root;
    if (!fieldText(record.szUrlRoot, sizeof record.szUrlRoot, root) || root.size() < 2 || root[0] != '/' ||
        !isApplicationName(root.substr(1)))
        return QWEX_ERROR_BAD_RECORD;
    made->m_name = root.substr(1);
    if (!fieldText(record.szPageDirectory, sizeof record.szPageDirectory, made->m_pageDirectory) ||
        made->m_pageDirectory.empty())
        return QWEX_ERROR_BAD_RECORD;
    if (!record.pfnGetVersion || !record.pfnHttpExtensionProc || !record.pfnTerminate)
        return QWEX_ERROR_BAD_RECORD;
    if (!isWellFormedList(record.pHeaderDescriptions) || !isWellFormedCategories(record.pCategories))
        return QWEX_ERROR_BAD_RECORD;
    const std::string host = tsm::dosToHost(made->m_pageDirectory);
    char real[PATH_MAX];
    if (host.empty() || !::realpath(host.c_str(), real))
        return QWEX_ERROR_BAD_RECORD;
    made->m_pageRootPath = real;
    made->m_pageRoot.reset(::open(real, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!made->m_pageRoot.isValid())
        return QWEX_ERROR_BAD_RECORD;
    made->m_pfnVersion = record.pfnGetVersion;
    made->m_pfnRequest = record.pfnHttpExtensionProc;
    made->m_pfnTerminate = record.pfnTerminate;
    extension = std::move(made);
    return QWEX_SUCCESS;
}

bool Extension::callVersion() const
{
    QWEX_VERSION_INFO version{};
    return m_pfnVersion(&version) != FALSE;
}

DWORD Extension::callRequest(EXTENSION_CONTROL_BLOCK& block) const
{
    return m_pfnRequest(&block);
}

void Extension::callTerminate() const
{
    m_pfnTerminate(HSE_TERM_MUST_UNLOAD);
}

} // namespace qwex

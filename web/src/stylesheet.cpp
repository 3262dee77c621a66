// XSLT with Xalan-C: the stylesheet compiled once per version of its file, a
// fresh transformer per call.
#include "stylesheet.h"

#include "tsm/machine.h"

#include <xalanc/XSLT/XSLTInputSource.hpp>
#include <xalanc/XSLT/XSLTResultTarget.hpp>
#include <xalanc/XalanTransformer/XalanTransformer.hpp>
#include <xalanc/XalanTransformer/XercesDOMWrapperParsedSource.hpp>
#include <xalanc/XercesParserLiaison/XercesDOMSupport.hpp>
#include <xalanc/XercesParserLiaison/XercesParserLiaison.hpp>

#include <sys/stat.h>

#include <sstream>

namespace Web {
namespace {

// What tells one version of the stylesheet file from another.
struct FileStamp {
    std::string hostPath;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified {};

    bool operator==(const FileStamp& other) const
    {
        return hostPath == other.hostPath && device == other.device && inode == other.inode &&
               size == other.size && modified.tv_sec == other.modified.tv_sec &&
               modified.tv_nsec == other.modified.tv_nsec;
    }
};

// The stamp of the file the DOS path names now; no host path when it names
// nothing.
FileStamp stampOf(const std::string& dosPath)
{
    FileStamp stamp;
    stamp.hostPath = tsm::dosToHost(dosPath);
    struct stat info {};
    if (stamp.hostPath.empty() || ::stat(stamp.hostPath.c_str(), &info) != 0) {
        stamp.hostPath.clear();
        return stamp;
    }
    stamp.device = info.st_dev;
    stamp.inode = info.st_ino;
    stamp.size = info.st_size;
    stamp.modified = info.st_mtim;
    return stamp;
}

}

// A compiled stylesheet lives as long as the transformer that compiled it.
// Xalan's compiled stylesheets are read-only while they transform, so any
// number of threads use one at once, each with a transformer of its own.
struct Stylesheet::Compiled {
    FileStamp stamp;
    uint64_t version = 0;
    std::unique_ptr<xalanc::XalanTransformer> owner;
    const xalanc::XalanCompiledStylesheet* pStylesheet = nullptr;
};

Stylesheet::Stylesheet(std::string path) : m_strPath(std::move(path)) {}

Stylesheet::~Stylesheet() = default;

std::shared_ptr<const Stylesheet::Compiled> Stylesheet::current()
{
    FileStamp stamp = stampOf(m_strPath);
    if (stamp.hostPath.empty())
        return nullptr;
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_compiled && m_compiled->stamp == stamp)
        return m_compiled;
    auto compiled = std::make_shared<Compiled>();
    compiled->stamp = std::move(stamp);
    compiled->version = ++m_nCompiled;
    try {
        // The transformer is large; it lives on the heap, not on the request
        // thread's small stack.
        compiled->owner = std::make_unique<xalanc::XalanTransformer>();
        const xalanc::XSLTInputSource source(compiled->stamp.hostPath.c_str());
        if (compiled->owner->compileStylesheet(source, compiled->pStylesheet) != 0)
            compiled->pStylesheet = nullptr;
    } catch (...) {
        compiled->pStylesheet = nullptr;
    }
    // A file that does not compile is tried again only once it changes.
    m_compiled = std::move(compiled);
    return m_compiled->pStylesheet ? m_compiled : nullptr;
}

uint64_t Stylesheet::version()
{
    const std::shared_ptr<const Compiled> compiled = current();
    return compiled ? compiled->version : 0;
}

std::string Stylesheet::transform(const std::string& document)
{
    const std::shared_ptr<const Compiled> compiled = current();
    if (!compiled)
        return std::string();
    std::ostringstream result;
    try {
        std::istringstream source(document);
        const xalanc::XSLTInputSource input(source);
        xalanc::XSLTResultTarget target(result);
        const auto pTransformer = std::make_unique<xalanc::XalanTransformer>();
        pTransformer->transform(input, compiled->pStylesheet, target);
    } catch (...) {
        // Nothing thrown by the libraries leaves the transformation.
    }
    return result.str();
}

std::string Stylesheet::transform(const xercesc::DOMDocument& document)
{
    const std::shared_ptr<const Compiled> compiled = current();
    if (!compiled)
        return std::string();
    std::ostringstream result;
    try {
        xalanc::XercesParserLiaison liaison;
        xalanc::XercesDOMSupport support(liaison);
        const xalanc::XercesDOMWrapperParsedSource input(&document, liaison, support);
        xalanc::XSLTResultTarget target(result);
        const auto pTransformer = std::make_unique<xalanc::XalanTransformer>();
        pTransformer->transform(input, compiled->pStylesheet, target);
    } catch (...) {
    }
    return result.str();
}

}

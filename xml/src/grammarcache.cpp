// Loading a folder's DTDs into a grammar pool that parsers share.
#include "grammarcache.h"

#include "dtdresolver.h"
#include "parseerrorhandler.h"
#include "xmlstring.h"

#include <xercesc/framework/LocalFileInputSource.hpp>
#include <xercesc/framework/XMLGrammarPoolImpl.hpp>
#include <xercesc/parsers/XercesDOMParser.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/validators/DTD/DTDGrammar.hpp>

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace Xml {
namespace {

// A file or folder as last seen: any change of it means a reload. Adding or
// removing a file changes its folder's stamp.
struct Stamp {
    bool bExists = false;
    std::int64_t size = 0;
    std::int64_t seconds = 0;
    std::int64_t nanoseconds = 0;
    std::uint64_t inode = 0;
    bool operator==(const Stamp&) const = default;
};

Stamp stampOf(const std::string& path)
{
    Stamp stamp;
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0)
        stamp = {true, info.st_size, info.st_mtim.tv_sec, info.st_mtim.tv_nsec, info.st_ino};
    return stamp;
}

struct DtdFile {
    std::string name;
    Stamp stamp;
};

// The DTD files of the folder the resolver would serve, in name order.
std::vector<DtdFile> dtdFiles(const std::string& directory)
{
    std::vector<DtdFile> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(directory, error)) {
        const std::string name = entry.path().filename().string();
        if (DtdResolver::dtdFileName(name) != name)
            continue;
        const Stamp stamp = stampOf(directory + "/" + name);
        if (stamp.bExists)
            files.push_back({name, stamp});
    }
    std::sort(files.begin(), files.end(), [](const DtdFile& a, const DtdFile& b) { return a.name < b.name; });
    return files;
}

// Validation builds an element's content model and its list of attributes
// the first time it meets one of its elements, inside the shared grammar.
// Built here, while the pool has one user, they are only ever read by the
// parsers that share it.
void buildElementModels(const xercesc::XMLGrammarPool& pool)
{
    xercesc::RefHashTableOfEnumerator<xercesc::Grammar> grammars = pool.getGrammarEnumerator();
    while (grammars.hasMoreElements()) {
        xercesc::Grammar& grammar = grammars.nextElement();
        if (grammar.getGrammarType() != xercesc::Grammar::DTDGrammarType)
            continue;
        xercesc::NameIdPoolEnumerator<xercesc::DTDElementDecl> elements =
            static_cast<xercesc::DTDGrammar&>(grammar).getElemEnumerator();
        while (elements.hasMoreElements()) {
            // Only mixed and element content have a model; asking for that
            // of an EMPTY or ANY element throws.
            xercesc::DTDElementDecl& element = elements.nextElement();
            const auto eModel = element.getModelType();
            if (eModel == xercesc::DTDElementDecl::Mixed_Simple || eModel == xercesc::DTDElementDecl::Children)
                element.getContentModel();
            // The list of declared attributes is made on first use too.
            if (element.hasAttDefs())
                element.getAttDefList();
        }
    }
}

std::shared_ptr<xercesc::XMLGrammarPool> loadGrammars(const std::string& directory, const std::vector<DtdFile>& files)
{
    auto pPool = std::make_unique<xercesc::XMLGrammarPoolImpl>(xercesc::XMLPlatformUtils::fgMemoryManager);
    std::size_t nLoaded = 0;
    {
        xercesc::XercesDOMParser loader(nullptr, xercesc::XMLPlatformUtils::fgMemoryManager, pPool.get());
        ParseErrorHandler handler;
        loader.setErrorHandler(&handler);
        DtdResolver resolver(directory);
        loader.setXMLEntityResolver(&resolver);
        loader.setDisableDefaultEntityResolution(true);
        for (const DtdFile& file : files) {
            // The same path the resolver hands the parser: the pool's key.
            const std::string path = directory + "/" + file.name;
            try {
                const xercesc::LocalFileInputSource source(XmlString(path).get());
                if (loader.loadGrammar(source, xercesc::Grammar::DTDGrammarType, true))
                    ++nLoaded;
            } catch (...) {
                // An unreadable DTD stays out of the pool: documents naming
                // it are read through the resolver and fail as before.
            }
        }
    }
    if (nLoaded == 0)
        return nullptr;
    buildElementModels(*pPool);
    // Locked, the pool is read-only and safe to share between threads.
    pPool->lockPool();
    return pPool;
}

struct LoadedFolder {
    bool bLoaded = false;
    Stamp folder;
    std::vector<DtdFile> files;
    std::shared_ptr<xercesc::XMLGrammarPool> pool;

    // A stat of the folder and of each DTD: far cheaper than reading them.
    bool isCurrent(const std::string& directory, const Stamp& folderNow) const
    {
        if (!bLoaded || folder != folderNow)
            return false;
        return std::all_of(files.begin(), files.end(),
                           [&](const DtdFile& file) { return stampOf(directory + "/" + file.name) == file.stamp; });
    }
};

}

std::shared_ptr<xercesc::XMLGrammarPool> sharedGrammars(const std::string& dtdDirectory)
{
    if (dtdDirectory.empty())
        return nullptr;
    const Stamp folderNow = stampOf(dtdDirectory);
    static std::mutex s_lock;
    static std::map<std::string, LoadedFolder> s_folders;
    const std::lock_guard<std::mutex> guard(s_lock);
    LoadedFolder& folder = s_folders[dtdDirectory];
    if (!folder.isCurrent(dtdDirectory, folderNow)) {
        folder.files = dtdFiles(dtdDirectory);
        folder.pool = loadGrammars(dtdDirectory, folder.files);
        folder.folder = folderNow;
        folder.bLoaded = true;
    }
    return folder.pool;
}

}

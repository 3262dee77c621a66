// Loading a folder's DTDs into a grammar pool that parsers share.
#include "grammarcache.h"

#include "dtdresolver.h"
#include "parseerrorhandler.h"
#include "xmlstring.h"

#include <xercesc/framework/LocalFileInputSource.hpp>
#include <xercesc/framework/XMLGrammarPoolImpl.hpp>
#include <xercesc/parsers/XercesDOMParser.hpp>
#include <xercesc/util/PlatformUtils.hpp>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace Xml {
namespace {

// One DTD file as last seen: a change of any of them means a reload.
struct DtdFile {
    std::string name;
    std::uintmax_t size = 0;
    std::filesystem::file_time_type modified;
    bool operator==(const DtdFile&) const = default;
};

// The DTD files of the folder the resolver would serve, in name order.
std::vector<DtdFile> dtdFiles(const std::string& directory)
{
    std::vector<DtdFile> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(directory, error)) {
        const std::string name = entry.path().filename().string();
        if (!entry.is_regular_file(error) || DtdResolver::dtdFileName(name) != name)
            continue;
        DtdFile file { name, entry.file_size(error), entry.last_write_time(error) };
        if (!error)
            files.push_back(std::move(file));
    }
    std::sort(files.begin(), files.end(), [](const DtdFile& a, const DtdFile& b) { return a.name < b.name; });
    return files;
}

std::shared_ptr<xercesc::XMLGrammarPool> loadGrammars(const std::string& directory,
                                                      const std::vector<DtdFile>& files)
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
    // Locked, the pool is read-only and safe to share between threads.
    pPool->lockPool();
    return pPool;
}

struct LoadedFolder {
    std::vector<DtdFile> files;
    std::shared_ptr<xercesc::XMLGrammarPool> pool;
};

}

std::shared_ptr<xercesc::XMLGrammarPool> sharedGrammars(const std::string& dtdDirectory)
{
    if (dtdDirectory.empty())
        return nullptr;
    std::vector<DtdFile> files = dtdFiles(dtdDirectory);
    static std::mutex s_lock;
    static std::map<std::string, LoadedFolder> s_folders;
    const std::lock_guard<std::mutex> guard(s_lock);
    LoadedFolder& folder = s_folders[dtdDirectory];
    if (!folder.pool || folder.files != files) {
        folder.pool = loadGrammars(dtdDirectory, files);
        folder.files = std::move(files);
    }
    return folder.pool;
}

}

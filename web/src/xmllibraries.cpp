// Xerces-C and Xalan-C initialisation with the parser's error lines.
#include "xmllibraries.h"

#include "xmlstring.h"

#include <xalanc/XalanTransformer/XalanTransformer.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLException.hpp>

#include <iostream>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace Web {

bool initializeXmlLibraries()
{
    try {
        xercesc::XMLPlatformUtils::Initialize();
    } catch (const xercesc::XMLException& error) {
        std::cerr << "Error during Xerces-c Initialization.\n"
                  << "  Exception message:" << Xml::toNarrow(error.getMessage()) << "\n";
        std::cerr.flush();
        return false;
    }
    try {
#if defined(__SANITIZE_ADDRESS__)
        // Xalan keeps its function tables until it is terminated, which the
        // agent never does: they are not leaks.
        const __lsan::ScopedDisabler keepTables;
#endif
        xalanc::XalanTransformer::initialize();
    } catch (...) {
        std::cerr << "Error during Xalan-c Initialization.\n";
        std::cerr.flush();
        return false;
    }
    return true;
}

}

// Xerces-C and Xalan-C initialisation; a failure is written to the debug log.
#include "xmllibraries.h"

#include "clog.h"
#include "xmlstring.h"

#include <xalanc/XalanTransformer/XalanTransformer.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLException.hpp>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace Web {

bool initializeXmlLibraries()
{
    try {
        xercesc::XMLPlatformUtils::Initialize();
    } catch (const xercesc::XMLException& error) {
        DebugLog::write("Error during Xerces-c Initialization. Exception message:" + Xml::toNarrow(error.getMessage()));
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
        DebugLog::write("Error during Xalan-c Initialization.");
        return false;
    }
    return true;
}

}

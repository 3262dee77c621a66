// Xerces-C and Xalan-C initialisation with the parser's error lines.
#include "xmllibraries.h"

#include "xmlstring.h"

#include <xalanc/XalanTransformer/XalanTransformer.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLException.hpp>

#include <iostream>

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
        xalanc::XalanTransformer::initialize();
    } catch (...) {
        std::cerr << "Error during Xalan-c Initialization.\n";
        std::cerr.flush();
        return false;
    }
    return true;
}

}

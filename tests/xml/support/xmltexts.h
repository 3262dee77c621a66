// Small helpers of the XML tests: the XML library initialised once before the
// tests run, a factory reading the DTDs of the source tree, and parsing a text
// that the test knows to be good.
#ifndef TSM_TESTS_XML_XMLTEXTS_H
#define TSM_TESTS_XML_XMLTEXTS_H

#include "documenthandle.h"
#include "domfactory.h"
#include "domprinter.h"
#include "tempmachine.h"

#include <xercesc/util/PlatformUtils.hpp>

#include <string>

namespace xmltest {

// Like the application at start-up; like the application, it never terminates
// the library (the shared DTD grammars are released at exit, after the tests).
inline const bool g_bXmlLibraryReady = (xercesc::XMLPlatformUtils::Initialize(), true);

inline const Xml::DOMFactory& factory()
{
    static const Xml::DOMFactory s_factory(TSM_HTML_DIR);
    return s_factory;
}

inline Xml::DocumentHandle parse(const std::string& text)
{
    return factory().ParseBuffer(text, false);
}

// An input of the XML fuzz target's corpus.
inline std::string corpus(const std::string& name)
{
    return tsmtest::readFile(TSM_XML_TEST_DIR "/../../fuzz/xml/corpus/fuzz_xmldocuments/" + name);
}

// Printed text of a document, or "<null>" when there is none.
inline std::string print(const Xml::DocumentHandle& document)
{
    return document ? Xml::DOMPrinter::ToString(document.get()) : std::string("<null>");
}

}

#endif

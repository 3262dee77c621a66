// Parsing texts and files: what gives a document, what gives none, and the
// diagnostic line each failure writes. Printing documents: every node kind the
// system produces, against texts written by hand, and print, parse, print
// giving the same text.
#include "xmltexts.h"

#include <gtest/gtest.h>

#include <xercesc/dom/DOM.hpp>

#include <cstdio>
#include <filesystem>
#include <future>
#include <latch>
#include <fstream>
#include <optional>
#include <tuple>

namespace {

const std::string kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n";
const std::string kDiscoveryType = "<!DOCTYPE VXA_Discovery SYSTEM \"vxadiscovery_1_1.dtd\">\n";
// A valid discovery document.
const std::string kDiscovery = xmltest::corpus("discovery");
const std::string kUndeclaredElement =
    kDeclaration + kDiscoveryType + "<VXA_Discovery><Devices><Gadget/></Devices></VXA_Discovery>";

std::string nested(unsigned depth)
{
    std::string text;
    for (unsigned i = 0; i < depth; ++i)
        text += "<n>";
    for (unsigned i = 0; i < depth; ++i)
        text += "</n>";
    return text;
}

TEST(DOMFactory, ParseBufferGivesADocumentOnlyWithoutAnyDiagnosticAndNoExternalEntity)
{
    const std::string malformed = "Fatal Error at file \"DOMFactory\", line 1, column 4\n   Message: ";
    // A DTD that would make the document valid, outside the DTD folder (in a
    // scratch folder removed at the end).
    const tsmtest::TempMachine scratch;
    const std::string outside = scratch.root() + "/outside.dtd";
    std::ofstream(outside) << "<!ELEMENT a EMPTY>";
    // The text, whether it is validated; whether it gives a document, and the
    // start of what standard error receives ("" when nothing is written).
    const std::tuple<const char*, std::string, bool, bool, std::string> cases[] = {
        {"valid, validated", kDiscovery, true, true, ""},
        {"valid, not validated", kDiscovery, false, true, ""},
        {"undeclared element, validated", kUndeclaredElement, true, false,
         "Error at file \"DOMFactory\", line 3, column 32\n   Message: "},
        {"undeclared element, not validated", kUndeclaredElement, false, true, ""},
        {"unclosed element", "<a>", false, false, malformed},
        {"unclosed element, validated", "<a>", true, false, "Error at file \"DOMFactory\", line 1, column 3"},
        {"empty text", "", false, false, "Fatal Error at file \"DOMFactory\", line 1, column 1\n   Message: "},
        {"truncated", kDiscovery.substr(0, 200), false, false, "Fatal Error at file \"DOMFactory\""},
        {"attribute declared twice (a warning only)",
         "<!DOCTYPE a [<!ELEMENT a EMPTY><!ATTLIST a x CDATA #IMPLIED><!ATTLIST a x CDATA #IMPLIED>]><a/>", false,
         false, "Warning at file \"DOMFactory\", line 1, column 74\n   Message: "},
        {"unknown DTD, validated", "<!DOCTYPE a SYSTEM \"vxaunknown_1_0.dtd\"><a/>", true, false,
         "Error at file \"DOMFactory\", line 1, column 43\n   Message: "},
        {"unknown DTD, not validated", "<!DOCTYPE a SYSTEM \"vxaunknown_1_0.dtd\"><a/>", false, true, ""},
        {"a DTD outside the folder is not read", "<!DOCTYPE a SYSTEM \"" + outside + "\"><a/>", true, false,
         "Error at file \"DOMFactory\""},
        {"no grammar, validated", "<a/>", true, false, "Error at file \"DOMFactory\""},
        {"nested to the limit", nested(Xml::DOMFactory::kMaxDepth), false, true, ""},
        {"nested one deeper", nested(Xml::DOMFactory::kMaxDepth + 1), false, false,
         "Fatal Error at file \"DOMFactory\", line 1, column 388\n   Message: elements are nested too deeply\n"},
        {"entity expansion bomb", xmltest::corpus("entity_bomb"), false, false, "Fatal Error at file \"DOMFactory\""},
    };
    for (const auto& [pszName, text, bValidate, bDocument, expected] : cases) {
        SCOPED_TRACE(pszName);
        testing::internal::CaptureStderr();
        const Xml::DocumentHandle document = xmltest::factory().ParseBuffer(text, bValidate);
        const std::string diagnostic = testing::internal::GetCapturedStderr();
        // The diagnostic starts as expected and ends its line; none at all when none is expected.
        const std::size_t compared = expected.empty() ? std::string::npos : expected.size();
        EXPECT_EQ(std::make_tuple(bDocument, expected, true),
                  std::make_tuple(!document.isNull(), diagnostic.substr(0, compared),
                                  expected.empty() || diagnostic.ends_with('\n')));
    }
    // External entities (a local file and a loopback address) resolve to nothing.
    const Xml::DocumentHandle document = xmltest::parse(xmltest::corpus("external_entity"));
    ASSERT_FALSE(document.isNull());
    EXPECT_EQ(std::u16string(), document->getDocumentElement()->getTextContent());
}

TEST(DOMFactory, ParseFileReadsLocalFilesAndNeverThrows)
{
    const std::string path = testing::TempDir() + "domfactory_test.xml";
    std::ofstream(path) << kDiscovery;
    const Xml::DocumentHandle document = xmltest::factory().ParseFile(path, true);
    ASSERT_FALSE(document.isNull());
    EXPECT_EQ(std::u16string(u"VXA_Discovery"), document->getDocumentElement()->getNodeName());
    std::remove(path.c_str());

    testing::internal::CaptureStderr();
    EXPECT_TRUE(xmltest::factory().ParseFile(path, false).isNull());
    testing::internal::GetCapturedStderr();
}

// A document built in memory with an empty element, an element whose only
// child is an empty text, escaped attribute and text content, and a comment
// and a processing instruction that are written as they are.
Xml::DocumentHandle builtInMemory(const Xml::XmlDeclaration* pDeclaration = nullptr)
{
    xercesc::DOMDocument* pNew = xercesc::DOMImplementationRegistry::getDOMImplementation(u"Core")->createDocument();
    Xml::DocumentHandle document =
        pDeclaration ? Xml::DocumentHandle::adopt(pNew, *pDeclaration) : Xml::DocumentHandle::adopt(pNew);
    xercesc::DOMElement* pRoot = document->createElement(u"Root");
    pRoot->setAttribute(u"a", u"say \"x\" & <y>");
    document->appendChild(pRoot);
    pRoot->appendChild(document->createElement(u"Empty"));
    xercesc::DOMElement* pText = document->createElement(u"Text");
    pText->appendChild(document->createTextNode(u""));
    pRoot->appendChild(pText);
    pRoot->appendChild(document->createComment(u" a & <b> "));
    pRoot->appendChild(document->createProcessingInstruction(u"page", u"x=\"1\" & <y>"));
    pRoot->appendChild(document->createProcessingInstruction(u"bare", u""));
    pRoot->appendChild(document->createTextNode(u"1 < 2 & 3"));
    document->appendChild(document->createComment(u"after"));
    return document;
}

TEST(DOMPrinter, WritesEveryNodeKindAsTheTreeHoldsIt)
{
    // The document; its printed text.
    const std::tuple<const char*, Xml::DocumentHandle, std::string> cases[] = {
        {"built in memory: no declaration", builtInMemory(),
         "<Root a=\"say &quot;x&quot; &amp; &lt;y>\"><Empty/><Text></Text><!-- a & <b> -->"
         "<?page x=\"1\" & <y>?><?bare?>1 &lt; 2 &amp; 3</Root>\n<!--after-->\n\n"},
        {"declaration and public document type",
         xmltest::parse("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
                        "<!DOCTYPE VXA_Discovery PUBLIC \"-//Tarvion//Discovery\" \"vxadiscovery_1_1.dtd\">\n"
                        "<VXA_Discovery>\n <Devices/>\n</VXA_Discovery>"),
         "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n\n"
         "<!DOCTYPE VXA_Discovery PUBLIC \"-//Tarvion//Discovery\" \"vxadiscovery_1_1.dtd\">\n"
         "<VXA_Discovery>\n <Devices/>\n</VXA_Discovery>\n\n"},
        {"declaration without encoding", xmltest::parse("<?xml version=\"1.0\"?><a/>"),
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n\n<a/>\n\n"},
        {"declared encoding is the output encoding",
         xmltest::parse("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>caf\xe9</a>"),
         "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n\n<a>caf\xe9</a>\n\n"},
        {"system document type, CDATA, entity reference",
         xmltest::parse("<!DOCTYPE a SYSTEM \"vxaunknown_1_0.dtd\"><a><![CDATA[x<&y]]></a>"),
         "<!DOCTYPE a SYSTEM \"vxaunknown_1_0.dtd\">\n<a><![CDATA[x<&y]]></a>\n\n"},
        {"internal subset and entity reference", xmltest::parse("<!DOCTYPE a [<!ENTITY e \"v\">]><a>&e;</a>"),
         "<!DOCTYPE a[<!ENTITY e \"v\">]>\n<a>&e;</a>\n\n"},
    };
    for (const auto& [pszName, document, expected] : cases) {
        SCOPED_TRACE(pszName);
        ASSERT_FALSE(document.isNull());
        EXPECT_EQ(expected, Xml::DOMPrinter::ToString(document.get()));
        // Print, parse, print gives the same text.
        const std::string reread = xmltest::print(xmltest::parse(expected));
        EXPECT_EQ(reread, xmltest::print(xmltest::parse(reread)));
    }
    // An empty text node is not kept by a parse: the element reads back empty.
    EXPECT_NE(std::string::npos, xmltest::print(xmltest::parse(xmltest::print(builtInMemory()))).find("<Text/>"));
}

TEST(DOMPrinter, PrintsOneNodeFollowedByANewlineAndNothingInAnUnknownEncoding)
{
    const Xml::DocumentHandle document = xmltest::parse("<a><b x=\"1\">t</b></a>");
    ASSERT_FALSE(document.isNull());
    std::ostringstream stream;
    Xml::DOMPrinter::Print(stream, document->getDocumentElement()->getFirstChild());
    EXPECT_EQ("<b x=\"1\">t</b>\n", stream.str());

    testing::internal::CaptureStderr();
    std::ostringstream attribute;
    Xml::DOMPrinter::Print(attribute, document->getDocumentElement()->getFirstChild()->getAttributes()->item(0));
    EXPECT_EQ("Unrecognized node type = 2\n", testing::internal::GetCapturedStderr());
    EXPECT_EQ("\n", attribute.str());

    // An unknown output encoding prints nothing.
    const Xml::XmlDeclaration unknown{u"1.0", u"X-NO-SUCH-ENCODING", std::nullopt};
    const Xml::DocumentHandle unknownEncoding = builtInMemory(&unknown);
    ASSERT_FALSE(unknownEncoding.isNull());
    testing::internal::CaptureStderr();
    EXPECT_EQ("", Xml::DOMPrinter::ToString(unknownEncoding.get()));
    const std::string diagnostic = testing::internal::GetCapturedStderr();
    EXPECT_EQ("An error occurred during creation of output transcoder. Msg is:\n",
              diagnostic.substr(0, diagnostic.find('\n') + 1));
}

TEST(DOMFactory, ValidationFollowsTheDtdFilesAsTheyAreNow)
{
    const std::string folder = testing::TempDir() + "domfactory_dtds";
    std::filesystem::create_directories(folder);
    const Xml::DOMFactory factory(folder);
    const std::string text = "<!DOCTYPE a SYSTEM \"t_1.dtd\"><a/>";
    // The DTD file (none: removed); whether the document is valid, and its default attribute.
    const std::tuple<const char*, const char*, bool, const char16_t*> cases[] = {
        {"declared, with a default attribute", "<!ELEMENT a EMPTY><!ATTLIST a x CDATA \"one\">", true, u"one"},
        {"another default", "<!ELEMENT a EMPTY><!ATTLIST a x CDATA \"other\">", true, u"other"},
        {"content now required", "<!ELEMENT a (b)><!ELEMENT b EMPTY>", false, nullptr},
        {"DTD removed", nullptr, false, nullptr},
        {"DTD back", "<!ELEMENT a EMPTY>", true, u""},
    };
    for (const auto& [pszName, pszDtd, bValid, pszDefault] : cases) {
        SCOPED_TRACE(pszName);
        if (pszDtd)
            std::ofstream(folder + "/t_1.dtd") << pszDtd;
        else
            std::filesystem::remove(folder + "/t_1.dtd");
        testing::internal::CaptureStderr();
        const Xml::DocumentHandle document = factory.ParseBuffer(text, true);
        testing::internal::GetCapturedStderr();
        ASSERT_EQ(bValid, !document.isNull());
        if (pszDefault == nullptr)
            continue;
        EXPECT_EQ(std::u16string(pszDefault), document->getDocumentElement()->getAttribute(u"x"));
    }
    // Threads that validate at once against definitions just loaded share
    // them without building anything in them (the sanitizer build would find
    // the models two threads built at once and one of them lost).
    const std::string document = "<!DOCTYPE a SYSTEM \"t_1.dtd\"><a><b>t<c/></b></a>";
    for (int round = 0; round < 100; ++round) {
        const std::string fresh = folder + "/" + std::to_string(round);
        std::filesystem::create_directories(fresh);
        std::ofstream(fresh + "/t_1.dtd") << "<!ELEMENT a (b+)><!ELEMENT b (#PCDATA|c)*><!ELEMENT c EMPTY>"
                                          << "<!ATTLIST c x CDATA \"d\">";
        const Xml::DOMFactory factory(fresh);
        std::latch start(8);
        std::vector<std::future<bool>> parses;
        for (int i = 0; i < 8; ++i) {
            parses.push_back(std::async(
                std::launch::async,
                [&] {
                    start.arrive_and_wait();
                    return !factory.ParseBuffer(document, true).isNull();
                }));
        }
        for (auto& parse : parses)
            EXPECT_TRUE(parse.get());
    }
    std::filesystem::remove_all(folder);
}

}

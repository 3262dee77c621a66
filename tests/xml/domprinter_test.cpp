// Printing documents: every node kind the system produces, against texts
// written by hand, and print, parse, print giving the same text.
#include "xmltexts.h"

#include <gtest/gtest.h>

#include <xercesc/dom/DOM.hpp>

#include <optional>

namespace {

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
    struct { const char* pszName; Xml::DocumentHandle document; std::string expected; } const cases[] = {
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
        {"internal subset and entity reference",
         xmltest::parse("<!DOCTYPE a [<!ENTITY e \"v\">]><a>&e;</a>"),
         "<!DOCTYPE a[<!ENTITY e \"v\">]>\n<a>&e;</a>\n\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszName);
        ASSERT_FALSE(c.document.isNull());
        EXPECT_EQ(c.expected, Xml::DOMPrinter::ToString(c.document.get()));
        // Print, parse, print gives the same text.
        const std::string reread = xmltest::print(xmltest::parse(c.expected));
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

}

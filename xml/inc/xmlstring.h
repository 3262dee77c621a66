// Conversions between the narrow strings of the system and the 16-bit
// strings of Xerces-C, through the library's local code page transcoder.
#ifndef TSM_XML_XMLSTRING_H
#define TSM_XML_XMLSTRING_H

#include <xercesc/util/XercesDefs.hpp>

#include <string>

namespace Xml {

// A 16-bit library string made from a narrow text; owns its buffer.
class XmlString {
public:
    explicit XmlString(const char* pszText);
    explicit XmlString(const std::string& text) : XmlString(text.c_str()) {}
    ~XmlString();
    XmlString(const XmlString&) = delete;
    XmlString& operator=(const XmlString&) = delete;

    // Never null: a text that cannot be transcoded gives the empty string.
    const XMLCh* get() const noexcept;
    operator const XMLCh*() const noexcept { return get(); }

private:
    XMLCh* m_pText;
};

// Narrow text of a library string; a null or untranscodable string gives "".
std::string toNarrow(const XMLCh* pText);

}

#endif

// Transcoding between narrow and library strings.
#include "xmlstring.h"

#include <xercesc/util/XMLString.hpp>

namespace Xml {
namespace {

const XMLCh kEmpty[] = {0};

}

XmlString::XmlString(const char* pszText) : m_pText(nullptr)
{
    try {
        m_pText = xercesc::XMLString::transcode(pszText ? pszText : "");
    } catch (...) {
        m_pText = nullptr;
    }
}

XmlString::~XmlString()
{
    if (m_pText)
        xercesc::XMLString::release(&m_pText);
}

const XMLCh* XmlString::get() const noexcept
{
    return m_pText ? m_pText : kEmpty;
}

std::string toNarrow(const XMLCh* pText)
{
    if (!pText || *pText == 0)
        return std::string();
    std::string result;
    try {
        char* pszNarrow = xercesc::XMLString::transcode(pText);
        if (pszNarrow) {
            result = pszNarrow;
            xercesc::XMLString::release(&pszNarrow);
        }
    } catch (...) {
        result.clear();
    }
    return result;
}

}

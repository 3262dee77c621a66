// A format target that writes the formatter's bytes unchanged to a stream.
#ifndef TSM_XML_STREAMFORMATTARGET_H
#define TSM_XML_STREAMFORMATTARGET_H

#include <xercesc/framework/XMLFormatter.hpp>

#include <ostream>

namespace Xml {

class StreamFormatTarget : public xercesc::XMLFormatTarget {
public:
    explicit StreamFormatTarget(std::ostream& stream) : m_stream(stream) {}

    void writeChars(const XMLByte* const toWrite, const XMLSize_t count, xercesc::XMLFormatter* const) override
    {
        m_stream.write(reinterpret_cast<const char*>(toWrite), static_cast<std::streamsize>(count));
    }

private:
    std::ostream& m_stream;
};

}

#endif

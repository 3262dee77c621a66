// Which names of peers may become request paths.
#include "peernames.h"

#include <strings.h>

#include <cstring>

namespace Web {

bool isPlainRequestPath(const std::string& name)
{
    for (std::size_t start = 0; start <= name.size();) {
        const std::size_t slash = name.find('/', start);
        const std::size_t end = slash == std::string::npos ? name.size() : slash;
        const std::string segment = name.substr(start, end - start);
        if (segment.empty() || segment == "." || segment == "..")
            return false;
        start = end + 1;
    }
    for (const char ch : name) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c <= 0x20 || c >= 0x7F || std::strchr("\"#%<>?\\^`{|}", c))
            return false;
    }
    return true;
}

bool isPeerName(const std::string& name, const std::string& ownRoot)
{
    if (!isPlainRequestPath(name))
        return false;
    // The agent's own application entry ("VXA", its support document) is a
    // peer like the others, but nothing below it is: the server matches
    // names without case, so "vxa/VXA.htm" is the agent's own page too.
    const std::size_t slash = name.find('/');
    return slash == std::string::npos || ::strcasecmp(name.substr(0, slash).c_str(), ownRoot.c_str()) != 0;
}

}

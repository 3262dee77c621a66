// Which names of peers may become request paths.
#include "peernames.h"

#include <cstring>

namespace Web {

bool isPlainRequestPath(const std::string& name)
{
    // Segments end at '/' and, for the last, at the '?' that starts the
    // query; the query is never normalised, so only its characters count.
    const std::size_t query = name.find('?');
    const std::size_t pathEnd = query == std::string::npos ? name.size() : query;
    for (std::size_t start = 0; start <= pathEnd;) {
        const std::size_t slash = name.find('/', start);
        const std::size_t end = slash < pathEnd ? slash : pathEnd;
        const std::string segment = name.substr(start, end - start);
        if (segment.empty() || segment == "." || segment == "..")
            return false;
        start = end + 1;
    }
    for (const char ch : name) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c <= 0x20 || c >= 0x7F || std::strchr("\"#%<>\\^`{|}", c))
            return false;
    }
    return true;
}

}

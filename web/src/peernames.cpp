// Which names of peers may become request paths.
#include "peernames.h"

#include <cstring>

namespace Web {

bool isPlainRequestPath(const std::string& name)
{
    std::size_t segmentStart = 0;
    for (std::size_t at = 0; at <= name.size(); ++at) {
        if (at == name.size() || name[at] == '/') {
            const std::string segment = name.substr(segmentStart, at - segmentStart);
            if (segment.empty() || segment == "." || segment == "..")
                return false;
            segmentStart = at + 1;
            continue;
        }
        const unsigned char c = static_cast<unsigned char>(name[at]);
        if (c <= 0x20 || c >= 0x7F || std::strchr("\"#%<>\\^`{|}", c))
            return false;
    }
    return true;
}

}

// The work of merging client documents into one page's discovery document:
// what a merge looks at and what it adds, and the most one page may spend.
#ifndef TSM_XML_MERGEWORK_H
#define TSM_XML_MERGEWORK_H

#include <cstddef>

namespace Xml {

struct MergeWork {
    // Nodes looked at: devices and their children while matching, pattern
    // criteria compared, device groups searched.
    std::size_t visits = 0;
    // Nodes created or copied into the discovery document.
    std::size_t nodes = 0;
    // Characters of names and values compared, copied or written into links.
    std::size_t characters = 0;

    MergeWork& operator+=(const MergeWork& more) noexcept
    {
        visits += more.visits;
        nodes += more.nodes;
        characters += more.characters;
        return *this;
    }
    // True when no part of this exceeds the same part of the limit.
    bool fitsWithin(const MergeWork& limit) const noexcept
    {
        return visits <= limit.visits && nodes <= limit.nodes && characters <= limit.characters;
    }
};

// What one page's merging may spend, across all its client documents.
// Nested client patterns against nested devices cost combinatorially more
// than the documents are long: 16 nested devices under 16 nested patterns
// are 65535 matches. The example peers on the large simulated machine use
// about VISITS visits, NODES nodes and CHARS characters; an ordinary
// page stays thousands of times below these. At the limits a hostile page
// costs about 0.1 s of matching (0.3 s under AddressSanitizer) and, if a
// client just fits, some 10 MB of document (a node is about 150 bytes in the
// library's document heap, a character two bytes).
inline constexpr MergeWork kPageMergeLimit { 400000, 40000, 2000000 };

}

#endif

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
// than the documents are long: 6 nested patterns against 16 nested devices
// make 14892 matches, 400000 nodes, 6 s and 137 MB under AddressSanitizer.
// The example peers use 2000 visits, 1000 nodes and 24000 characters on the
// typical machine, 12900, 4800 and 124000 on the large one: 10 to 40 times
// below these limits. Planning a client that does not fit stops at the
// limits within 0.2 s under AddressSanitizer (a visit costs about 0.4 us
// there); a client that just fits adds about 17 MB of document there (some
// 340 bytes per node).
inline constexpr MergeWork kPageMergeLimit{500000, 50000, 2500000};

// What a page may spend on top for each device of its discovery document:
// operations for every device from every peer cost in proportion to the
// devices (a peer's 400 controllers on the large machine need some 60000
// nodes), while the combinatorial cost of nesting grows far faster than the
// device count that buys it.
inline constexpr MergeWork kMergeLimitPerDevice{2000, 200, 6000};

}

#endif

// The machine description as a plain tree: element names, attributes, children
// and source lines, so drivers never see the XML parser.
#ifndef TSM_SIM_NODE_H
#define TSM_SIM_NODE_H

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace sim {

struct Node {
    std::string name;
    std::map<std::string, std::string> attributes;
    std::vector<Node> children;
    int line = 0;

    // The attribute's text, or fallback when the element has no such attribute.
    std::string attr(const std::string& key, const std::string& fallback = "") const;
    // The attribute as a number (decimal or 0x hex); fallback when absent or
    // not a number that fits in 32 bits.
    uint32_t number(const std::string& key, uint32_t fallback = 0) const;
    bool has(const std::string& key) const;
    // The first child element of that name, or null.
    const Node* child(const std::string& name) const;
    std::vector<const Node*> childrenNamed(const std::string& name) const;
};

// Parses a decimal or 0x-prefixed hexadecimal 32-bit number; false when the
// text is empty, has other characters or overflows.
bool parseNumber(const std::string& text, uint32_t& value);
// The same for 64-bit numbers.
bool parseNumber64(const std::string& text, uint64_t& value);

// Decodes hex digit pairs (blanks between pairs allowed); false on odd digits
// or other characters.
bool parseHexBytes(const std::string& text, std::vector<uint8_t>& bytes);

} // namespace sim

#endif

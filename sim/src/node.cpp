// Accessors of the description tree and the number/hex helpers drivers use.
#include <sim/node.h>

#include <cctype>

namespace sim {

std::string Node::attr(const std::string& key, const std::string& fallback) const
{
    const auto it = attributes.find(key);
    return it == attributes.end() ? fallback : it->second;
}

bool Node::has(const std::string& key) const
{
    return attributes.count(key) != 0;
}

uint32_t Node::number(const std::string& key, uint32_t fallback) const
{
    const auto it = attributes.find(key);
    uint32_t value = 0;
    if (it == attributes.end() || !parseNumber(it->second, value))
        return fallback;
    return value;
}

const Node* Node::child(const std::string& childName) const
{
    for (const Node& c : children)
        if (c.name == childName)
            return &c;
    return nullptr;
}

std::vector<const Node*> Node::childrenNamed(const std::string& childName) const
{
    std::vector<const Node*> found;
    for (const Node& c : children)
        if (c.name == childName)
            found.push_back(&c);
    return found;
}

namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

bool parseNumber64(const std::string& text, uint64_t& value)
{
    size_t pos = 0;
    uint64_t base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        pos = 2;
    }
    if (pos >= text.size())
        return false;
    uint64_t result = 0;
    for (; pos < text.size(); ++pos) {
        const int digit = hexDigit(text[pos]);
        if (digit < 0 || static_cast<uint64_t>(digit) >= base)
            return false;
        if (result > (~uint64_t(0) - static_cast<uint64_t>(digit)) / base)
            return false;
        result = result * base + static_cast<uint64_t>(digit);
    }
    value = result;
    return true;
}

bool parseNumber(const std::string& text, uint32_t& value)
{
    uint64_t result = 0;
    if (!parseNumber64(text, result) || result > 0xFFFFFFFFull)
        return false;
    value = static_cast<uint32_t>(result);
    return true;
}

bool parseHexBytes(const std::string& text, std::vector<uint8_t>& bytes)
{
    bytes.clear();
    int high = -1;
    for (const char c : text) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            if (high >= 0)
                return false;
            continue;
        }
        const int digit = hexDigit(c);
        if (digit < 0)
            return false;
        if (high < 0) {
            high = digit;
        } else {
            bytes.push_back(static_cast<uint8_t>(high * 16 + digit));
            high = -1;
        }
    }
    return high < 0;
}

} // namespace sim

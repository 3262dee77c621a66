// Checked attribute reading for the firmware content elements.
#include "firmwareattributes.h"

#include <cctype>
#include <sstream>

namespace sim::fw {

AttributeReader::AttributeReader(const Node& element, std::initializer_list<const char*> known) : m_element(element)
{
    for (const auto& [key, value] : element.attributes) {
        bool found = false;
        for (const char* name : known)
            found = found || key == name;
        if (!found) {
            fail("unknown attribute " + key);
            return;
        }
    }
}

void AttributeReader::fail(const std::string& problem)
{
    if (m_error.empty())
        m_error = "line " + std::to_string(m_element.line) + ": <" + m_element.name + "> " + problem;
}

bool AttributeReader::parse(const char* key, uint64_t& value, uint64_t max)
{
    if (!has(key))
        return false;
    const std::string text = m_element.attr(key);
    if (!parseNumber64(text, value)) {
        fail(std::string("attribute ") + key + "=\"" + text + "\" is not a number");
        return false;
    }
    if (value > max) {
        fail(std::string("attribute ") + key + "=\"" + text + "\" is larger than " + std::to_string(max));
        return false;
    }
    return true;
}

void AttributeReader::flag(const char* key, bool& value)
{
    if (!has(key))
        return;
    const std::string text = m_element.attr(key);
    if (text == "true" || text == "yes" || text == "1")
        value = true;
    else if (text == "false" || text == "no" || text == "0")
        value = false;
    else
        fail(std::string("attribute ") + key + "=\"" + text + "\" is neither true nor false");
}

void AttributeReader::text(const char* key, std::string& value, size_t maxLength, bool pad)
{
    if (!has(key))
        return;
    std::string given = m_element.attr(key);
    if (given.size() > maxLength) {
        fail(std::string("attribute ") + key + " is longer than " + std::to_string(maxLength) + " characters");
        return;
    }
    if (pad)
        given.resize(maxLength, ' ');
    value = given;
}

void AttributeReader::exactText(const char* key, std::string& value, size_t length)
{
    if (!has(key))
        return;
    const std::string given = m_element.attr(key);
    if (given.size() != length) {
        fail(std::string("attribute ") + key + "=\"" + given + "\" must have exactly " + std::to_string(length) +
             " characters");
        return;
    }
    value = given;
}

void AttributeReader::hex(const char* key, std::vector<uint8_t>& bytes)
{
    if (has(key) && !parseHexBytes(m_element.attr(key), bytes))
        fail(std::string("attribute ") + key + " is not a sequence of hex byte pairs");
}

bool parseSlots(const std::string& text, std::vector<std::pair<uint32_t, uint32_t>>& slots)
{
    slots.clear();
    std::istringstream words(text);
    std::string word;
    while (words >> word) {
        const size_t colon = word.find(':');
        uint32_t port = 0;
        uint32_t target = 0;
        if (colon == std::string::npos || !parseNumber(word.substr(0, colon), port) ||
            !parseNumber(word.substr(colon + 1), target))
            return false;
        slots.emplace_back(port, target);
    }
    return true;
}

} // namespace sim::fw

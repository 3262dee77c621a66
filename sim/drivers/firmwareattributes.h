// Checked reading of the attributes of one firmware content element: every
// attribute must be known, numbers must fit, texts must fit their fields.
#ifndef TSM_SIM_FIRMWAREATTRIBUTES_H
#define TSM_SIM_FIRMWAREATTRIBUTES_H

#include <sim/node.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace sim::fw {

class AttributeReader {
public:
    // Refuses (error() set) when the element has an attribute not in known.
    AttributeReader(const Node& element, std::initializer_list<const char*> known);

    bool ok() const { return m_error.empty(); }
    const std::string& error() const { return m_error; }
    // Records a problem of the element (only the first one is kept).
    void fail(const std::string& problem);

    bool has(const char* key) const { return m_element.has(key); }

    // Unsigned number (decimal or 0x hex) no larger than max.
    template <class T>
    void number(const char* key, T& value, uint64_t max = ~uint64_t(0));
    template <class T>
    void number(const char* key, std::optional<T>& value, uint64_t max = ~uint64_t(0));
    // "true"/"false" (also "yes"/"no", "1"/"0").
    void flag(const char* key, bool& value);
    // Text of at most maxLength characters; with pad, blank-padded to exactly
    // maxLength.
    void text(const char* key, std::string& value, size_t maxLength, bool pad = false);
    // Text of exactly length characters.
    void exactText(const char* key, std::string& value, size_t length);
    // One of the names (mapped to its value) or, when numeric is set, a number.
    template <class T>
    void choice(const char* key, T& value, std::initializer_list<std::pair<const char*, T>> names,
                bool numeric = false);
    void hex(const char* key, std::vector<uint8_t>& bytes);

private:
    bool parse(const char* key, uint64_t& value, uint64_t max);

    const Node& m_element;
    std::string m_error;
};

template <class T>
void AttributeReader::number(const char* key, T& value, uint64_t max)
{
    uint64_t parsed = 0;
    const uint64_t limit = std::min<uint64_t>(max, std::numeric_limits<T>::max());
    if (parse(key, parsed, limit))
        value = static_cast<T>(parsed);
}

template <class T>
void AttributeReader::number(const char* key, std::optional<T>& value, uint64_t max)
{
    T parsed{};
    if (has(key)) {
        number(key, parsed, max);
        value = parsed;
    }
}

template <class T>
void AttributeReader::choice(const char* key, T& value, std::initializer_list<std::pair<const char*, T>> names,
                             bool numeric)
{
    if (!has(key))
        return;
    const std::string given = m_element.attr(key);
    for (const auto& [name, mapped] : names) {
        if (given == name) {
            value = mapped;
            return;
        }
    }
    if constexpr (!std::is_same_v<T, bool>) {
        if (numeric) {
            number(key, value);
            return;
        }
    }
    std::string known;
    for (const auto& entry : names) {
        known += known.empty() ? "" : ", ";
        known += entry.first;
    }
    fail(std::string("attribute ") + key + "=\"" + given + "\" is not one of " + known);
}

// "port:target" pairs separated by blanks.
bool parseSlots(const std::string& text, std::vector<std::pair<uint32_t, uint32_t>>& slots);

} // namespace sim::fw

#endif

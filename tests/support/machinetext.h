// Searching and editing the texts tests read back: how often a part stands in
// a text, and a machine description with one of its ports pulled.
#ifndef TSM_TESTS_MACHINETEXT_H
#define TSM_TESTS_MACHINETEXT_H

#include <cstddef>
#include <string>

namespace tsmtest {

// How often part stands in text (overlapping finds count).
inline std::size_t occurrences(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// The description without its <port> element of that number; unchanged when
// it has none.
inline std::string withoutPort(std::string description, unsigned number)
{
    const std::size_t open = description.find("<port number=\"" + std::to_string(number) + "\"");
    const std::size_t close = description.find("</port>", open);
    if (open == std::string::npos || close == std::string::npos)
        return description;
    return description.erase(open, close + 7 - open);
}

} // namespace tsmtest

#endif

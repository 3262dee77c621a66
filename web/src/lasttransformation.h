// The last result of the page chain after the refresh, with the documents it
// was made of. Appending, merging and transforming are a function of those
// documents alone, so a page whose machine and peers give exactly the same
// documents as the page before gets the same script data without doing them
// again. It keeps at most kMaxKeptBytes of inputs and result: a page made
// of larger documents (a peer may send up to the client's response limit) is
// not remembered, so the memo never holds more than a few pages' worth.
#ifndef TSM_WEB_LASTTRANSFORMATION_H
#define TSM_WEB_LASTTRANSFORMATION_H

#include <cstddef>
#include <mutex>
#include <optional>
#include <string>

namespace Web {

class LastTransformation {
public:
    static constexpr std::size_t kMaxKeptBytes = 4u << 20;

    // The result kept for exactly these inputs; nothing for any others.
    std::optional<std::string> find(const std::string& inputs) const;
    // Keeps the result made from inputs in place of the one kept before;
    // above kMaxKeptBytes in all it forgets the one before and keeps nothing.
    void keep(std::string inputs, std::string result);

private:
    mutable std::mutex m_mutex;
    std::optional<std::string> m_inputs;
    std::string m_result;
};

}

#endif

// The last result of the page chain after the refresh, with the documents it
// was made of. Appending, merging and transforming are a function of those
// documents alone, so a page whose machine and peers give exactly the same
// documents as the page before gets the same script data without doing them
// again.
#ifndef TSM_WEB_LASTTRANSFORMATION_H
#define TSM_WEB_LASTTRANSFORMATION_H

#include <mutex>
#include <optional>
#include <string>

namespace Web {

class LastTransformation {
public:
    // The result kept for exactly these inputs; nothing for any others.
    std::optional<std::string> find(const std::string& inputs) const;
    // Keeps the result made from inputs in place of the one kept before.
    void keep(std::string inputs, std::string result);

private:
    mutable std::mutex m_mutex;
    std::optional<std::string> m_inputs;
    std::string m_result;
};

}

#endif

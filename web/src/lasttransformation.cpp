// The last result of the page chain after the refresh.
#include "lasttransformation.h"

namespace Web {

std::optional<std::string> LastTransformation::find(const std::string& inputs) const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_inputs && *m_inputs == inputs)
        return m_result;
    return std::nullopt;
}

void LastTransformation::keep(std::string inputs, std::string result)
{
    const bool bFits = inputs.size() <= kMaxKeptBytes && result.size() <= kMaxKeptBytes - inputs.size();
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (!bFits) {
        m_inputs.reset();
        std::string().swap(m_result);
        return;
    }
    m_inputs = std::move(inputs);
    m_result = std::move(result);
}

}

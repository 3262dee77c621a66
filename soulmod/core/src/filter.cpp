// Filters: the abstract predicate and the filter that passes every device.
#include "filter.h"

namespace Core {

Filter::~Filter() = default;

bool Filter::isInvariant() const
{
    return true;
}

NullFilter::NullFilter() = default;

NullFilter::~NullFilter() = default;

bool NullFilter::isInvariant() const
{
    return m_bSignature.isValid() && Filter::isInvariant();
}

bool NullFilter::passes(const Device&) const
{
    return true;
}

}

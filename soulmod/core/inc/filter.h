// Filters decide which devices of a kind an operation is bound to.
#ifndef TSM_CORE_FILTER_H
#define TSM_CORE_FILTER_H

#include "attributesource.h"
#include "csign.h"

#include <list>

namespace Core {

class Device;

class Filter {
public:
    virtual ~Filter();
    virtual bool isInvariant() const;
    virtual bool passes(const Device& device) const = 0;

protected:
    // Conditions of a filter; every filter of the system leaves it empty.
    std::list<Attribute> m_conditions;
};

// Passes every device.
class NullFilter : public Filter {
public:
    NullFilter();
    ~NullFilter() override;
    bool isInvariant() const override;
    bool passes(const Device& device) const override;

private:
    CSignature m_bSignature;
};

}

#endif

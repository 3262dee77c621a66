// DeviceOperation: a named, typed visitor with per-call string arguments.
#ifndef TSM_CORE_DEVICEOPERATION_H
#define TSM_CORE_DEVICEOPERATION_H

#include "attributesource.h"
#include "countedptr.h"
#include "devicevisitor.h"
#include "filter.h"
#include "status.h"

#include <string>
#include <vector>

namespace Core {

class DeviceOperation : public DeviceVisitor {
public:
    // 1 is not used by any operation.
    enum eType { eREAD = 0, eDISCOVER = 2, eUNKNOWN = 3 };

    ~DeviceOperation() override = 0;
    virtual bool isInvariant() const;

    // The operation's name ("Operation..."); never empty.
    std::string name() const;
    // eREAD or eDISCOVER; an operation of unknown type stops the program.
    eType type() const;
    // Which devices of the registered kind the operation is bound to.
    CountedPtr<Filter> filter() const;

    // Arguments live for one call on a live device (cleared after it).
    void clearArguments();
    void setArgument(const Attribute& argument);
    bool hasArgument(const std::string& name) const;
    // A missing argument is logged ("CHECKX: Does not have argument - <name>")
    // and ends the program.
    std::string argument(const std::string& name) const;

    // Two operations are equal when their names and types are.
    bool operator==(const DeviceOperation& other) const;

protected:
    virtual std::string doName() const = 0;
    virtual eType doType() const = 0;
    // Default: a new NullFilter.
    virtual CountedPtr<Filter> doFilter() const;

private:
    AttributeMap m_arguments;
};

using DeviceOperationPtr = CountedPtr<DeviceOperation>;
using OperationList = std::vector<DeviceOperationPtr>;

}

#endif

// OperationSource: a holder of bound operations that can be called by name.
#ifndef TSM_CORE_OPERATIONSOURCE_H
#define TSM_CORE_OPERATIONSOURCE_H

#include "countedptr.h"
#include "deviceoperation.h"
#include "status.h"

#include <string>

namespace Core {

class OperationSource {
public:
    virtual ~OperationSource() = 0;
    virtual bool isInvariant() const = 0;

    OperationList::const_iterator beginOperation() const;
    OperationList::const_iterator endOperation() const;
    bool hasOperation(const std::string& name) const;
    // Runs a bound operation; calling one that is not bound, or has an empty
    // name or an unknown type, stops the program.
    CountedPtr<Status> callOperation(DeviceOperationPtr pDeviceOp);

    // First bound operation of that name, or endOperation().
    OperationList::const_iterator findOperation(const std::string& name) const;

protected:
    virtual OperationList::const_iterator doBeginOperation() const = 0;
    virtual OperationList::const_iterator doEndOperation() const = 0;
    virtual bool doHasOperation(const std::string& name) const = 0;
    virtual CountedPtr<Status> doCallOperation(DeviceOperationPtr pDeviceOp) = 0;
};

}

#endif

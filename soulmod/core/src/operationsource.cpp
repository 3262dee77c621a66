// OperationSource: invariant-checked access to bound operations and calls.
#include "operationsource.h"

#include "checkassert.h"
#include "clog.h"

namespace Core {

OperationSource::~OperationSource() = default;

OperationList::const_iterator OperationSource::beginOperation() const
{
    TSM_ASSERT_INVARIANT();
    return doBeginOperation();
}

OperationList::const_iterator OperationSource::endOperation() const
{
    TSM_ASSERT_INVARIANT();
    return doEndOperation();
}

bool OperationSource::hasOperation(const std::string& name) const
{
    TSM_ASSERT_INVARIANT();
    return doHasOperation(name);
}

CountedPtr<Status> OperationSource::callOperation(DeviceOperationPtr pDeviceOp)
{
    TSM_ASSERT_INVARIANT();
    TSM_ASSERT_TEXT(pDeviceOp.get() != nullptr, "pDeviceOp.get() != 0");
    TSM_ASSERT_TEXT(hasOperation(pDeviceOp->name()), "hasOperation( pDeviceOp->name() )");
    // An operation of unknown type is never run.
    static_cast<void>(pDeviceOp->type());
    DebugLog::write("Operation Call: " + pDeviceOp->name());
    return doCallOperation(pDeviceOp);
}

OperationList::const_iterator OperationSource::findOperation(const std::string& name) const
{
    TSM_ASSERT_INVARIANT();
    OperationList::const_iterator it = beginOperation();
    const OperationList::const_iterator end = endOperation();
    while (it != end && (*it)->name() != name)
        ++it;
    return it;
}

}

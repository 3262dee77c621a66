// OperationRegistry: invariant-checked registration and lookup.
#include "operationregistry.h"

#include "checkassert.h"

namespace Core {

OperationRegistry::~OperationRegistry() = default;

OperationList::const_iterator OperationRegistry::beginRegisteredOperation() const
{
    TSM_ASSERT_INVARIANT();
    return doBeginRegisteredOperation();
}

OperationList::const_iterator OperationRegistry::endRegisteredOperation() const
{
    TSM_ASSERT_INVARIANT();
    return doEndRegisteredOperation();
}

void OperationRegistry::registerOperation(DeviceOperationPtr pDeviceOp)
{
    TSM_ASSERT_INVARIANT();
    TSM_ASSERT_TEXT(pDeviceOp.get() != nullptr, "pDeviceOp.get() != 0");
    doRegisterOperation(pDeviceOp);
    TSM_ASSERT_TEXT(findRegisteredOperation(beginRegisteredOperation(), endRegisteredOperation(), pDeviceOp) !=
                        endRegisteredOperation(),
                    "findRegisteredOperation( beginRegisteredOperation(), endRegisteredOperation(), pDeviceOp ) != "
                    "endRegisteredOperation()");
    TSM_ASSERT_INVARIANT();
}

OperationList::const_iterator OperationRegistry::findRegisteredOperation(OperationList::const_iterator begin,
                                                                         OperationList::const_iterator end,
                                                                         const DeviceOperationPtr& pDeviceOp)
{
    while (begin != end && !(**begin == *pDeviceOp))
        ++begin;
    return begin;
}

}

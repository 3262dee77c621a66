// Operation registries: the operations registered for a device kind.
#ifndef TSM_CORE_OPERATIONREGISTRY_H
#define TSM_CORE_OPERATIONREGISTRY_H

#include "csign.h"
#include "deviceoperation.h"

namespace Core {

class OperationRegistry {
public:
    virtual ~OperationRegistry() = 0;
    virtual bool isInvariant() const = 0;

    OperationList::const_iterator beginRegisteredOperation() const;
    OperationList::const_iterator endRegisteredOperation() const;
    // Appends the operation, also when an equal one is registered already.
    void registerOperation(DeviceOperationPtr pDeviceOp);

    // First operation in [begin, end) equal (same name and type) to the given one.
    static OperationList::const_iterator findRegisteredOperation(OperationList::const_iterator begin,
                                                                 OperationList::const_iterator end,
                                                                 const DeviceOperationPtr& pDeviceOp);

protected:
    virtual OperationList::const_iterator doBeginRegisteredOperation() const = 0;
    virtual OperationList::const_iterator doEndRegisteredOperation() const = 0;
    virtual void doRegisterOperation(DeviceOperationPtr pDeviceOp) = 0;
};

// The registry of one device kind. All instances share one list per kind, so
// a temporary registry registers for every device of the kind, and every
// kind derives from its own registry.
template <class Kind>
class DeviceOperationRegistry : public OperationRegistry {
public:
    DeviceOperationRegistry() = default;
    ~DeviceOperationRegistry() override = default;

    bool isInvariant() const override { return m_bSignature.isValid(); }

protected:
    OperationList::const_iterator doBeginRegisteredOperation() const override { return operations().begin(); }
    OperationList::const_iterator doEndRegisteredOperation() const override { return operations().end(); }
    void doRegisterOperation(DeviceOperationPtr pDeviceOp) override { operations().push_back(pDeviceOp); }

private:
    // Registrations live until the process ends.
    static OperationList& operations()
    {
        static OperationList s_operations;
        return s_operations;
    }

    CSignature m_bSignature;
};

}

#endif

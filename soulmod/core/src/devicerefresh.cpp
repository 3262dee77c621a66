// Refresh of the device tree: read, discover, sweep what was not found
// again, recurse into the children, read again; and the read-only walk.
#include "device.h"

#include "checkassert.h"
#include "clog.h"
#include "operationregistry.h"

namespace Core {
namespace {

const OperationRegistry& registryOf(const Device& device)
{
    const auto* pOperationRegistry = dynamic_cast<const OperationRegistry*>(&device);
    TSM_ASSERT(pOperationRegistry != 0);
    return *pOperationRegistry;
}

void runOperation(Device& device, DeviceOperation& operation)
{
    DebugLog::write("Operation Call: " + operation.name());
    // The walk goes on whatever the operation reports.
    static_cast<void>(device.accept(operation));
}

}

void Device::refresh()
{
    TSM_ASSERT_INVARIANT();
    const DevicePtr pSelf = self();
    TSM_ASSERT_TEXT(pSelf.get() != nullptr, "pSelf.get() != 0");
    refreshDevice(pSelf, *this);
    TSM_ASSERT_INVARIANT();
}

void Device::refreshDevice(const DevicePtr& pDevice, Device& top)
{
    const OperationRegistry& registry = registryOf(*pDevice);
    runReadOperations(pDevice, registry);

    // Mark: discovery clears the flag of every child it finds again.
    for (const DevicePtr& pChild : pDevice->m_children)
        pChild->m_bStale = true;
    for (auto it = registry.beginRegisteredOperation(); it != registry.endRegisteredOperation(); ++it) {
        if ((*it)->type() == DeviceOperation::eDISCOVER)
            runOperation(*pDevice, **it);
    }
    sweepStaleChildren(pDevice);

    const DeviceList children = pDevice->m_children;
    for (const DevicePtr& pChild : children) {
        refreshDevice(pChild, top);
        pChild->updateOperations();
    }
    top.updateOperations();
    runReadOperations(pDevice, registry);
}

void Device::runReadOperations(const DevicePtr& pDevice, const OperationRegistry& registry)
{
    for (auto it = registry.beginRegisteredOperation(); it != registry.endRegisteredOperation(); ++it) {
        if ((*it)->type() == DeviceOperation::eREAD && (*it)->filter()->passes(*pDevice))
            runOperation(*pDevice, **it);
    }
}

void Device::sweepStaleChildren(const DevicePtr& pDevice)
{
    DeviceList stale;
    for (const DevicePtr& pChild : pDevice->m_children) {
        if (pChild->m_bStale)
            stale.push_back(pChild);
    }
    removeChildren(pDevice, stale);
}

void readTree(const DevicePtr& pDevice)
{
    TSM_ASSERT_TEXT(pDevice.get() != nullptr, "pDevice.get() != 0");
    if (const auto* pRegistry = dynamic_cast<const OperationRegistry*>(pDevice.get())) {
        for (auto it = pRegistry->beginRegisteredOperation(); it != pRegistry->endRegisteredOperation(); ++it) {
            if ((*it)->type() == DeviceOperation::eREAD && (*it)->filter()->passes(*pDevice))
                runOperation(*pDevice, **it);
        }
    }
    const DeviceList children(pDevice->beginChild(), pDevice->endChild());
    for (const DevicePtr& pChild : children)
        readTree(pChild);
}

}

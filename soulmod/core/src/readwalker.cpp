// The read-only walk: eREAD operations on a device, then on its children.
#include "device.h"

#include "checkassert.h"
#include "clog.h"
#include "operationregistry.h"

namespace Core {

void readTree(const DevicePtr& pDevice)
{
    TSM_ASSERT_TEXT(pDevice.get() != nullptr, "pDevice.get() != 0");
    if (const auto* pRegistry = dynamic_cast<const OperationRegistry*>(pDevice.get())) {
        for (auto it = pRegistry->beginRegisteredOperation(); it != pRegistry->endRegisteredOperation(); ++it) {
            if ((*it)->type() == DeviceOperation::eREAD && (*it)->filter()->passes(*pDevice)) {
                DebugLog::write("Operation Call: " + (*it)->name());
                static_cast<void>(pDevice->accept(**it));
            }
        }
    }
    const DeviceList children(pDevice->beginChild(), pDevice->endChild());
    for (const DevicePtr& pChild : children)
        readTree(pChild);
}

}

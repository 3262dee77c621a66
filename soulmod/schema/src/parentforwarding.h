// Forwarding of commands from a drive or an array to the device above it.
#ifndef TSM_SCHEMA_PARENTFORWARDING_H
#define TSM_SCHEMA_PARENTFORWARDING_H

#include "bmicdevice.h"
#include "checkassert.h"
#include "device.h"

namespace Schema {

inline bool forwardBmic(const Core::Device& device, Core::BmicParameters& parameters)
{
    TSM_ASSERT(device.hasParent());
    auto* pTarget = dynamic_cast<Core::BmicDevice*>(device.pParent().get());
    return pTarget != nullptr && pTarget->sendBmicCommand(parameters);
}

inline bool forwardScsi(const Core::Device& device, Core::ScsiParameters& parameters)
{
    TSM_ASSERT(device.hasParent());
    auto* pTarget = dynamic_cast<Core::SCSIDevice*>(device.pParent().get());
    return pTarget != nullptr && pTarget->sendScsiCommand(parameters);
}

}

#endif

// The controller above a drive and the publishing the drive operations share.
#include "drivecontroller.h"

namespace Operations {

Core::DevicePtr controllerOf(const Core::Device& drive)
{
    Core::DevicePtr pDevice = drive.hasParent() ? drive.pParent() : Core::DevicePtr();
    while (pDevice.get() != nullptr && !attributeIs(*pDevice, "Type", "arraycontroller"))
        pDevice = pDevice->hasParent() ? pDevice->pParent() : Core::DevicePtr();
    return pDevice;
}

bool attributeIs(const Core::Device& device, const std::string& name, const std::string& value)
{
    return device.hasAttribute(name) && device.attribute(name) == value;
}

void publishAll(const Core::AttributePublisher& publisher, Core::Device& device,
                const ControllerReplies::Attributes& attributes)
{
    for (const auto& [name, value] : attributes)
        publisher.publishAttribute(device, Core::Attribute(name, value), false);
}

}

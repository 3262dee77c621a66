// What the drive read operations need of the controller above a drive.
#ifndef TSM_OPERATIONS_DRIVECONTROLLER_H
#define TSM_OPERATIONS_DRIVECONTROLLER_H

#include "controllerreplies.h"
#include "device.h"
#include "deviceoperation.h"

#include <string>

namespace Operations {

// The nearest device above the drive whose "Type" is "arraycontroller";
// null when there is none.
Core::DevicePtr controllerOf(const Core::Device& drive);
// True when the device has the attribute and it holds exactly the value.
bool attributeIs(const Core::Device& device, const std::string& name, const std::string& value);
// Publishes each pair in order; empty values publish nothing.
void publishAll(const Core::AttributePublisher& publisher, Core::Device& device,
                const ControllerReplies::Attributes& attributes);

}

#endif

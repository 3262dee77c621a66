// Finds the logical drives of a controller by probing drive numbers.
#include "logicaldrivediscovery.h"

#include "bmiccommand.h"
#include "checkassert.h"
#include "conversion.h"
#include "imxreplyoffsets.h"

namespace Operations {

LogicalDriveDiscovery::LogicalDriveDiscovery()
{
    TSM_ASSERT_INVARIANT();
}

LogicalDriveDiscovery::~LogicalDriveDiscovery() = default;

bool LogicalDriveDiscovery::isInvariant() const
{
    return m_bSignature.isValid() && Core::DeviceOperation::isInvariant();
}

std::string LogicalDriveDiscovery::doName() const
{
    return "OperationDiscoverLogicalDrives";
}

Core::DeviceOperation::eType LogicalDriveDiscovery::doType() const
{
    return eDISCOVER;
}

CountedPtr<Core::Status> LogicalDriveDiscovery::visit(Schema::ArrayController& controller)
{
    TSM_ASSERT_INVARIANT();
    CountedPtr<Core::Status> pResult(new Core::Status(true));
    if (!controller.hasAttribute("LogicalDriveCount"))
        return pResult;
    const unsigned count = Core::parseDriveCount(controller.attribute("LogicalDriveCount"));
    // Drive numbers are 8 bits in the command, so probing stops after 255.
    unsigned found = 0;
    for (unsigned n = 0; n <= 255 && found < count; ++n) {
        Core::LogicalDriveConfigCommand config(static_cast<std::uint8_t>(n));
        if (!config.run(controller)->isOk() || config.view().u16(InfoMgr::LogicalDriveConfigReply::kPresence) == 0)
            continue;
        ++found;
        Core::DevicePtr pDrive(new Schema::LogicalDrive(static_cast<std::uint16_t>(n)));
        publishAttribute(*pDrive, Core::Attribute("Type", "logicaldrive"), false);
        publishAttribute(*pDrive, Core::Attribute("Number", std::to_string(n)), false);
        Core::Device::addChild(controller.self(), pDrive);
    }
    return pResult;
}

}

// Discovery of the array controllers in the host.
#include "internalarraycontrollerdiscovery.h"

#include "checkassert.h"
#include "discoveryrecords.h"

#include <map>

namespace Operations {
namespace {

std::map<std::uint32_t, std::string> s_busNames;

}

InternalArrayControllerDiscovery::InternalArrayControllerDiscovery()
{
    if (s_busNames.empty())
        s_busNames = {{0, "isa"}, {1, "eisa"}, {2, "pci"}};
    TSM_ASSERT_INVARIANT();
}

InternalArrayControllerDiscovery::~InternalArrayControllerDiscovery() = default;

bool InternalArrayControllerDiscovery::isInvariant() const
{
    return m_bSignature.isValid() && Core::DeviceOperation::isInvariant();
}

std::string InternalArrayControllerDiscovery::doName() const
{
    return "OperationDiscoverInternalArrayControllers";
}

Core::DeviceOperation::eType InternalArrayControllerDiscovery::doType() const
{
    return eDISCOVER;
}

CountedPtr<Core::Status> InternalArrayControllerDiscovery::visit(Schema::System& system)
{
    using namespace Schema::Hardware;
    TSM_ASSERT_INVARIANT();
    const bool bOk = initError() == 0;
    CountedPtr<Core::Status> pResult(new Core::Status(bOk));
    if (!bOk)
        return pResult;

    Handle hRoot = 0;
    if (openRoot(kRootControllers, hRoot) != 0) {
        close(hRoot);
        return pResult;
    }
    const Discovery::BusNames busName(s_busNames);
    Handle hObject = 0;
    for (std::uint32_t index = 0; child(hRoot, kChildController, index, hObject) == 0; ++index) {
        const auto record = Discovery::readBusRecord(hObject);
        if (!record)
            continue;
        Core::DevicePtr pController(new Schema::ArrayController(hObject, kRootControllers,
                                                                static_cast<std::uint16_t>(index),
                                                                Schema::ArrayController::eLOCAL));
        auto& controller = static_cast<Schema::ArrayController&>(*pController);
        const Discovery::IdentifyResult identity = Discovery::identify(controller);
        if (Discovery::isHiddenPartner(identity))
            continue;
        publishAttribute(controller, Core::Attribute("Type", "arraycontroller"), false);
        publishAttribute(controller, Core::Attribute("Location", "local"), false);
        publishAttribute(controller, Core::Attribute("BusType", busName(record->dwBusCode)), false);
        publishAttribute(controller, Core::Attribute("Slot", Discovery::slotText(record->wSlot)), false);
        publishAttribute(controller, Core::Attribute("SubsystemID", Discovery::subsystemText(*record)), false);
        publishAttribute(controller, Core::Attribute("RedundantState", Discovery::redundantState(identity)), false);
        Core::Device::addChild(system.self(), pController);
    }
    close(hRoot);
    TSM_ASSERT_INVARIANT();
    return pResult;
}

}

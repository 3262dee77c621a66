// Discovery of the array controllers in the host.
#include "internalarraycontrollerdiscovery.h"

#include "checkassert.h"
#include "discoveryrecords.h"

namespace Operations {
namespace {

const Discovery::BusNameTable kBusNames = {{0, "isa"}, {1, "eisa"}, {2, "pci"}};

}

InternalArrayControllerDiscovery::InternalArrayControllerDiscovery()
{
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
    CountedPtr<Core::Status> pResult(new Core::Status(initError() == 0));
    Discovery::forEachRootChild(
        kRootControllers, kChildController,
        [&](Handle hObject, std::uint32_t index, const Discovery::BusRecord& record) {
            Core::DevicePtr pController(new Schema::ArrayController(
                hObject, kRootControllers, static_cast<std::uint16_t>(index), Schema::ArrayController::eLOCAL));
            auto& controller = static_cast<Schema::ArrayController&>(*pController);
            const Discovery::IdentifyResult identity = Discovery::identify(controller);
            if (Discovery::isHiddenPartner(identity))
                return;
            publishAttribute(controller, Core::Attribute("Type", "arraycontroller"), false);
            publishAttribute(controller, Core::Attribute("Location", "local"), false);
            publishAttribute(controller, Core::Attribute("BusType", Discovery::busName(kBusNames, record.dwBusCode)),
                             false);
            publishAttribute(controller, Core::Attribute("Slot", Discovery::slotText(record.wSlot)), false);
            publishAttribute(controller, Core::Attribute("SubsystemID", Discovery::subsystemText(record)), false);
            publishAttribute(controller, Core::Attribute("RedundantState", Discovery::redundantState(identity)), false);
            Core::Device::addChild(system.self(), pController);
        });
    TSM_ASSERT_INVARIANT();
    return pResult;
}

}

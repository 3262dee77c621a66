// Discovery of external array controllers behind a controller or an adapter.
#include "externalarraycontrollerdiscovery.h"

#include "checkassert.h"
#include "discoveryrecords.h"

#include <map>

namespace Operations {
namespace {

const Discovery::BusNameTable kBusNames = {{3, "scsi"}, {4, "fibre"}};

}

ExternalArrayControllerDiscovery::ExternalArrayControllerDiscovery()
{
    TSM_ASSERT_INVARIANT();
}

ExternalArrayControllerDiscovery::~ExternalArrayControllerDiscovery() = default;

bool ExternalArrayControllerDiscovery::isInvariant() const
{
    return m_bSignature.isValid() && Core::DeviceOperation::isInvariant();
}

std::string ExternalArrayControllerDiscovery::doName() const
{
    return "OperationDiscoverExternalArrayControllers";
}

Core::DeviceOperation::eType ExternalArrayControllerDiscovery::doType() const
{
    return eDISCOVER;
}

CountedPtr<Core::Status> ExternalArrayControllerDiscovery::visit(Schema::ArrayController& controller)
{
    TSM_ASSERT_INVARIANT();
    return discoverBehind(controller, controller.handle());
}

CountedPtr<Core::Status> ExternalArrayControllerDiscovery::visit(Schema::HostBusAdapter& adapter)
{
    TSM_ASSERT_INVARIANT();
    return discoverBehind(adapter, adapter.handle());
}

CountedPtr<Core::Status> ExternalArrayControllerDiscovery::visit(Schema::System& system)
{
    TSM_ASSERT_INVARIANT();
    const bool bOk = Schema::Hardware::initError() == 0;
    if (!bOk)
        return CountedPtr<Core::Status>(new Core::Status(false));
    Core::DeviceFinder finder(system.self());
    finder.addCriterion("Type", "arraycontroller");
    for (const Core::DevicePtr& pDevice : finder.findDevices())
        if (auto* pController = dynamic_cast<Schema::ArrayController*>(pDevice.get()))
            discoverBehind(*pController, pController->handle());
    return CountedPtr<Core::Status>(new Core::Status(true));
}

CountedPtr<Core::Status> ExternalArrayControllerDiscovery::discoverBehind(Core::Device& parent,
                                                                          Schema::Hardware::Handle hParent)
{
    using namespace Schema::Hardware;
    const bool bOk = initError() == 0;
    CountedPtr<Core::Status> pResult(new Core::Status(bOk));
    if (!bOk)
        return pResult;

    Handle hObject = 0;
    for (std::uint32_t index = 0; child(hParent, kChildRemote, index, hObject) == 0; ++index) {
        const auto record = Discovery::readRemoteRecord(hObject);
        if (!record)
            continue;
        Core::DevicePtr pController(new Schema::ArrayController(
            hObject, kChildRemote, static_cast<std::uint16_t>(index), Schema::ArrayController::eREMOTE));
        auto& controller = static_cast<Schema::ArrayController&>(*pController);
        const Discovery::IdentifyResult identity = Discovery::identify(controller);
        if (Discovery::isHiddenPartner(identity))
            continue;
        publishAttribute(controller, Core::Attribute("Type", "arraycontroller"), false);
        publishAttribute(controller, Core::Attribute("Location", "remote"), false);
        publishAttribute(controller, Core::Attribute("BusType", Discovery::busName(kBusNames, record->bBusCode)),
                         false);
        publishAttribute(controller, Core::Attribute("VendorID", record->vendorId), false);
        publishAttribute(controller, Core::Attribute("ProductID", record->productId), false);
        publishAttribute(controller, Core::Attribute("ControllerSerialNumber", record->serialNumber), false);
        publishAttribute(controller, Core::Attribute("WWN", Discovery::wwnText(record->abWwn)), false);
        publishAttribute(controller, Core::Attribute("RedundantState", Discovery::redundantState(identity)), false);
        Core::Device::addChild(parent.self(), pController);
    }
    return pResult;
}

}

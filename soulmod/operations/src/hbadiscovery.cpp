// Discovery of the Fibre Channel host bus adapters.
#include "hbadiscovery.h"

#include "checkassert.h"
#include "discoveryrecords.h"

namespace Operations {
namespace {

const Discovery::BusNameTable kBusNames = {{0, "isa"}, {1, "eisa"}, {2, "pci"}};

}

HBADiscovery::HBADiscovery()
{
    TSM_ASSERT_INVARIANT();
}

HBADiscovery::~HBADiscovery() = default;

bool HBADiscovery::isInvariant() const
{
    return m_bSignature.isValid() && Core::DeviceOperation::isInvariant();
}

std::string HBADiscovery::doName() const
{
    return "OperationDiscoverHostBusAdapters";
}

Core::DeviceOperation::eType HBADiscovery::doType() const
{
    return eDISCOVER;
}

CountedPtr<Core::Status> HBADiscovery::visit(Schema::System& system)
{
    using namespace Schema::Hardware;
    TSM_ASSERT_INVARIANT();
    CountedPtr<Core::Status> pResult(new Core::Status(initError() == 0));
    Discovery::forEachRootChild(
        kRootAdapters, kChildController, [&](Handle hObject, std::uint32_t, const Discovery::BusRecord& record) {
            const auto wwn = Discovery::readAdapterWwn(hObject);
            if (!wwn)
                return;
            Core::DevicePtr pAdapter(new Schema::HostBusAdapter(hObject));
            // The world-wide name is the adapter's path part, so it comes first.
            publishAttribute(*pAdapter, Core::Attribute("WWN", Discovery::wwnText(*wwn)), false);
            publishAttribute(*pAdapter, Core::Attribute("Type", "hostbusadapter"), false);
            publishAttribute(*pAdapter, Core::Attribute("BusType", Discovery::busName(kBusNames, record.dwBusCode)),
                             false);
            publishAttribute(*pAdapter, Core::Attribute("Slot", Discovery::slotText(record.wSlot)), false);
            publishAttribute(*pAdapter, Core::Attribute("SubsystemID", Discovery::subsystemText(record)), false);
            Core::Device::addChild(system.self(), pAdapter);
        });
    TSM_ASSERT_INVARIANT();
    return pResult;
}

}

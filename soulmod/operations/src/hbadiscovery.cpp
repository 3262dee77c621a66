// Discovery of the Fibre Channel host bus adapters.
#include "hbadiscovery.h"

#include "checkassert.h"
#include "discoveryrecords.h"

#include <map>

namespace Operations {
namespace {

std::map<std::uint32_t, std::string> s_busNames;

}

HBADiscovery::HBADiscovery()
{
    if (s_busNames.empty())
        s_busNames = {{0, "isa"}, {1, "eisa"}, {2, "pci"}};
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
    const bool bOk = initError() == 0;
    CountedPtr<Core::Status> pResult(new Core::Status(bOk));
    if (!bOk)
        return pResult;

    Handle hRoot = 0;
    if (openRoot(kRootAdapters, hRoot) != 0) {
        close(hRoot);
        return pResult;
    }
    const Discovery::BusNames busName(s_busNames);
    Handle hObject = 0;
    for (std::uint32_t index = 0; child(hRoot, kChildController, index, hObject) == 0; ++index) {
        const auto record = Discovery::readBusRecord(hObject);
        if (!record)
            continue;
        const auto wwn = Discovery::readAdapterWwn(hObject);
        if (!wwn)
            continue;
        Core::DevicePtr pAdapter(new Schema::HostBusAdapter(hObject));
        // The world-wide name is the adapter's path part, so it comes first.
        publishAttribute(*pAdapter, Core::Attribute("WWN", Discovery::wwnText(*wwn)), false);
        publishAttribute(*pAdapter, Core::Attribute("Type", "hostbusadapter"), false);
        publishAttribute(*pAdapter, Core::Attribute("BusType", busName(record->dwBusCode)), false);
        publishAttribute(*pAdapter, Core::Attribute("Slot", Discovery::slotText(record->wSlot)), false);
        publishAttribute(*pAdapter, Core::Attribute("SubsystemID", Discovery::subsystemText(*record)), false);
        Core::Device::addChild(system.self(), pAdapter);
    }
    close(hRoot);
    TSM_ASSERT_INVARIANT();
    return pResult;
}

}

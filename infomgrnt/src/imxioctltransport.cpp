// The object model's transports over the machine's IOCTL transport classes.
#include "imxioctltransport.h"

#include "imxioctlfactory.h"

#include <utility>

namespace InfoMgr {
namespace {

bool isTransportType(CommandType eCommandType)
{
    return eCommandType == eCSMI_CISS || eCommandType == eCSMI_I2O || eCommandType == eCSMI_FIBRE ||
           eCommandType == eCSMI_SWITCH || eCommandType == eLEGACY;
}

bool isFibreType(CommandType eCommandType)
{
    return eCommandType == eCSMI_FIBRE || eCommandType == eCSMI_SWITCH;
}

// The send arguments of a transport call, pointing into the object model's
// buffers so that the out-values land there.
CommandBuffers commandBuffers(TransferBuffers& buffers)
{
    if (buffers.pData == nullptr)
        buffers.dwDataLength = 0;
    if (buffers.pSense == nullptr)
        buffers.dwSenseLength = 0;
    return CommandBuffers{buffers.pData,          &buffers.dwDataLength, buffers.pSense,
                          &buffers.dwSenseLength, &buffers.bScsiStatus,  &buffers.wCommandStatus};
}

class IoCtlObjectTransport : public ObjectTransport {
public:
    IoCtlObjectTransport(CommandType eCommandType, std::unique_ptr<IoCtlCommandGroup> pGroup)
        : m_eCommandType(eCommandType), m_pGroup(std::move(pGroup))
    {
    }

    std::uint32_t discoverControllers(EssentialDataList& records) override
    {
        return m_pGroup->discoverControllers(records);
    }
    std::uint32_t discoverRemoteControllers(const SchemaObjectEssentialData& controller,
                                            EssentialDataList& records) override
    {
        return m_pGroup->discoverRemoteControllers(controller, records);
    }
    std::uint32_t discoverLogicalDrives(const SchemaObjectEssentialData& controller,
                                        EssentialDataList& records) override
    {
        return m_pGroup->discoverLogicalDrives(controller, records, controller);
    }
    std::uint32_t discoverPhysicalDrives(const SchemaObjectEssentialData& controller,
                                         EssentialDataList& records) override
    {
        return m_pGroup->discoverPhysicalDrives(controller, records, controller);
    }
    std::uint32_t getControllerBusInfo(const SchemaObjectEssentialData& controller, BusInfoRecord& busInfo) override
    {
        return m_pGroup->getControllerBusInfo(controller, busInfo);
    }
    std::uint32_t getControllerStatus(const SchemaObjectEssentialData& controller, std::uint8_t& bStatus) override
    {
        return m_pGroup->getControllerStatus(controller, bStatus);
    }
    std::uint32_t getFibreIdentity(const SchemaObjectEssentialData& device, FibreIdentityRecord& identity) override
    {
        // World-wide names exist only on Fibre Channel.
        if (!isFibreType(m_eCommandType))
            return kIoCtlNothingFound;
        return m_pGroup->getRemoteIdentity(device, identity.data(), identity.size());
    }
    std::uint32_t getRemoteIdentity(const SchemaObjectEssentialData& device, RemoteIdentityRecord& identity) override
    {
        return m_pGroup->getRemoteIdentity(device, identity.data(), identity.size());
    }
    std::uint32_t sendBmicCommand(const SchemaObjectEssentialData& device, const BmicTransfer& command,
                                  TransferBuffers& buffers) override
    {
        if (command.dwDirection != CONTROL_DIRECTION_READ && command.dwDirection != CONTROL_DIRECTION_WRITE)
            return kIoCtlRequestFailed;
        CommandBuffers sendBuffers = commandBuffers(buffers);
        BmicRequest request;
        request.pDevice = &device;
        m_pGroup->setupBmicParameters(command, buffers.dwDataLength, request.block);
        return m_pGroup->sendBmicCommand(request, command.dwDirection, sendBuffers);
    }
    std::uint32_t sendScsiCommand(const SchemaObjectEssentialData& device, const ScsiTransfer& command,
                                  TransferBuffers& buffers) override
    {
        if (command.dwDirection != CONTROL_DIRECTION_READ && command.dwDirection != CONTROL_DIRECTION_WRITE)
            return kIoCtlRequestFailed;
        if (command.pbCdb == nullptr || command.bCdbLength == 0 || command.bCdbLength > kMaxScsiCdbLength)
            return kIoCtlRequestFailed;
        CommandBuffers sendBuffers = commandBuffers(buffers);
        ScsiRequest request;
        request.pDevice = &device;
        m_pGroup->setupScsiParameters(command, request);
        return m_pGroup->sendScsiCommand(request, command.dwDirection, sendBuffers);
    }

private:
    CommandType m_eCommandType;
    std::unique_ptr<IoCtlCommandGroup> m_pGroup;
};

}

TransportPtr createIoCtlTransport(CommandType eCommandType)
{
    if (!isTransportType(eCommandType))
        return nullptr;
    return std::make_unique<IoCtlObjectTransport>(eCommandType, createIoCtlCommandGroup(eCommandType));
}

}

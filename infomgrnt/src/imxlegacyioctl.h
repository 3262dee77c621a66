// The transport of older array controllers with their own driver interface:
// "ODXM&P" packets.
#ifndef TSM_INFOMGRNT_IMXLEGACYIOCTL_H
#define TSM_INFOMGRNT_IMXLEGACYIOCTL_H

#include "imxioctlcommandgroup.h"
#include "imxpacketlayouts.h"

namespace InfoMgr {

class LegacyIoCtl : public IoCtlCommandGroup {
public:
    explicit LegacyIoCtl(HDEVINFO hDeviceInfoSet);
    ~LegacyIoCtl() override;

    bool isInvariant() const override;

protected:
    std::uint32_t doDiscoverControllers(EssentialDataList& controllers) override;
    std::uint32_t doGetControllerBusInfo(const SchemaObjectEssentialData& controller, BusInfoRecord& busInfo) override;
    std::uint32_t doGetControllerStatus(const SchemaObjectEssentialData& controller, std::uint8_t& bStatus) override;
    std::uint32_t doSendScsiCommand(const ScsiRequest& request, std::uint32_t dwDirection,
                                    CommandBuffers& buffers) override;
    std::uint32_t doSendBmicCommand(const BmicRequest& request, std::uint32_t dwDirection,
                                    CommandBuffers& buffers) override;

private:
    // The configuration request on a port: 0, 0x80000007 (no port) or
    // 0x80000005 (the request failed).
    std::uint32_t readConfiguration(std::uint32_t dwPort, LegacyConfigPacket& config) const;

    CSignature m_bSignature;
};

}

#endif

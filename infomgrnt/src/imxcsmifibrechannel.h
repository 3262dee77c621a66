// The transport of Fibre Channel host adapters and the array enclosures
// behind them: "ZYRFC" and "FCM&P" packets.
#ifndef TSM_INFOMGRNT_IMXCSMIFIBRECHANNEL_H
#define TSM_INFOMGRNT_IMXCSMIFIBRECHANNEL_H

#include "imxioctlcommandgroup.h"

#include <cstddef>
#include <cstdint>

namespace InfoMgr {

struct CommandBlock;

class CsmiFibreChannel : public IoCtlCommandGroup {
public:
    explicit CsmiFibreChannel(HDEVINFO hDeviceInfoSet);
    ~CsmiFibreChannel() override;

    bool isInvariant() const override;

protected:
    std::uint32_t doDiscoverControllers(EssentialDataList& controllers) override;
    std::uint32_t doDiscoverRemoteControllers(const SchemaObjectEssentialData& controller,
                                              EssentialDataList& devices) override;
    std::uint32_t doGetControllerBusInfo(const SchemaObjectEssentialData& controller, BusInfoRecord& busInfo) override;
    std::uint32_t doGetRemoteIdentity(const SchemaObjectEssentialData& device, std::uint8_t* pbIdentity,
                                      std::size_t nIdentityLength) override;
    std::uint32_t doSendScsiCommand(const ScsiRequest& request, std::uint32_t dwDirection,
                                    CommandBuffers& buffers) override;
    std::uint32_t doSendBmicCommand(const BmicRequest& request, std::uint32_t dwDirection,
                                    CommandBuffers& buffers) override;

private:
    // The 64-byte remote identity record of an array controller behind the
    // adapter, around the world-wide names already read.
    void composeRemoteRecord(const SchemaObjectEssentialData& device, const std::uint8_t* pbNames,
                             std::uint8_t* pbIdentity);
    std::uint32_t sendCommand(const CommandBlock& command, std::uint32_t dwDirection, CommandBuffers& buffers);

    CSignature m_bSignature;
};

// Walks the adapter bus information a port returned (bounds-checked against
// nLength) and appends a remote-device record per array controller (type 12)
// or enclosure services device (type 13). True when one was appended.
bool parseFibreInquiryData(const SchemaObjectEssentialData& controller, const std::uint8_t* pbData, std::size_t nLength,
                           EssentialDataList& devices);

}

#endif

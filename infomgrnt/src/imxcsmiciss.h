// The transport of CISS controllers: "ZYRCISS" command packets, remote
// controllers behind the controller and their identity.
#ifndef TSM_INFOMGRNT_IMXCSMICISS_H
#define TSM_INFOMGRNT_IMXCSMICISS_H

#include "imxioctlcommandgroup.h"

namespace InfoMgr {

struct CommandBlock;

class CsmiCiss : public IoCtlCommandGroup {
public:
    explicit CsmiCiss(HDEVINFO hDeviceInfoSet);
    ~CsmiCiss() override;

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
    std::uint32_t sendCommand(const CommandBlock& command, std::uint32_t dwDirection, CommandBuffers& buffers);
    bool isRemoteProduct(const std::uint8_t* pbInquiry) const;

    CSignature m_bSignature;
};

}

#endif

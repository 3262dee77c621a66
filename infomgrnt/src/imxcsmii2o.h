// The transport of I2O-based array controllers: "ZYRBMIC" packets.
#ifndef TSM_INFOMGRNT_IMXCSMII2O_H
#define TSM_INFOMGRNT_IMXCSMII2O_H

#include "imxioctlcommandgroup.h"

namespace InfoMgr {

class CsmiI2O : public IoCtlCommandGroup {
public:
    explicit CsmiI2O(HDEVINFO hDeviceInfoSet);
    ~CsmiI2O() override;

    bool isInvariant() const override;

protected:
    std::uint32_t doDiscoverControllers(EssentialDataList& controllers) override;
    std::uint32_t doGetControllerBusInfo(const SchemaObjectEssentialData& controller, BusInfoRecord& busInfo) override;
    std::uint32_t doSendScsiCommand(const ScsiRequest& request, std::uint32_t dwDirection,
                                    CommandBuffers& buffers) override;
    std::uint32_t doSendBmicCommand(const BmicRequest& request, std::uint32_t dwDirection,
                                    CommandBuffers& buffers) override;

private:
    CSignature m_bSignature;
};

// A READ(10) (and, where bAcceptRead6, READ(6)) CDB becomes a read-logical-
// drive BMIC block addressed to the target's LUN byte; false for other CDBs.
bool translateRead(const ScsiRequest& request, std::uint32_t dwDirection, bool bAcceptRead6, BmicRequest& bmic);

}

#endif

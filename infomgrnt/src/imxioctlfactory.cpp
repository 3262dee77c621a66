// The IOCTL factory: one transport class per command type.
#include "imxioctlfactory.h"

#include "checkassert.h"
#include "imxcsmiciss.h"
#include "imxcsmifibrechannel.h"
#include "imxcsmii2o.h"
#include "imxlegacyioctl.h"
#include "imxslotlookup.h"

namespace InfoMgr {

std::unique_ptr<IoCtlCommandGroup> createIoCtlCommandGroup(CommandType eCommandType)
{
    const HDEVINFO hDeviceInfoSet = transportDeviceInfoSet();
    switch (eCommandType) {
    case eCSMI_CISS:
        return std::make_unique<CsmiCiss>(hDeviceInfoSet);
    case eCSMI_I2O:
        return std::make_unique<CsmiI2O>(hDeviceInfoSet);
    case eCSMI_FIBRE:
    case eCSMI_SWITCH:
        return std::make_unique<CsmiFibreChannel>(hDeviceInfoSet);
    case eLEGACY:
        return std::make_unique<LegacyIoCtl>(hDeviceInfoSet);
    }
    TSM_ASSERT_TEXT(eCommandType == eCSMI_CISS || eCommandType == eCSMI_I2O || eCommandType == eCSMI_FIBRE ||
                        eCommandType == eCSMI_SWITCH || eCommandType == eLEGACY,
                    "eCommandType == eCSMI_CISS || eCommandType == eCSMI_I2O || eCommandType == eCSMI_FIBRE || "
                    "eCommandType == eCSMI_SWITCH || eCommandType == eLEGACY");
    return nullptr;
}

}

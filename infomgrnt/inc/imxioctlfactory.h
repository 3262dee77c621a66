// Creates the IOCTL transport that serves a command type.
#ifndef TSM_INFOMGRNT_IMXIOCTLFACTORY_H
#define TSM_INFOMGRNT_IMXIOCTLFACTORY_H

#include "imxioctlcommandgroup.h"

#include <memory>

namespace InfoMgr {

// CsmiCiss for eCSMI_CISS, CsmiI2O for eCSMI_I2O, CsmiFibreChannel for
// eCSMI_FIBRE and eCSMI_SWITCH, LegacyIoCtl for eLEGACY; any other value is a
// fatal misuse. The caller owns the transport.
std::unique_ptr<IoCtlCommandGroup> createIoCtlCommandGroup(CommandType eCommandType);

}

#endif

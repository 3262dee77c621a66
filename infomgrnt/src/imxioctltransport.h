// The object model's transports over the machine's IOCTL transport classes.
#ifndef TSM_INFOMGRNT_IMXIOCTLTRANSPORT_H
#define TSM_INFOMGRNT_IMXIOCTLTRANSPORT_H

#include "imxtransportsource.h"

namespace InfoMgr {

// The IOCTL transport of the command type behind the object model's
// transport operations; null for a command type without one.
TransportPtr createIoCtlTransport(CommandType eCommandType);

}

#endif

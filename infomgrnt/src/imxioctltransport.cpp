// The object model's transports over the machine's IOCTL transport classes.
#include "imxioctltransport.h"

namespace InfoMgr {

TransportPtr createIoCtlTransport(CommandType)
{
    return nullptr;
}

}

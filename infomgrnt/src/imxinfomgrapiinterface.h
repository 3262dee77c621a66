// The root interface of every hardware object reached through a handle.
#ifndef TSM_INFOMGRNT_IMXINFOMGRAPIINTERFACE_H
#define TSM_INFOMGRNT_IMXINFOMGRAPIINTERFACE_H

#include "imxinfomgrapi.h"

#include <cstdint>

namespace InfoMgr {

class InfoMgrAPIInterface {
public:
    InfoMgrAPIInterface() = default;
    InfoMgrAPIInterface(const InfoMgrAPIInterface&) = delete;
    InfoMgrAPIInterface& operator=(const InfoMgrAPIInterface&) = delete;
    virtual ~InfoMgrAPIInterface() = default;

    // Kept for the shape of the interface; nothing calls it.
    virtual std::uint32_t reservedOperation1() = 0;
    virtual std::uint32_t open() = 0;
    virtual std::uint32_t close() = 0;
    virtual std::uint32_t getChild(INFOMGR_OBJECT_TYPE eChildType, std::uint32_t dwIndex, INFOMGR_HANDLE* phChild) = 0;
    virtual std::uint32_t getInfo(std::uint32_t dwKind, void* pBuffer, std::uint32_t* pdwSize) = 0;
    virtual std::uint32_t sendCommand(std::uint32_t dwRequestType, std::uint32_t dwDirection, void* pRequest,
                                      std::uint32_t dwRequestSize) = 0;
    // Kept for the shape of the interface; nothing calls them.
    virtual std::uint32_t reservedOperation2() = 0;
    virtual std::uint32_t reservedOperation3() = 0;
    virtual std::uint32_t reservedOperation4() = 0;
    virtual std::uint32_t reservedOperation5() = 0;
    virtual std::uint32_t reservedOperation6() = 0;
};

}

#endif

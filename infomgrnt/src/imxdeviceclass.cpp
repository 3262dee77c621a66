// DeviceClass: the child rules shared by the two root classes.
#include "imxdeviceclass.h"

#include "checkassert.h"
#include "imxtransportsource.h"

namespace InfoMgr {

DeviceClass::~DeviceClass() = default;

bool DeviceClass::isInvariant() const
{
    return m_bSignature.isValid() && InfoMgrSchemaObject::isInvariant();
}

std::uint32_t DeviceClass::reservedOperation7()
{
    TSM_ASSERT_INVARIANT();
    return kResultNotSupported;
}

std::uint32_t DeviceClass::doGetChild(INFOMGR_OBJECT_TYPE eChildType, std::uint32_t dwIndex, INFOMGR_HANDLE* phChild)
{
    if (eChildType == eOBJECT_REMOTE_DEVICE)
        return kResultNotSupported;
    return InfoMgrSchemaObject::doGetChild(eChildType, dwIndex, phChild);
}

bool DeviceClass::doIsSameObject(const InfoMgrSchemaObject& other) const
{
    return this == &other;
}

INFOMGR_OBJECT_TYPE DeviceClass::doDiscoveryScope(INFOMGR_OBJECT_TYPE) const
{
    return eOBJECT_CONTROLLER;
}

EssentialDataList DeviceClass::scanControllers(std::initializer_list<CommandType> commandTypes)
{
    EssentialDataList records;
    for (const CommandType eCommandType : commandTypes) {
        // A scan that finds nothing or fails leaves the list as it was.
        const TransportPtr pTransport = createTransport(eCommandType);
        if (pTransport)
            pTransport->discoverControllers(records);
    }
    return records;
}

}

// RemoteDevice: information records, requests and drives of an external controller.
#include "imxremotedevice.h"

#include "checkassert.h"
#include "imxobjectrequests.h"

#include <utility>

namespace InfoMgr {

RemoteDevice::RemoteDevice(std::unique_ptr<SchemaObjectEssentialData> pEssentialData)
    : m_pEssentialData(std::move(pEssentialData))
{
    TSM_ASSERT(m_pEssentialData != 0);
    m_name = readControllerName(*m_pEssentialData);
    TSM_ASSERT_INVARIANT();
}

RemoteDevice::~RemoteDevice() = default;

bool RemoteDevice::isInvariant() const
{
    return m_bSignature.isValid() && m_pEssentialData != nullptr && m_pEssentialData->isInvariant() &&
           InfoMgrSchemaObject::isInvariant();
}

bool RemoteDevice::isOnFibreChannel() const
{
    const CommandType eCommandType = m_pEssentialData->eCommandType();
    return eCommandType == eCSMI_FIBRE || eCommandType == eCSMI_SWITCH;
}

std::uint32_t RemoteDevice::doGetInfo(std::uint32_t dwKind, void* pBuffer, std::uint32_t* pdwSize)
{
    switch (dwKind) {
    case kInfoBusInformation:
        return readBusInformation(*m_pEssentialData, m_name, pBuffer, pdwSize);
    case kInfoFibreIdentity:
        if (isOnFibreChannel())
            return readFibreIdentity(*m_pEssentialData, pBuffer, pdwSize);
        break;
    case kInfoAddress:
        return readAddress(*m_pEssentialData, pBuffer, pdwSize);
    case kInfoStatus:
        return readControllerStatus(*m_pEssentialData, pBuffer, pdwSize);
    case kInfoRemoteIdentity:
        return readRemoteIdentity(*m_pEssentialData, m_name, pBuffer, pdwSize);
    default:
        break;
    }
    return InfoMgrSchemaObject::doGetInfo(dwKind, pBuffer, pdwSize);
}

std::uint32_t RemoteDevice::doSendCommand(std::uint32_t dwRequestType, std::uint32_t dwDirection, void* pRequest,
                                          std::uint32_t dwRequestSize)
{
    return sendObjectCommand(*m_pEssentialData, eDETAIL_MSB_FIRST, dwRequestType, dwDirection, pRequest, dwRequestSize);
}

bool RemoteDevice::doIsSameObject(const InfoMgrSchemaObject& other) const
{
    const RemoteDevice* pComparedRemoteDevice = dynamic_cast<const RemoteDevice*>(&other);
    TSM_ASSERT(pComparedRemoteDevice != 0);
    return m_pEssentialData->isSame(*pComparedRemoteDevice->m_pEssentialData);
}

void RemoteDevice::doMergeDuplicate(InfoMgrSchemaObject& duplicate)
{
    if (m_name.empty())
        m_name = duplicate.nameText();
}

void RemoteDevice::doDiscoverChildren(INFOMGR_OBJECT_TYPE eChildType)
{
    if (eChildType == eOBJECT_LOGICAL_DRIVE || eChildType == eOBJECT_PHYSICAL_DRIVE)
        addDiscoveredChildren(*m_pEssentialData, eChildType);
}

const SchemaObjectEssentialData* RemoteDevice::doEssentialData() const
{
    return m_pEssentialData.get();
}

std::string RemoteDevice::doNameText() const
{
    return m_name;
}

}

// I2ODevice: information records, requests and its logical and physical drives.
#include "imxi2odevice.h"

#include "checkassert.h"
#include "imxobjectrequests.h"

#include <utility>

namespace InfoMgr {

I2ODevice::I2ODevice(std::unique_ptr<SchemaObjectEssentialData> pEssentialData)
    : m_pEssentialData(std::move(pEssentialData))
{
    TSM_ASSERT(m_pEssentialData != 0);
    m_name = readControllerName(*m_pEssentialData);
    TSM_ASSERT_INVARIANT();
}

I2ODevice::~I2ODevice() = default;

bool I2ODevice::isInvariant() const
{
    return m_bSignature.isValid() && m_pEssentialData != nullptr && m_pEssentialData->isInvariant() &&
           InfoMgrSchemaObject::isInvariant();
}

std::uint32_t I2ODevice::doGetInfo(std::uint32_t dwKind, void* pBuffer, std::uint32_t* pdwSize)
{
    switch (dwKind) {
    case kInfoBusInformation:
        return readBusInformation(*m_pEssentialData, m_name, pBuffer, pdwSize);
    case kInfoAddress:
        return readAddress(*m_pEssentialData, pBuffer, pdwSize);
    case kInfoStatus:
        return readControllerStatus(*m_pEssentialData, pBuffer, pdwSize);
    default:
        return InfoMgrSchemaObject::doGetInfo(dwKind, pBuffer, pdwSize);
    }
}

std::uint32_t I2ODevice::doSendCommand(std::uint32_t dwRequestType, std::uint32_t dwDirection, void* pRequest,
                                  std::uint32_t dwRequestSize)
{
    return sendObjectCommand(*m_pEssentialData, eDETAIL_LSB_FIRST, dwRequestType, dwDirection, pRequest, dwRequestSize);
}

bool I2ODevice::doIsSameObject(const InfoMgrSchemaObject& other) const
{
    // Controllers of all command types share one child list, so the records
    // decide (a different command type is a different object).
    const SchemaObjectEssentialData* pCompared = other.essentialData();
    return pCompared != nullptr && m_pEssentialData->isSame(*pCompared);
}

void I2ODevice::doMergeDuplicate(InfoMgrSchemaObject& duplicate)
{
    // The known object keeps its children; it only learns a name it lacked.
    if (m_name.empty())
        m_name = duplicate.nameText();
}

void I2ODevice::doDiscoverChildren(INFOMGR_OBJECT_TYPE eChildType)
{
    if (eChildType == eOBJECT_LOGICAL_DRIVE || eChildType == eOBJECT_PHYSICAL_DRIVE)
        addDiscoveredChildren(*m_pEssentialData, eChildType);
}

const SchemaObjectEssentialData* I2ODevice::doEssentialData() const
{
    return m_pEssentialData.get();
}

std::string I2ODevice::doNameText() const
{
    return m_name;
}

}

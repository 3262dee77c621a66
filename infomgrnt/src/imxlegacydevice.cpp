// LegacyDevice: information records, requests and its logical and physical drives.
#include "imxlegacydevice.h"

#include "checkassert.h"
#include "imxobjectrequests.h"

#include <utility>

namespace InfoMgr {

LegacyDevice::LegacyDevice(std::unique_ptr<SchemaObjectEssentialData> pEssentialData)
    : m_pEssentialData(std::move(pEssentialData))
{
    TSM_ASSERT(m_pEssentialData != 0);
    m_name = readControllerName(*m_pEssentialData);
    TSM_ASSERT_INVARIANT();
}

LegacyDevice::~LegacyDevice() = default;

bool LegacyDevice::isInvariant() const
{
    return m_bSignature.isValid() && m_pEssentialData != nullptr && m_pEssentialData->isInvariant() &&
           InfoMgrSchemaObject::isInvariant();
}

std::uint32_t LegacyDevice::doGetInfo(std::uint32_t dwKind, void* pBuffer, std::uint32_t* pdwSize)
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

std::uint32_t LegacyDevice::doSendCommand(std::uint32_t dwRequestType, std::uint32_t dwDirection, void* pRequest,
                                  std::uint32_t dwRequestSize)
{
    return sendObjectCommand(*m_pEssentialData, eDETAIL_LSB_FIRST, dwRequestType, dwDirection, pRequest, dwRequestSize);
}

bool LegacyDevice::doIsSameObject(const InfoMgrSchemaObject& other) const
{
    // Controllers of all command types share one child list, so the records
    // decide (a different command type is a different object).
    const SchemaObjectEssentialData* pCompared = other.essentialData();
    return pCompared != nullptr && m_pEssentialData->isSame(*pCompared);
}

void LegacyDevice::doMergeDuplicate(InfoMgrSchemaObject& duplicate)
{
    // The known object keeps its children; it only learns a name it lacked.
    if (m_name.empty())
        m_name = duplicate.nameText();
}

void LegacyDevice::doDiscoverChildren(INFOMGR_OBJECT_TYPE eChildType)
{
    if (eChildType == eOBJECT_LOGICAL_DRIVE || eChildType == eOBJECT_PHYSICAL_DRIVE)
        addDiscoveredChildren(*m_pEssentialData, eChildType);
}

const SchemaObjectEssentialData* LegacyDevice::doEssentialData() const
{
    return m_pEssentialData.get();
}

std::string LegacyDevice::doNameText() const
{
    return m_name;
}

}

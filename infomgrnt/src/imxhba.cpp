// HBA: information records, requests and remote controllers of an adapter.
#include "imxhba.h"

#include "checkassert.h"
#include "imxobjectrequests.h"

#include <utility>

namespace InfoMgr {

HBA::HBA(std::unique_ptr<SchemaObjectEssentialData> pEssentialData) : m_pEssentialData(std::move(pEssentialData))
{
    TSM_ASSERT(m_pEssentialData != 0);
    if (const auto* pAdapter = dynamic_cast<const HBAEssentialData*>(m_pEssentialData.get()))
        m_name = pAdapter->serialNumber();
    TSM_ASSERT_INVARIANT();
}

HBA::~HBA() = default;

bool HBA::isInvariant() const
{
    return m_bSignature.isValid() && m_pEssentialData != nullptr && m_pEssentialData->isInvariant() &&
           InfoMgrSchemaObject::isInvariant();
}

std::uint32_t HBA::doGetInfo(std::uint32_t dwKind, void* pBuffer, std::uint32_t* pdwSize)
{
    switch (dwKind) {
    case kInfoBusInformation:
        return readBusInformation(*m_pEssentialData, m_name, pBuffer, pdwSize);
    case kInfoFibreIdentity:
        return readFibreIdentity(*m_pEssentialData, pBuffer, pdwSize);
    default:
        return InfoMgrSchemaObject::doGetInfo(dwKind, pBuffer, pdwSize);
    }
}

std::uint32_t HBA::doSendCommand(std::uint32_t dwRequestType, std::uint32_t dwDirection, void* pRequest,
                                 std::uint32_t dwRequestSize)
{
    return sendObjectCommand(*m_pEssentialData, eDETAIL_MSB_FIRST, dwRequestType, dwDirection, pRequest, dwRequestSize);
}

bool HBA::doIsSameObject(const InfoMgrSchemaObject& other) const
{
    const HBA* pComparedHBA = dynamic_cast<const HBA*>(&other);
    TSM_ASSERT(pComparedHBA != 0);
    return m_pEssentialData->isSame(*pComparedHBA->m_pEssentialData) && m_name == pComparedHBA->m_name;
}

void HBA::doDiscoverChildren(INFOMGR_OBJECT_TYPE deviceType)
{
    // An adapter has remote controllers behind it and nothing else.
    TSM_ASSERT_TEXT(deviceType == eOBJECT_REMOTE_DEVICE,
                    "deviceType == ((INFOMGR_OBJECT_TYPE)(((INFOMGR_OBJECT_TYPE)0x8000) + 7))");
    addDiscoveredChildren(*m_pEssentialData, deviceType);
}

const SchemaObjectEssentialData* HBA::doEssentialData() const
{
    return m_pEssentialData.get();
}

std::string HBA::doNameText() const
{
    return m_name;
}

}

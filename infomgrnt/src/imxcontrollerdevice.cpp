// The array controller objects: information records, requests, and their
// logical drives, physical drives and (CISS) remote controllers.
#include "imxcontrollerdevice.h"

#include "checkassert.h"
#include "imxobjectrequests.h"

#include <utility>

namespace InfoMgr {

template <CommandType kCommandType>
ControllerDevice<kCommandType>::ControllerDevice(std::unique_ptr<SchemaObjectEssentialData> pEssentialData)
    : m_pEssentialData(std::move(pEssentialData))
{
    TSM_ASSERT(m_pEssentialData != 0);
    m_name = readControllerName(*m_pEssentialData);
    TSM_ASSERT_INVARIANT();
}

template <CommandType kCommandType>
ControllerDevice<kCommandType>::~ControllerDevice() = default;

template <CommandType kCommandType>
bool ControllerDevice<kCommandType>::isInvariant() const
{
    return m_bSignature.isValid() && m_pEssentialData != nullptr && m_pEssentialData->isInvariant() &&
           InfoMgrSchemaObject::isInvariant();
}

template <CommandType kCommandType>
std::uint32_t ControllerDevice<kCommandType>::doGetInfo(std::uint32_t dwKind, void* pBuffer, std::uint32_t* pdwSize)
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

template <CommandType kCommandType>
std::uint32_t ControllerDevice<kCommandType>::doSendCommand(std::uint32_t dwRequestType, std::uint32_t dwDirection,
                                                            void* pRequest, std::uint32_t dwRequestSize)
{
    return sendObjectCommand(*m_pEssentialData, detailOrderFor(kCommandType), dwRequestType, dwDirection, pRequest,
                             dwRequestSize);
}

template <CommandType kCommandType>
bool ControllerDevice<kCommandType>::doIsSameObject(const InfoMgrSchemaObject& other) const
{
    // Controllers of all command types share one child list, so the records
    // decide (a different command type is a different object).
    const SchemaObjectEssentialData* pCompared = other.essentialData();
    return pCompared != nullptr && m_pEssentialData->isSame(*pCompared);
}

template <CommandType kCommandType>
void ControllerDevice<kCommandType>::doMergeDuplicate(InfoMgrSchemaObject& duplicate)
{
    // The known object keeps its children; it only learns a name it lacked.
    if (m_name.empty())
        m_name = duplicate.nameText();
}

template <CommandType kCommandType>
void ControllerDevice<kCommandType>::doDiscoverChildren(INFOMGR_OBJECT_TYPE eChildType)
{
    const bool bDrives = eChildType == eOBJECT_LOGICAL_DRIVE || eChildType == eOBJECT_PHYSICAL_DRIVE;
    const bool bRemotes = kCommandType == eCSMI_CISS && eChildType == eOBJECT_REMOTE_DEVICE;
    if (bDrives || bRemotes)
        addDiscoveredChildren(*m_pEssentialData, eChildType);
}

template <CommandType kCommandType>
const SchemaObjectEssentialData* ControllerDevice<kCommandType>::doEssentialData() const
{
    return m_pEssentialData.get();
}

template <CommandType kCommandType>
std::string ControllerDevice<kCommandType>::doNameText() const
{
    return m_name;
}

template class ControllerDevice<eCSMI_CISS>;
template class ControllerDevice<eCSMI_I2O>;
template class ControllerDevice<eLEGACY>;

}

// PhysicalDrive: requests to a drive and its identity.
#include "imxphysicaldrive.h"

#include "checkassert.h"
#include "imxobjectrequests.h"

#include <utility>

namespace InfoMgr {

PhysicalDrive::PhysicalDrive(std::unique_ptr<SchemaObjectEssentialData> pEssentialData)
    : m_pEssentialData(std::move(pEssentialData))
{
    TSM_ASSERT(m_pEssentialData != 0);
    TSM_ASSERT_INVARIANT();
}

PhysicalDrive::~PhysicalDrive() = default;

bool PhysicalDrive::isInvariant() const
{
    return m_bSignature.isValid() && m_pEssentialData != nullptr && m_pEssentialData->isInvariant() &&
           InfoMgrSchemaObject::isInvariant();
}

std::uint8_t PhysicalDrive::driveNumber() const
{
    // Objects of this class are made from drive records only; a plain record
    // counts as drive 0.
    const auto* pDrive = dynamic_cast<const PhysicalDriveEssentialData*>(m_pEssentialData.get());
    return pDrive != nullptr ? pDrive->driveNumber() : 0;
}

std::uint32_t PhysicalDrive::doSendCommand(std::uint32_t dwRequestType, std::uint32_t dwDirection, void* pRequest,
                                           std::uint32_t dwRequestSize)
{
    return sendObjectCommand(*m_pEssentialData, detailOrderFor(m_pEssentialData->eCommandType()), dwRequestType,
                             dwDirection, pRequest, dwRequestSize);
}

bool PhysicalDrive::doIsSameObject(const InfoMgrSchemaObject& other) const
{
    const PhysicalDrive* pComparedDrive = dynamic_cast<const PhysicalDrive*>(&other);
    TSM_ASSERT(pComparedDrive != 0);
    return m_pEssentialData->isSame(*pComparedDrive->m_pEssentialData) &&
           driveNumber() == pComparedDrive->driveNumber();
}

void PhysicalDrive::doDiscoverChildren(INFOMGR_OBJECT_TYPE)
{
}

const SchemaObjectEssentialData* PhysicalDrive::doEssentialData() const
{
    return m_pEssentialData.get();
}

}

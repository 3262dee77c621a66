// LogicalDrive: requests to a drive and its identity.
#include "imxlogicaldrive.h"

#include "checkassert.h"
#include "imxobjectrequests.h"

#include <utility>

namespace InfoMgr {

LogicalDrive::LogicalDrive(std::unique_ptr<SchemaObjectEssentialData> pEssentialData)
    : m_pEssentialData(std::move(pEssentialData))
{
    TSM_ASSERT(m_pEssentialData != 0);
    TSM_ASSERT_INVARIANT();
}

LogicalDrive::~LogicalDrive() = default;

bool LogicalDrive::isInvariant() const
{
    return m_bSignature.isValid() && m_pEssentialData != nullptr && m_pEssentialData->isInvariant() &&
           InfoMgrSchemaObject::isInvariant();
}

std::uint8_t LogicalDrive::driveNumber() const
{
    // Objects of this class are made from drive records only; a plain record
    // counts as drive 0.
    const auto* pDrive = dynamic_cast<const LogicalDriveEssentialData*>(m_pEssentialData.get());
    return pDrive != nullptr ? pDrive->driveNumber() : 0;
}

std::uint32_t LogicalDrive::doSendCommand(std::uint32_t dwRequestType, std::uint32_t dwDirection, void* pRequest,
                                          std::uint32_t dwRequestSize)
{
    return sendObjectCommand(*m_pEssentialData, detailOrderFor(m_pEssentialData->eCommandType()), dwRequestType,
                             dwDirection, pRequest, dwRequestSize);
}

bool LogicalDrive::doIsSameObject(const InfoMgrSchemaObject& other) const
{
    const LogicalDrive* pComparedDrive = dynamic_cast<const LogicalDrive*>(&other);
    TSM_ASSERT(pComparedDrive != 0);
    return m_pEssentialData->isSame(*pComparedDrive->m_pEssentialData) &&
           driveNumber() == pComparedDrive->driveNumber();
}

void LogicalDrive::doDiscoverChildren(INFOMGR_OBJECT_TYPE)
{
}

const SchemaObjectEssentialData* LogicalDrive::doEssentialData() const
{
    return m_pEssentialData.get();
}

}

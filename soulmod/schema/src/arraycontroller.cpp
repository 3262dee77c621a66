// An array controller: identity by serial number, WWN and slot, and the
// controller end of the command path.
#include "arraycontroller.h"

#include "checkassert.h"
#include "clog.h"

#include <array>
#include <cstdio>

namespace Schema {
namespace {

std::string hexLine(const char* pszPrefix, unsigned value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%s0x%x", pszPrefix, value);
    return text;
}

// Compares one identifying attribute: both lack it, or both hold the same.
// "equalValue" tells whether both hold it with equal values.
bool keyAgrees(const Core::Device& a, const Core::Device& b, const char* pszKey, bool& bEqualValue)
{
    bEqualValue = false;
    const bool bHasA = a.hasAttribute(pszKey);
    if (bHasA != b.hasAttribute(pszKey))
        return false;
    if (!bHasA)
        return true;
    bEqualValue = a.attribute(pszKey) == b.attribute(pszKey);
    return bEqualValue;
}

}

ArrayController::ArrayController(Hardware::Handle hHandle, std::uint32_t dwClassCode, std::uint16_t wIndex,
                                 eLocation location)
    : m_hHandle(hHandle), m_dwClassCode(dwClassCode), m_wIndex(wIndex), m_eLocation(location)
{
    TSM_ASSERT_INVARIANT();
}

ArrayController::~ArrayController() = default;

bool ArrayController::isInvariant() const
{
    return m_bSignature.isValid() && Core::Device::isInvariant() && m_eLocation != eUNKNOWN;
}

Hardware::Handle ArrayController::handle() const
{
    TSM_ASSERT_INVARIANT();
    return m_hHandle;
}

std::uint32_t ArrayController::classCode() const
{
    TSM_ASSERT_INVARIANT();
    return m_dwClassCode;
}

std::uint16_t ArrayController::index() const
{
    TSM_ASSERT_INVARIANT();
    return m_wIndex;
}

ArrayController::eLocation ArrayController::location() const
{
    TSM_ASSERT_INVARIANT();
    return m_eLocation;
}

bool ArrayController::isSameDevice(const Core::Device& other) const
{
    const auto* pOther = dynamic_cast<const ArrayController*>(&other);
    if (pOther == nullptr)
        return false;
    bool bEqualValue = false;
    if (!keyAgrees(*this, *pOther, "ControllerSerialNumber", bEqualValue))
        return false;
    if (!keyAgrees(*this, *pOther, "WWN", bEqualValue))
        return false;
    if (!keyAgrees(*this, *pOther, "Slot", bEqualValue))
        return false;
    // Controllers whose slot is not known are told apart by where the
    // hardware library enumerated them.
    if (bEqualValue && attribute("Slot") == "unknown")
        return m_dwClassCode == pOther->m_dwClassCode && m_wIndex == pOther->m_wIndex;
    return true;
}

CountedPtr<Core::Status> ArrayController::accept(Core::DeviceVisitor& visitor)
{
    return dispatchVisit<ArrayControllerVisitor>(visitor, *this);
}

void ArrayController::updateFrom(Core::DevicePtr pNewer)
{
    auto* pController = dynamic_cast<ArrayController*>(pNewer.get());
    if (pController == nullptr || !isSameDevice(*pController))
        return;
    Hardware::close(m_hHandle);
    m_hHandle = pController->m_hHandle;
    m_dwClassCode = pController->m_dwClassCode;
    m_wIndex = pController->m_wIndex;
    TSM_ASSERT_INVARIANT();
}

std::string ArrayController::doStringRep() const
{
    if (hasAttribute("WWN"))
        return attribute("WWN");
    if (hasAttribute("Slot"))
        return "Slot" + attribute("Slot");
    if (hasAttribute("ControllerSerialNumber"))
        return attribute("ControllerSerialNumber");
    TSM_ASSERT_TEXT(false, "false");
    return std::string();
}

bool ArrayController::sendBmicCommand(Core::BmicParameters& parameters)
{
    TSM_ASSERT(m_eLocation != eUNKNOWN);
    DebugLog::write(hexLine("BMIC Command: ", parameters.opcode));
    DebugLog::write(hexLine("BMIC Detail: ", parameters.detail));
    DebugLog::write(hexLine("BMIC LUN: ", parameters.lun));
    return Hardware::sendBmic(m_hHandle, parameters) == 0;
}

bool ArrayController::sendScsiCommand(Core::ScsiParameters& parameters)
{
    TSM_ASSERT(m_eLocation != eUNKNOWN);
    DebugLog::write("SCSI CDB: ");
    if (parameters.pCdb != nullptr)
        DebugLog::hexDump(parameters.pCdb, parameters.cdbLength);
    return Hardware::sendScsi(m_hHandle, parameters) == 0;
}

}

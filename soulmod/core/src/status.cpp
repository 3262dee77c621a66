// Status: value and message of an operation's result.
#include "status.h"

#include "checkassert.h"

#include <utility>

namespace Core {

Status::Status(eValue value, std::string message) : m_eValue(value), m_strMessage(std::move(message))
{
    TSM_ASSERT_INVARIANT();
}

Status::Status(bool bSuccess) : m_eValue(bSuccess ? eOK : eFAILED)
{
    TSM_ASSERT_INVARIANT();
}

Status::~Status() = default;

bool Status::isInvariant() const
{
    return m_bSignature.isValid();
}

Status::eValue Status::value() const
{
    TSM_ASSERT_INVARIANT();
    // Signed comparison: the value is a 32-bit signed enumeration.
    TSM_ASSERT_TEXT(static_cast<std::int32_t>(m_eValue) < static_cast<std::int32_t>(eLAST), "m_eValue < eLAST");
    return m_eValue;
}

bool Status::isOk() const
{
    TSM_ASSERT_INVARIANT();
    return m_eValue == eOK;
}

std::string Status::message() const
{
    TSM_ASSERT_INVARIANT();
    return m_strMessage;
}

void Status::setMessage(const std::string& message)
{
    TSM_ASSERT_INVARIANT();
    m_strMessage = message;
    TSM_ASSERT_INVARIANT();
}

}

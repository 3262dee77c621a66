// Number texts and hexadecimal bytes of attribute values.
#include "conversion.h"

#include "checkassert.h"

#include <cctype>
#include <cstdio>

namespace Core {
namespace {

constexpr std::size_t bHIGH_BYTE = 0;
constexpr std::size_t bLOW_BYTE = 1;

bool isHexDigit(char c)
{
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

bool isBlank(char c)
{
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

std::uint8_t nibble(char c)
{
    const int code = std::toupper(static_cast<unsigned char>(c));
    return static_cast<std::uint8_t>(code >= 'A' ? code - 55 : code - 48);
}

}

std::string formatUnsigned(std::uint32_t dwValue)
{
    char text[16];
    std::snprintf(text, sizeof text, "%u", static_cast<unsigned>(dwValue));
    return text;
}

std::string formatHexBytes(const std::uint8_t* pbBytes, std::size_t count)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * count);
    for (std::size_t i = 0; i < count; ++i) {
        text += kDigits[pbBytes[i] >> 4];
        text += kDigits[pbBytes[i] & 0x0F];
    }
    return text;
}

std::string formatHexBytes(const std::vector<std::uint8_t>& bytes)
{
    return formatHexBytes(bytes.data(), bytes.size());
}

std::uint32_t parseUnsigned(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    bool bNegative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        bNegative = text[i] == '-';
        ++i;
    }
    // Unsigned arithmetic: an over-long number wraps instead of overflowing.
    std::uint32_t dwValue = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        dwValue = dwValue * 10u + static_cast<std::uint32_t>(text[i] - '0');
    return bNegative ? 0u - dwValue : dwValue;
}

std::uint16_t parseDriveCount(const std::string& text)
{
    return static_cast<std::uint16_t>(parseUnsigned(text) & 0xFFFFu);
}

std::uint8_t parseDriveNumber(const std::string& text)
{
    return static_cast<std::uint8_t>(parseUnsigned(text) & 0xFFu);
}

bool isHexText(const std::string& text)
{
    if (text.size() % 2 != 0)
        return false;
    for (const char c : text)
        if (!isHexDigit(c))
            return false;
    return true;
}

std::uint8_t hexToByte(const std::string& hexString)
{
    TSM_ASSERT(hexString.size() == 2);
    TSM_ASSERT_TEXT(isHexDigit(hexString[bLOW_BYTE]) && isHexDigit(hexString[bHIGH_BYTE]),
                    "isxdigit( hexString[bLOW_BYTE] ) && isxdigit( hexString[bHIGH_BYTE] )");
    return static_cast<std::uint8_t>(nibble(hexString[bHIGH_BYTE]) * 16 + nibble(hexString[bLOW_BYTE]));
}

void hexStringToBytes(const std::string& text, std::vector<std::uint8_t>& bytes)
{
    for (std::size_t i = 0; i < text.size(); i += 2)
        bytes.push_back(hexToByte(text.substr(i, 2)));
}

std::vector<std::uint8_t> hexStringToBytes(const std::string& text)
{
    std::vector<std::uint8_t> bytes;
    hexStringToBytes(text, bytes);
    return bytes;
}

}

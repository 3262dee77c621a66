// A byte image written by hand from a layout table: zero-filled, one field
// per call at its offset, growing when a field lands past its end.
#ifndef TSM_TESTS_BYTEIMAGE_H
#define TSM_TESTS_BYTEIMAGE_H

#include <algorithm>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tsmtest {

// The digits of hex written with blanks between its fields: "ffff 06 00".
inline std::string hexDigits(std::string_view fields)
{
    std::string digits;
    for (char c : fields)
        if (c != ' ')
            digits += c;
    return digits;
}

class ByteImage {
public:
    explicit ByteImage(std::size_t nSize = 0) : m_bytes(nSize, 0) {}

    ByteImage& u8(std::size_t nOffset, std::uint8_t bValue)
    {
        if (m_bytes.size() <= nOffset)
            m_bytes.resize(nOffset + 1, 0);
        m_bytes[nOffset] = bValue;
        return *this;
    }
    ByteImage& le16(std::size_t nOffset, std::uint16_t wValue) { return le(nOffset, wValue, 2); }
    ByteImage& le32(std::size_t nOffset, std::uint32_t dwValue) { return le(nOffset, dwValue, 4); }
    ByteImage& text(std::size_t nOffset, std::string_view characters)
    {
        for (std::size_t i = 0; i < characters.size(); ++i)
            u8(nOffset + i, static_cast<std::uint8_t>(characters[i]));
        return *this;
    }
    ByteImage& raw(std::size_t nOffset, std::span<const std::uint8_t> bytes)
    {
        for (std::size_t i = 0; i < bytes.size(); ++i)
            u8(nOffset + i, bytes[i]);
        return *this;
    }
    // Hex digits, blanks ignored: "1c000000 5a595243".
    ByteImage& hex(std::size_t nOffset, std::string_view digits)
    {
        const std::string clean = hexDigits(digits);
        if (clean.size() % 2 != 0)
            throw std::invalid_argument("odd hex image: " + clean);
        for (std::size_t i = 0; i < clean.size() / 2; ++i)
            u8(nOffset + i, static_cast<std::uint8_t>(std::stoul(clean.substr(2 * i, 2), nullptr, 16)));
        return *this;
    }

    const std::vector<std::uint8_t>& bytes() const { return m_bytes; }
    std::vector<std::uint8_t>& bytes() { return m_bytes; }
    operator const std::vector<std::uint8_t>&() const { return m_bytes; }

private:
    ByteImage& le(std::size_t nOffset, std::uint64_t qwValue, std::size_t nSize)
    {
        for (std::size_t i = 0; i < nSize; ++i)
            u8(nOffset + i, static_cast<std::uint8_t>(qwValue >> (8 * i)));
        return *this;
    }

    std::vector<std::uint8_t> m_bytes;
};

// Lower-case hex of the bytes, or of nLength of them from nOffset (clipped).
inline std::string toHex(std::span<const std::uint8_t> bytes, std::size_t nOffset = 0,
                         std::size_t nLength = std::dynamic_extent)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::uint8_t b : bytes.subspan(std::min(nOffset, bytes.size()))
                              .first(std::min(nLength, bytes.size() - std::min(nOffset, bytes.size())))) {
        text += kDigits[b >> 4];
        text += kDigits[b & 15];
    }
    return text;
}

}

#endif

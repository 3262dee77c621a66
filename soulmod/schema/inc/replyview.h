// A bounds-checked reader over a controller reply: every field is read by
// offset and width, little-endian, and must lie inside the reply.
#ifndef TSM_SCHEMA_REPLYVIEW_H
#define TSM_SCHEMA_REPLYVIEW_H

#include "checkassert.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

namespace Schema {

class ReplyView {
public:
    explicit ReplyView(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    std::size_t size() const { return m_bytes.size(); }

    std::uint8_t u8(std::size_t offset) const
    {
        check(offset, 1);
        return m_bytes[offset];
    }
    std::uint16_t u16(std::size_t offset) const
    {
        check(offset, 2);
        return static_cast<std::uint16_t>(m_bytes[offset] | (m_bytes[offset + 1] << 8));
    }
    std::uint32_t u32(std::size_t offset) const
    {
        check(offset, 4);
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < 4; ++i)
            value |= static_cast<std::uint32_t>(m_bytes[offset + i]) << (8 * i);
        return value;
    }
    std::uint64_t u64(std::size_t offset) const
    {
        check(offset, 8);
        return static_cast<std::uint64_t>(u32(offset)) | (static_cast<std::uint64_t>(u32(offset + 4)) << 32);
    }
    // Exactly count bytes as characters, zero bytes included.
    std::string fixedText(std::size_t offset, std::size_t count) const
    {
        check(offset, count);
        return std::string(reinterpret_cast<const char*>(m_bytes.data() + offset), count);
    }
    // The zero-terminated text at offset, ending at the reply's end at most.
    std::string zeroText(std::size_t offset) const
    {
        check(offset, 0);
        const auto* pStart = reinterpret_cast<const char*>(m_bytes.data() + offset);
        return std::string(pStart, ::strnlen(pStart, m_bytes.size() - offset));
    }
    // A text field of count bytes that ends early at a zero byte.
    std::string fieldText(std::size_t offset, std::size_t count) const
    {
        check(offset, count);
        const auto* pStart = reinterpret_cast<const char*>(m_bytes.data() + offset);
        return std::string(pStart, ::strnlen(pStart, count));
    }
    std::span<const std::uint8_t> bytes(std::size_t offset, std::size_t count) const
    {
        check(offset, count);
        return m_bytes.subspan(offset, count);
    }

private:
    void check(std::size_t offset, std::size_t count) const
    {
        TSM_ASSERT_TEXT(offset <= m_bytes.size() && count <= m_bytes.size() - offset, "offset + count <= reply size");
    }

    std::span<const std::uint8_t> m_bytes;
};

}

#endif

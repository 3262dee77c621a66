// Little-endian field types of the driver packets: byte arrays, so packet
// structs have alignment 1 and no host byte order leaks into them.
#ifndef TSM_INFOMGRNT_IMXPACKETFIELDS_H
#define TSM_INFOMGRNT_IMXPACKETFIELDS_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace InfoMgr {

struct le16 {
    std::uint8_t b[2];
    std::uint16_t get() const { return static_cast<std::uint16_t>(b[0] | (b[1] << 8)); }
    void set(std::uint16_t v)
    {
        b[0] = static_cast<std::uint8_t>(v);
        b[1] = static_cast<std::uint8_t>(v >> 8);
    }
};

struct le32 {
    std::uint8_t b[4];
    std::uint32_t get() const
    {
        return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
               (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
    }
    void set(std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            b[i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
};

static_assert(sizeof(le16) == 2 && alignof(le16) == 1);
static_assert(sizeof(le32) == 4 && alignof(le32) == 1);

// Reads a packet struct from the start of a measured byte area; false when
// the area is too short to hold it.
template <class Layout>
bool readLayout(const std::uint8_t* pbArea, std::size_t nAreaLength, Layout& layout)
{
    static_assert(std::is_trivially_copyable_v<Layout>);
    if (pbArea == nullptr || nAreaLength < sizeof(Layout))
        return false;
    std::memcpy(&layout, pbArea, sizeof(Layout));
    return true;
}

}

#endif

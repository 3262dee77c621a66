// Little-endian values in driver packets: loads and stores at a byte address,
// and field types that are byte arrays, so packet structs have alignment 1
// and no host byte order leaks into them.
#ifndef TSM_INFOMGRNT_IMXPACKETFIELDS_H
#define TSM_INFOMGRNT_IMXPACKETFIELDS_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace InfoMgr {

inline std::uint16_t loadLe16(const std::uint8_t* pb)
{
    return static_cast<std::uint16_t>(pb[0] | (pb[1] << 8));
}

inline std::uint32_t loadLe32(const std::uint8_t* pb)
{
    return static_cast<std::uint32_t>(pb[0]) | (static_cast<std::uint32_t>(pb[1]) << 8) |
           (static_cast<std::uint32_t>(pb[2]) << 16) | (static_cast<std::uint32_t>(pb[3]) << 24);
}

inline void storeLe16(std::uint8_t* pb, std::uint16_t wValue)
{
    pb[0] = static_cast<std::uint8_t>(wValue);
    pb[1] = static_cast<std::uint8_t>(wValue >> 8);
}

inline void storeLe32(std::uint8_t* pb, std::uint32_t dwValue)
{
    for (int i = 0; i < 4; ++i)
        pb[i] = static_cast<std::uint8_t>(dwValue >> (8 * i));
}

struct le16 {
    std::uint8_t b[2];
    std::uint16_t get() const { return loadLe16(b); }
    void set(std::uint16_t v) { storeLe16(b, v); }
};

struct le32 {
    std::uint8_t b[4];
    std::uint32_t get() const { return loadLe32(b); }
    void set(std::uint32_t v) { storeLe32(b, v); }
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

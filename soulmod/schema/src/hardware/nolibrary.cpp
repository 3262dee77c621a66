// The hardware seam of a build without the hardware access library: the
// library reports itself unusable and every object handle is invalid.
#include "hardwarelibrary.h"

namespace Schema::Hardware {
namespace {

constexpr std::uint32_t kNotSupported = 0x80000000;
constexpr std::uint32_t kInvalidHandle = 0x80000008;

}

std::uint32_t initError()
{
    return kNotSupported;
}

std::uint32_t openRoot(std::uint32_t, Handle& hRoot)
{
    hRoot = 0;
    return kNotSupported;
}

std::uint32_t child(Handle, std::uint32_t, std::uint32_t, Handle& hChild)
{
    hChild = 0;
    return kNotSupported;
}

std::uint32_t info(Handle, std::uint32_t, void*, std::uint32_t)
{
    return kInvalidHandle;
}

std::uint32_t close(Handle)
{
    return kInvalidHandle;
}

std::uint32_t sendBmic(Handle, Core::BmicParameters&)
{
    return kInvalidHandle;
}

std::uint32_t sendScsi(Handle, Core::ScsiParameters&)
{
    return kInvalidHandle;
}

}

// The schema's one seam to the hardware access library: opening root
// classes, walking children, reading information records, sending requests.
#ifndef TSM_SCHEMA_HARDWARELIBRARY_H
#define TSM_SCHEMA_HARDWARELIBRARY_H

#include "bmicdevice.h"

#include <cstdint>

namespace Schema::Hardware {

using Handle = std::uint32_t;

constexpr std::uint32_t kRootAdapters = 0x4001;
constexpr std::uint32_t kRootControllers = 0x4002;
constexpr std::uint32_t kChildController = 0x8000;
constexpr std::uint32_t kChildRemote = 0x8007;

constexpr std::uint32_t kInfoBus = 1; // 82 bytes
constexpr std::uint32_t kInfoAdapter = 2; // 20 bytes
constexpr std::uint32_t kInfoRemote = 6; // 64 bytes

// Each returns 0 on success, else the library's result code.
std::uint32_t initError();
std::uint32_t openRoot(std::uint32_t rootType, Handle& hRoot);
std::uint32_t child(Handle hParent, std::uint32_t childType, std::uint32_t index, Handle& hChild);
std::uint32_t info(Handle hObject, std::uint32_t kind, void* pBuffer, std::uint32_t size);
std::uint32_t close(Handle hObject);
// Sends a BMIC request and writes the statuses and sense length back.
std::uint32_t sendBmic(Handle hObject, Core::BmicParameters& parameters);
std::uint32_t sendScsi(Handle hObject, Core::ScsiParameters& parameters);

}

#endif

// The transports' way to the controller enumeration: the setup-records set
// they take at construction and the two slot lookups.
#ifndef TSM_INFOMGRNT_IMXSLOTLOOKUP_H
#define TSM_INFOMGRNT_IMXSLOTLOOKUP_H

#include <setupapi.h>

#include <cstddef>
#include <cstdint>

namespace InfoMgr {

class PCIDeviceFinder;

HDEVINFO transportDeviceInfoSet();

// Writes the slot of a CSMI controller into its configuration packet (slot
// field at 44); true when one was found.
bool findControllerSlot(HDEVINFO hDeviceInfoSet, std::uint8_t* pbConfigPacket, std::size_t nPacketLength);

// The slot of a controller on a PCI bus through the interrupt routing table.
bool findSlotByRouting(std::uint8_t bBus, std::uint8_t& bSlot);

// The routing lookup over a given PCI device table (the process's table is
// built once; this lets a caller use one it scanned itself).
bool lookupSlotByRouting(const PCIDeviceFinder& oFinder, std::uint8_t bBus, std::uint8_t& bSlot);

} // namespace InfoMgr

#endif

// Entry points of the hardware access library: open a root class, walk the
// children of an object, read its information records, send it requests.
#ifndef TSM_INFOMGRNT_IMXINFOMGRAPI_H
#define TSM_INFOMGRNT_IMXINFOMGRAPI_H

#include "imxobjectessentialdata.h"

#include <cstddef>
#include <cstdint>

namespace InfoMgr {

// An object handle: an opaque 32-bit value, 0 is no object. A handle stays
// valid while its object lives; objects live until the process ends.
using INFOMGR_HANDLE = std::uint32_t;
constexpr INFOMGR_HANDLE kNullHandle = 0;

// Result codes.
constexpr std::uint32_t kResultOk = 0;
constexpr std::uint32_t kResultSizeTooSmall = 1; // getInfo: the buffer is smaller than the record
constexpr std::uint32_t kResultSizeTooLarge = 2; // getInfo: the buffer is larger than the record
constexpr std::uint32_t kResultNoChild = 3; // getChild: no child at that index
constexpr std::uint32_t kResultNotSupported = 0x80000000;
constexpr std::uint32_t kResultUnknownType = 0x80000004; // no such root, child type or information kind
constexpr std::uint32_t kResultInvalidParameter = 0x80000005; // a reserved value or parent that must be 0 was not
constexpr std::uint32_t kResultInvalidHandle = 0x80000008;

// Root types accepted by open (the bare class values 1 and 2 are accepted too).
constexpr INFOMGR_OBJECT_TYPE kRootFibreChannelClass = eOBJECT_ROOT_BASE + eOBJECT_FIBRE_CHANNEL_CLASS; // 0x4001
constexpr INFOMGR_OBJECT_TYPE kRootArrayClass = eOBJECT_ROOT_BASE + eOBJECT_ARRAY_CLASS; // 0x4002

// Information kinds of getInfo and the exact record size each needs.
constexpr std::uint32_t kInfoBusInformation = 1; // bus information record + 64-byte name text
constexpr std::uint32_t kInfoFibreIdentity = 2; // Fibre Channel identity record (world-wide names)
constexpr std::uint32_t kInfoAddress = 4; // the three address bytes
constexpr std::uint32_t kInfoStatus = 5; // controller status byte: 0 normal, 1, 2
constexpr std::uint32_t kInfoRemoteIdentity = 6; // identity record of a remote device
constexpr std::uint32_t kInfoBusInformationSize = 82;
constexpr std::uint32_t kInfoFibreIdentitySize = 20;
constexpr std::uint32_t kInfoAddressSize = 3;
constexpr std::uint32_t kInfoStatusSize = 1;
constexpr std::uint32_t kInfoRemoteIdentitySize = 64;
constexpr std::uint32_t kNameTextSize = 64; // name field of the bus information record

// Request types of sendCommand and the transfer directions.
constexpr std::uint32_t kRequestBmic = 0x8001; // BMIC request record
constexpr std::uint32_t kRequestScsi = 0x8002; // SCSI request record
constexpr std::uint32_t kDirectionRead = 1;
constexpr std::uint32_t kDirectionWrite = 2;

// Request records of sendCommand. Fields in this order, packed; on a 32-bit
// build the BMIC record is 29 bytes and the SCSI record 32, with the offsets
// asserted below; on a 64-bit build the addresses are native pointers.
#pragma pack(push, 1)
struct BmicRequestRecord { // request type 0x8001
    std::uint8_t bOpcode = 0;
    std::uint32_t dwDetail = 0;
    std::uint8_t bLun = 0; // logical drive addressed, 0 otherwise
    void* pBuffer = nullptr;
    std::uint32_t dwBufferSize = 0;
    std::uint32_t dwReserved = 0;
    void* pSenseBuffer = nullptr;
    std::uint32_t dwSenseLength = 0; // in: room; out: sense bytes returned
    std::uint8_t bScsiStatus = 0; // out
    std::uint16_t wCommandStatus = 0; // out
};
struct ScsiRequestRecord { // request type 0x8002
    const void* pCdb = nullptr;
    std::uint8_t bCdbLength = 0; // at most 16
    void* pBuffer = nullptr;
    std::uint32_t dwBufferSize = 0;
    std::uint32_t dwReserved1 = 0;
    std::uint32_t dwReserved2 = 0;
    std::uint8_t bScsiStatus = 0; // out
    void* pSenseBuffer = nullptr;
    std::uint32_t dwSenseLength = 0; // in: room; out: sense bytes returned
    std::uint8_t abReserved[2] = {};
};
#pragma pack(pop)
constexpr bool kAddressesAre32Bits = sizeof(void*) == 4;
static_assert(!kAddressesAre32Bits || sizeof(BmicRequestRecord) == 29);
static_assert(!kAddressesAre32Bits || offsetof(BmicRequestRecord, pBuffer) == 6);
static_assert(!kAddressesAre32Bits || offsetof(BmicRequestRecord, pSenseBuffer) == 18);
static_assert(!kAddressesAre32Bits || offsetof(BmicRequestRecord, bScsiStatus) == 26);
static_assert(!kAddressesAre32Bits || offsetof(BmicRequestRecord, wCommandStatus) == 27);
static_assert(!kAddressesAre32Bits || sizeof(ScsiRequestRecord) == 32);
static_assert(!kAddressesAre32Bits || offsetof(ScsiRequestRecord, pBuffer) == 5);
static_assert(!kAddressesAre32Bits || offsetof(ScsiRequestRecord, bScsiStatus) == 21);
static_assert(!kAddressesAre32Bits || offsetof(ScsiRequestRecord, pSenseBuffer) == 22);
static_assert(!kAddressesAre32Bits || offsetof(ScsiRequestRecord, dwSenseLength) == 26);
static_assert(offsetof(BmicRequestRecord, dwDetail) == 1 && offsetof(BmicRequestRecord, bLun) == 5);
static_assert(offsetof(ScsiRequestRecord, bCdbLength) == sizeof(void*));

// Every entry point first returns the recorded initialisation error, if any,
// and then checks the handle it is given.

// The initialisation error of the library, 0 when it is usable.
std::uint32_t getInitError();

// Opens root class eRootType (1 or 0x4001: host bus adapters; 2 or 0x4002:
// array controllers). hParent and both reserved values must be 0.
std::uint32_t open(INFOMGR_HANDLE hParent, INFOMGR_OBJECT_TYPE eRootType, INFOMGR_HANDLE* phRoot,
                   std::uint32_t dwReserved1 = 0, std::uint32_t dwReserved2 = 0);

// Checks the object and answers 0; the object and its discovered children stay.
std::uint32_t close(INFOMGR_HANDLE hObject);

// The dwIndex-th child of type eChildType (children are found on the first
// call and kept). 3 past the end, 0x80000004 when the object has no children
// of that type. *phChild is cleared first.
std::uint32_t getChild(INFOMGR_HANDLE hObject, INFOMGR_OBJECT_TYPE eChildType, std::uint32_t dwIndex,
                       INFOMGR_HANDLE* phChild, std::uint32_t dwReserved1 = 0, std::uint32_t dwReserved2 = 0);

// Copies the record of kind dwKind into pBuffer. *pdwSize must be exactly the
// record size: smaller gives 1, larger 2, and nothing is copied.
std::uint32_t getInfo(INFOMGR_HANDLE hObject, std::uint32_t dwKind, std::uint32_t dwReserved, void* pBuffer,
                      std::uint32_t* pdwSize);

// Sends a BMIC (0x8001) or SCSI (0x8002) request record of dwRequestSize
// bytes (its sizeof); the out-values are written back into the record. The
// result is 0 or the transport's code; a record of another size, a CDB longer
// than 16 bytes or a direction other than 1 or 2 gives 0x80000005.
std::uint32_t sendCommand(INFOMGR_HANDLE hObject, std::uint32_t dwRequestType, std::uint32_t dwDirection,
                          void* pRequest, std::uint32_t dwRequestSize, std::uint32_t dwReserved1 = 0,
                          std::uint32_t dwReserved2 = 0);

// Number of live hardware objects (valid handles), for checks and diagnostics.
std::size_t liveObjectCount();

}

#endif

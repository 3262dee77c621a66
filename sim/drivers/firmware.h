// The firmware of one simulated array controller (internal or remote): it
// answers the BMIC command blocks and SCSI CDBs that a transport driver
// unpacks from its packets, from the controller's element of the machine
// description. Transport drivers own the packet framing; the firmware owns
// what the commands mean.
#ifndef TSM_SIM_FIRMWARE_H
#define TSM_SIM_FIRMWARE_H

#include <sim/node.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sim {

using LunAddress = std::array<uint8_t, 8>;

// One command as a transport driver unpacked it.
struct FirmwareCommand {
    bool bBmic = true; // BMIC command block or SCSI CDB
    std::vector<uint8_t> block; // the 10-byte BMIC block (rebuilt by the driver from
                                // the fields its packet carries: byte 0 0x26 read or
                                // 0x27 write, 1 drive index, 2-5 the value as the
                                // packet carries it, 6 opcode) or the CDB
    LunAddress lun{}; // LUN address the packet carried (zero when none)
    uint32_t direction = 1; // 1 read (controller to host), 2 write, 4 no data
    std::vector<uint8_t> data; // in: the bytes the host sent (write) or zeros of the
                               // requested length (read); out: the reply data
};

struct FirmwareReply {
    uint32_t error = 0; // Win32 error of the whole request (0 = delivered)
    uint8_t scsiStatus = 0; // 0 good, 2 check condition
    uint16_t commandStatus = 0; // controller command status, 0 = success
    std::vector<uint8_t> sense; // sense data, empty when none
    uint32_t hangMilliseconds = 0; // the request takes this long before it answers
};

// Address bytes of a remote controller behind an adapter.
struct RemoteAddress {
    uint8_t path = 0;
    uint8_t target = 0;
    uint8_t lun = 0;
};

// How a controller reads the 32-bit value in bytes 2-5 of a BMIC block: the
// CISS controllers and every external controller take it most significant
// byte first, the I2O and legacy controllers least significant byte first.
enum class DetailByteOrder { eMostSignificantFirst, eLeastSignificantFirst };

class ControllerFirmware {
public:
    virtual ~ControllerFirmware() = default;

    // Builds the firmware of a <controller> or <remote> element; null with a
    // message naming the element's line when its content is not usable.
    static std::unique_ptr<ControllerFirmware> fromDescription(const Node& controller, std::string& error);
    // The same for a controller that reads block values in the given order
    // (its <remote> children always read them most significant byte first).
    static std::unique_ptr<ControllerFirmware> fromDescription(const Node& controller, std::string& error,
                                                               DetailByteOrder order);

    // Answers one command addressed to this controller.
    virtual FirmwareReply execute(FirmwareCommand& command) = 0;

    // The remote controllers behind this one (from its <remote> children), in
    // description order, with the LUN address and address bytes each answers to:
    // the <remote> attributes lun (8 hex bytes), path, target and lunbyte; either
    // form is derived from the other when only one is given (path = low six bits
    // of LUN byte 3, target = byte 0, lunbyte = byte 4).
    virtual size_t remoteCount() const = 0;
    virtual ControllerFirmware& remote(size_t index) = 0;
    virtual LunAddress remoteLun(size_t index) const = 0;
    virtual RemoteAddress remoteAddress(size_t index) const = 0;

    // The board identifier of the <board> element (0 when none is given) as a
    // configuration record carries it: for a PCI board the device identifier in
    // the high half and the vendor identifier in the low half, for an EISA board
    // its EISA identifier.
    virtual uint32_t boardId() const = 0;
};

} // namespace sim

#endif

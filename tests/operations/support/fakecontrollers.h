// Controllers, adapters and remote controllers answered by a test transport
// under the real hardware library, for driving discovery and controller
// information without the simulated machine.
#ifndef TSM_TESTS_OPERATIONS_FAKECONTROLLERS_H
#define TSM_TESTS_OPERATIONS_FAKECONTROLLERS_H

#include "imxtransportsource.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace optest {

// A zero-filled reply image written field by field at the given offsets.
class ReplyImage {
public:
    explicit ReplyImage(std::size_t size) : m_bytes(size, 0) {}
    ReplyImage& u8(std::size_t offset, std::uint8_t value);
    ReplyImage& u16(std::size_t offset, std::uint16_t value);
    ReplyImage& u32(std::size_t offset, std::uint32_t value);
    ReplyImage& text(std::size_t offset, const std::string& value);
    ReplyImage& bytes(std::size_t offset, const std::vector<std::uint8_t>& value);
    const std::vector<std::uint8_t>& data() const { return m_bytes; }
    operator std::vector<std::uint8_t>() const { return m_bytes; }

private:
    std::vector<std::uint8_t> m_bytes;
};

// What a controller answers to one BMIC opcode.
struct Answer {
    std::vector<std::uint8_t> reply;  // copied into the read buffer
    std::uint32_t dwResult = 0;       // transport result; non-zero fails the send
    std::uint16_t wCommandStatus = 0;
    std::uint8_t bScsiStatus = 0;
    std::vector<std::uint8_t> sense;
};

struct FakeController {
    CommandType eCommandType = eCSMI_CISS; // eCSMI_FIBRE makes it an adapter
    std::uint32_t dwPort = 0;
    // Bus information record.
    std::uint32_t dwBusCode = 2;
    std::uint16_t wSlot = 1;
    std::uint32_t dwEisaId = 0;
    std::uint32_t dwPciId = 0;
    std::array<std::uint8_t, 8> abWwn{};  // adapters
    // Remote controllers: where they answer and their identity record.
    ObjectAddress address{};
    std::vector<std::uint8_t> remoteIdentity;
    // Opcodes without an answer fail in the transport.
    std::map<std::uint8_t, Answer> answers;
    std::vector<FakeController> remotes;
};

struct SentCommand {
    std::uint32_t dwPort = 0;
    ObjectAddress address{};
    InfoMgr::BmicTransfer transfer;
    std::uint32_t dwLength = 0;
};

// The remote identity record: kind, bus code, vendor, product, serial (at
// most five characters before the terminating zero), WWN.
std::vector<std::uint8_t> remoteIdentity(std::uint16_t wKind, std::uint8_t bBusCode, const std::string& vendor,
                                         const std::string& product, const std::string& serial,
                                         const std::array<std::uint8_t, 8>& wwn);

// Installs itself as the hardware library's transports on a fresh object
// tree for its lifetime; the machine's own transports come back afterwards.
class FakeControllers {
public:
    FakeControllers();
    ~FakeControllers();
    FakeControllers(const FakeControllers&) = delete;
    FakeControllers& operator=(const FakeControllers&) = delete;

    // Makes the library find the machine afresh (after controllers changed).
    static void rediscover();

    std::vector<FakeController> controllers;
    // Every BMIC command sent, in order (the library's own name queries of
    // new objects included).
    std::vector<SentCommand> sent;

    FakeController* find(const SchemaObjectEssentialData& record);
};

}

#endif

// Header checks and completion shared by the simulated miniports.
#include "packetio.h"

namespace sim::wire {

bool signatureIs(const char (&field)[8], std::string_view text)
{
    if (text.size() >= sizeof(field))
        return false;
    for (size_t i = 0; i < sizeof(field); ++i) {
        const char expected = i < text.size() ? text[i] : '\0';
        if (field[i] != expected)
            return false;
    }
    return true;
}

uint32_t openRequest(const uint8_t* in, uint32_t inLength, uint8_t* out, uint32_t outLength, Request& request)
{
    if (!in || !out)
        return kErrorInvalidParameter;
    const auto header = read<MiniportHeader>(std::span<const uint8_t>(in, inLength));
    if (!header || header->headerLength.get() != kHeaderLength)
        return kErrorInvalidParameter;
    const uint64_t total = uint64_t{kHeaderLength} + header->length.get();
    if (total > inLength || total > outLength)
        return kErrorInvalidParameter;
    request.header = *header;
    request.packet = std::span<uint8_t>(out, static_cast<size_t>(total));
    return kOk;
}

uint32_t finishRequest(Request& request, uint32_t returnCode, uint32_t& bytesReturned)
{
    request.header.returnCode.set(returnCode);
    write(request.packet, request.header);
    bytesReturned = static_cast<uint32_t>(request.packet.size());
    return kOk;
}

} // namespace sim::wire

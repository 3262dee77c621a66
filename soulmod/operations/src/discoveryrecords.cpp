// Reading the discovery records from the hardware library and turning them
// into attribute texts.
#include "discoveryrecords.h"

#include "bmiccommand.h"
#include "imxreplyoffsets.h"
#include "replyview.h"

#include <cstdio>

namespace Operations::Discovery {
namespace {

template <std::size_t N>
std::optional<std::array<std::uint8_t, N>> readRecord(Schema::Hardware::Handle hObject, std::uint32_t kind)
{
    std::array<std::uint8_t, N> abRecord{};
    if (Schema::Hardware::info(hObject, kind, abRecord.data(), N) != 0)
        return std::nullopt;
    return abRecord;
}

}

std::optional<BusRecord> readBusRecord(Schema::Hardware::Handle hObject)
{
    const auto abRecord = readRecord<kBusRecordSize>(hObject, Schema::Hardware::kInfoBus);
    if (!abRecord)
        return std::nullopt;
    const Schema::ReplyView view(*abRecord);
    BusRecord record;
    record.dwBusCode = view.u32(kBusCodeAt);
    record.wSlot = view.u16(kSlotAt);
    record.dwEisaId = view.u32(kEisaIdAt);
    record.dwPciId = view.u32(kPciIdAt);
    return record;
}

std::optional<std::array<std::uint8_t, 8>> readAdapterWwn(Schema::Hardware::Handle hObject)
{
    const auto abRecord = readRecord<kAdapterRecordSize>(hObject, Schema::Hardware::kInfoAdapter);
    if (!abRecord)
        return std::nullopt;
    std::array<std::uint8_t, 8> abWwn{};
    const auto wwn = Schema::ReplyView(*abRecord).bytes(kAdapterWwnAt, kWwnSize);
    std::copy(wwn.begin(), wwn.end(), abWwn.begin());
    return abWwn;
}

std::optional<RemoteRecord> readRemoteRecord(Schema::Hardware::Handle hObject)
{
    const auto abRecord = readRecord<kRemoteRecordSize>(hObject, Schema::Hardware::kInfoRemote);
    if (!abRecord)
        return std::nullopt;
    const Schema::ReplyView view(*abRecord);
    if (view.u16(0) != kRemoteRecordKind)
        return std::nullopt;
    RemoteRecord record;
    record.bBusCode = view.u8(kRemoteBusAt);
    record.vendorId = view.fixedText(kRemoteVendorAt, kRemoteVendorSize);
    record.productId = view.fixedText(kRemoteProductAt, kRemoteProductSize);
    record.serialNumber = view.zeroText(kRemoteSerialAt);
    const auto wwn = view.bytes(kRemoteWwnAt, kWwnSize);
    std::copy(wwn.begin(), wwn.end(), record.abWwn.begin());
    return record;
}

IdentifyResult identify(Schema::ArrayController& controller)
{
    Core::IdentifyControllerCommand command;
    IdentifyResult result;
    result.bOk = command.run(controller)->isOk();
    if (result.bOk) {
        result.bRedundancy = command.view().u8(InfoMgr::IdentifyControllerReply::kRedundancyRole);
        result.bFlags = command.view().u8(InfoMgr::IdentifyControllerReply::kRedundancyFlags);
    }
    return result;
}

bool isHiddenPartner(const IdentifyResult& result)
{
    return result.bOk && result.bRedundancy != 0 && (result.bFlags & 0x04) == 0;
}

std::string redundantState(const IdentifyResult& result)
{
    if (!result.bOk)
        return std::string();
    if (result.bRedundancy == 1)
        return "Active";
    if (result.bRedundancy == 2)
        return "Primary";
    return std::string();
}

std::string slotText(std::uint16_t wSlot)
{
    return wSlot == 255 ? std::string("unknown") : std::to_string(wSlot);
}

std::string subsystemText(const BusRecord& record)
{
    if (record.dwBusCode == 1)
        return std::to_string(record.dwEisaId);
    if (record.dwBusCode == 2)
        return std::to_string(record.dwPciId);
    return std::string();
}

std::string wwnText(std::span<const std::uint8_t> bytes)
{
    std::string text;
    for (const std::uint8_t bByte : bytes) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02x", bByte);
        text += digits;
    }
    return text;
}

std::string busName(const BusNameTable& table, std::uint32_t dwCode)
{
    const auto found = table.find(dwCode);
    return found == table.end() ? std::string() : found->second;
}

void forEachRootChild(std::uint32_t dwRootType, std::uint32_t dwChildType,
                      const std::function<void(Schema::Hardware::Handle, std::uint32_t, const BusRecord&)>& visitChild)
{
    using namespace Schema::Hardware;
    if (initError() != 0)
        return;
    Handle hRoot = 0;
    if (openRoot(dwRootType, hRoot) == 0) {
        Handle hObject = 0;
        for (std::uint32_t index = 0; child(hRoot, dwChildType, index, hObject) == 0; ++index)
            if (const auto record = readBusRecord(hObject))
                visitChild(hObject, index, *record);
    }
    close(hRoot);
}

}

// Groups a controller's logical drives into arrays by their data drives.
#include "arraydiscovery.h"

#include "bmiccommand.h"
#include "checkassert.h"
#include "conversion.h"
#include "imxreplyoffsets.h"

#include <vector>

namespace Operations {

ArrayDiscovery::ArrayDiscovery()
{
    TSM_ASSERT_INVARIANT();
}

ArrayDiscovery::~ArrayDiscovery() = default;

bool ArrayDiscovery::isInvariant() const
{
    return m_bSignature.isValid() && Core::DeviceOperation::isInvariant();
}

std::string ArrayDiscovery::doName() const
{
    return "OperationDiscoverArrays";
}

Core::DeviceOperation::eType ArrayDiscovery::doType() const
{
    return eDISCOVER;
}

namespace {

namespace Config = InfoMgr::LogicalDriveConfigReply;
namespace Status = InfoMgr::LogicalDriveStatusReply;
constexpr std::size_t kMapSize = InfoMgr::IdentifyControllerReply::kBigMapSize;

// The four drive lists of one logical drive: its data drives, failed drives,
// spares and spares in use.
struct DriveLists {
    Core::DriveList data;
    Core::DriveList failed;
    Core::DriveList spares;
    Core::DriveList activeSpares;
};

DriveLists driveLists(const Schema::ReplyView& config, const Schema::ReplyView& status, bool bBigMap)
{
    DriveLists lists;
    if (bBigMap) {
        lists.data.fromBigMap(config.bytes(Config::kDataMap, kMapSize).data());
        lists.failed.fromBigMap(status.bytes(Status::kFailedMap, kMapSize).data());
        lists.spares.fromBigMap(config.bytes(Config::kSpareMap, kMapSize).data());
        lists.activeSpares.fromBigMap(status.bytes(Status::kActiveSpareMap, kMapSize).data());
    } else {
        lists.data.fromMask(config.u32(Config::kDataMask));
        lists.failed.fromMask(status.u32(Status::kFailedMask));
        lists.spares.fromMask(config.u32(Config::kSpareMask));
        lists.activeSpares.fromMask(status.u32(Status::kActiveSpareMask));
    }
    return lists;
}

std::string arrayName(std::size_t made)
{
    const char cLetter = made <= 25 ? static_cast<char>('A' + made) : static_cast<char>(made + 71);
    return std::string(1, cLetter);
}

}

CountedPtr<Core::Status> ArrayDiscovery::visit(Schema::ArrayController& controller)
{
    TSM_ASSERT_INVARIANT();
    CountedPtr<Core::Status> pResult(new Core::Status(true));
    if (!controller.hasAttribute("LogicalDriveCount"))
        return pResult;
    const unsigned count = Core::parseDriveCount(controller.attribute("LogicalDriveCount"));
    const bool bBigMap = controller.hasAttribute("UsingBigMap") && controller.attribute("UsingBigMap") == "True";

    std::vector<Core::DevicePtr> arrays;
    unsigned found = 0;
    for (unsigned n = 0; n <= 255 && found < count; ++n) {
        Core::LogicalDriveStatusCommand status(static_cast<std::uint8_t>(n));
        Core::LogicalDriveConfigCommand config(static_cast<std::uint8_t>(n));
        const bool bStatusOk = status.run(controller)->isOk();
        const bool bConfigOk = config.run(controller)->isOk();
        if (!bStatusOk || !bConfigOk || config.view().u16(Config::kPresence) == 0)
            continue;
        ++found;
        const DriveLists lists = driveLists(config.view(), status.view(), bBigMap);
        Schema::Array* pMatch = nullptr;
        for (const Core::DevicePtr& pArray : arrays) {
            auto* pCandidate = static_cast<Schema::Array*>(pArray.get());
            if (pCandidate->dataDrives() == lists.data.toText()) {
                pMatch = pCandidate;
                break;
            }
        }
        if (pMatch != nullptr) {
            pMatch->addLogicalDrive(static_cast<std::uint16_t>(n));
            pMatch->addSpareDrives(lists.spares.toText());
            pMatch->addActiveSpareDrives(lists.activeSpares.toText());
            continue;
        }
        const std::string name = arrayName(arrays.size());
        auto* pArray =
            new Schema::Array(name, static_cast<std::uint16_t>(n), lists.data.toText(), lists.failed.toText());
        Core::DevicePtr pDevice(pArray);
        pArray->addSpareDrives(lists.spares.toText());
        pArray->addActiveSpareDrives(lists.activeSpares.toText());
        publishAttribute(*pArray, Core::Attribute("Type", "array"), false);
        publishAttribute(*pArray, Core::Attribute("ArrayLetter", name), false);
        arrays.push_back(pDevice);
    }
    for (const Core::DevicePtr& pArray : arrays)
        Core::Device::addChild(controller.self(), pArray);
    return pResult;
}

}

// Cache and battery: sense cache configuration and status (0xC1).
#include "firmwarereply.h"

namespace sim::fw {

FirmwareReply senseCacheConfigStatus(const ControllerModel& model, const BmicRequest&, std::vector<uint8_t>& data)
{
    const Cache& cache = model.cache;
    CacheConfigStatusReply reply{};
    uint32_t disabledMap = 0;
    for (const LogicalDrive& drive : model.logicalDrives)
        if (drive.acceleratorDisabled)
            disabledMap |= maskBit(drive.number);
    reply.acceleratorDisabledMap.set(disabledMap);
    // Without a cache board there is nothing to accelerate with.
    reply.acceleratorDisabled = cache.present && !cache.acceleratorDisabled ? 0 : 1;
    if (cache.present) {
        reply.cacheBoardPresent = 1;
        reply.cacheSizeShift = cache.shift;
        reply.readCacheSize.set(static_cast<uint16_t>(cache.readKb >> cache.shift));
        reply.writeCacheSize.set(static_cast<uint16_t>(cache.writeKb >> cache.shift));
        reply.totalCacheSize.set(static_cast<uint16_t>(cache.totalKb >> cache.shift));
        reply.cacheStatusFlags.set(cache.statusFlags);
    }
    reply.batteryPackCount.set(cache.batteryPacks);
    reply.batteryFailureFlags.set(cache.batteryFailures);
    putReply(reply, data);
    return {};
}

} // namespace sim::fw

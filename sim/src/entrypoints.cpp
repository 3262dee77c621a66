// The C entry points the platform calls: devices by name, buffered device
// requests with faults and capture, OS version and setup records.
#include <tsm/simabi.h>

#include "capture.h"
#include "healthdriver.h"
#include "machinecache.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace sim {

namespace {

constexpr uint32_t kErrorFileNotFound = 2;
constexpr uint32_t kErrorInvalidHandle = 6;
constexpr uint32_t kErrorInvalidParameter = 87;
constexpr uint32_t kErrorNotEnoughMemory = 8;
constexpr uint32_t kErrorIoDevice = 1117;
constexpr uint32_t kErrorDeviceNotConnected = 1167;

// What an open handle names; the machine behind it is looked up on every
// request, so a description change reaches open handles too.
struct OpenDevice {
    std::string machineRoot;
    std::string name;
    bool health = false;
    uint32_t port = 0;
};

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// "\\.\Scsi<n>:" gives the port number; anything else false.
bool parsePortName(const std::string& name, uint32_t& port)
{
    const std::string prefix = "\\\\.\\scsi";
    const std::string text = lower(name);
    if (text.compare(0, prefix.size(), prefix) != 0 || text.size() < prefix.size() + 2 || text.back() != ':')
        return false;
    const std::string digits = text.substr(prefix.size(), text.size() - prefix.size() - 1);
    if (digits.size() > 3 ||
        !std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); }))
        return false;
    port = static_cast<uint32_t>(std::stoul(digits));
    return true;
}

bool isHealthName(const std::string& name)
{
    return lower(name) == "\\\\.\\zyrhlth";
}

// Runs one request on the device as the description now has it.
uint32_t dispatch(const OpenDevice& device, uint32_t code, const uint8_t* in, uint32_t inLength, uint8_t* buffer,
                  uint32_t outLength, uint32_t& returned)
{
    const std::shared_ptr<Machine> machine = currentMachine(device.machineRoot);
    if (device.health) {
        if (!machine->healthDriver)
            return kErrorDeviceNotConnected;
        std::lock_guard<std::mutex> guard(machine->healthLock);
        return machine->healthFaults.run(code, buffer, outLength, returned, [&] {
            return healthIoControl(*machine, code, in, inLength, buffer, outLength, returned);
        });
    }
    const auto it = machine->ports.find(device.port);
    if (it == machine->ports.end())
        return kErrorDeviceNotConnected;
    Port& port = *it->second;
    std::lock_guard<std::mutex> guard(port.lock);
    return port.faults.run(code, buffer, outLength, returned, [&]() -> uint32_t {
        if (!port.driver)
            return kErrorUnknownRequest;
        try {
            return port.driver->ioControl(code, in, inLength, buffer, outLength, returned);
        } catch (...) {
            returned = 0;
            return kErrorIoDevice;
        }
    });
}

// One buffered request: the driver works in a system buffer, the caller's
// output buffer with the input laid over its start; only the bytes returned
// go back.
uint32_t ioControl(const OpenDevice& open, uint32_t code, const uint8_t* input, uint32_t inLength, uint8_t* out,
                   uint32_t outLength, uint32_t& bytesReturned)
{
    std::vector<uint8_t> system(std::max(inLength, outLength));
    if (outLength)
        std::memcpy(system.data(), out, outLength);
    if (inLength)
        std::memcpy(system.data(), input, inLength);
    const std::vector<uint8_t> inputCopy(input, input + inLength);
    uint32_t returned = 0;
    const uint32_t error = dispatch(open, code, inputCopy.data(), inLength, system.data(), outLength, returned);
    returned = std::min(returned, outLength);
    if (returned)
        std::memcpy(out, system.data(), returned);
    bytesReturned = returned;
    // The capture shows the whole output buffer as the caller sees it after the call.
    captureRequest(open.name, code, inputCopy.data(), inLength, out, outLength, error);
    return error;
}

} // namespace

} // namespace sim

extern "C" {

__attribute__((visibility("default"))) uint32_t tsmSimAbiVersion()
{
    return TSM_SIM_ABI_VERSION;
}

__attribute__((visibility("default"))) uint32_t tsmSimOpen(const char* machineRoot, const char* deviceName,
                                                           void** device)
{
    if (!machineRoot || !deviceName || !device)
        return sim::kErrorInvalidParameter;
    try {
        *device = nullptr;
        auto open = std::make_unique<sim::OpenDevice>();
        open->machineRoot = machineRoot;
        open->name = deviceName;
        const std::shared_ptr<sim::Machine> machine = sim::currentMachine(open->machineRoot);
        uint32_t error = 0;
        if (sim::isHealthName(open->name)) {
            if (!machine->healthDriver)
                return sim::kErrorFileNotFound;
            open->health = true;
            error = machine->healthFaults.openError();
        } else if (sim::parsePortName(open->name, open->port)) {
            const auto it = machine->ports.find(open->port);
            if (it == machine->ports.end())
                return sim::kErrorFileNotFound;
            error = it->second->faults.openError();
        } else {
            return sim::kErrorFileNotFound;
        }
        if (error != 0)
            return error;
        *device = open.release();
        return 0;
    } catch (...) {
        // Nothing may leave the library through its C entry points.
        return sim::kErrorNotEnoughMemory;
    }
}

__attribute__((visibility("default"))) uint32_t tsmSimIoControl(void* device, uint32_t code, const void* in,
                                                                uint32_t inLength, void* out, uint32_t outLength,
                                                                uint32_t* bytesReturned)
{
    if (!device || !bytesReturned || (inLength && !in) || (outLength && !out))
        return device ? sim::kErrorInvalidParameter : sim::kErrorInvalidHandle;
    const auto& open = *static_cast<const sim::OpenDevice*>(device);
    try {
        return sim::ioControl(open, code, static_cast<const uint8_t*>(in), inLength, static_cast<uint8_t*>(out),
                              outLength, *bytesReturned);
    } catch (const std::bad_alloc&) {
        *bytesReturned = 0;
        return sim::kErrorNotEnoughMemory;
    } catch (...) {
        // Nothing may leave the library through its C entry points.
        *bytesReturned = 0;
        return sim::kErrorIoDevice;
    }
}

__attribute__((visibility("default"))) void tsmSimClose(void* device)
{
    // The handle tsmSimOpen released to the caller comes back to be destroyed.
    const std::unique_ptr<sim::OpenDevice> closing(static_cast<sim::OpenDevice*>(device));
}

__attribute__((visibility("default"))) uint32_t tsmSimOsVersion(const char* machineRoot, TsmSimOsVersion* version)
{
    if (!machineRoot || !version)
        return sim::kErrorInvalidParameter;
    try {
        const std::shared_ptr<sim::Machine> machine = sim::currentMachine(machineRoot);
        *version = TsmSimOsVersion{};
        version->major = machine->os.major;
        version->minor = machine->os.minor;
        version->build = machine->os.build;
        version->platformId = machine->os.platformId;
        std::strncpy(version->csdVersion, machine->os.csd.c_str(), sizeof(version->csdVersion) - 1);
        version->servicePackMajor = machine->os.servicePackMajor;
        version->servicePackMinor = machine->os.servicePackMinor;
        return 0;
    } catch (...) {
        return sim::kErrorNotEnoughMemory;
    }
}

__attribute__((visibility("default"))) uint32_t tsmSimSetupRecords(const char* machineRoot, const char* classGuid,
                                                                   TsmSimSetupRecord* records, uint32_t capacity,
                                                                   uint32_t* count)
{
    if (!machineRoot || !classGuid || !count || (capacity && !records))
        return sim::kErrorInvalidParameter;
    try {
        const std::shared_ptr<sim::Machine> machine = sim::currentMachine(machineRoot);
        std::string wanted = classGuid;
        std::transform(wanted.begin(), wanted.end(), wanted.begin(), [](unsigned char c) { return std::toupper(c); });
        uint32_t n = 0;
        for (const sim::SetupRecord& record : machine->setupRecords) {
            if (record.classGuid != wanted)
                continue;
            if (n < capacity) {
                TsmSimSetupRecord& r = records[n];
                r = TsmSimSetupRecord{};
                r.hasLocation = record.location ? 1 : 0;
                if (record.location)
                    std::strncpy(r.location, record.location->c_str(), sizeof(r.location) - 1);
                r.uiState = record.uiState == sim::UiNumberState::eVALID          ? TSM_SIM_UI_VALID
                            : record.uiState == sim::UiNumberState::eINVALID_DATA ? TSM_SIM_UI_INVALID_DATA
                            : record.uiState == sim::UiNumberState::eUNREADABLE   ? TSM_SIM_UI_UNREADABLE
                                                                                  : TSM_SIM_UI_ABSENT;
                r.uiNumber = record.uiNumber;
            }
            ++n;
        }
        *count = n;
        return 0;
    } catch (...) {
        return sim::kErrorNotEnoughMemory;
    }
}

} // extern "C"

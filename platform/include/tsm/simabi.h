// The C entry points by which the platform reaches the simulated machine, a
// shared library loaded at run time (the agent links nothing of it). Every
// call names the machine root; the library re-reads that machine's
// description when it changed. Results are Win32 error codes (0 = success).
#ifndef TSM_SIMABI_H
#define TSM_SIMABI_H

#include <cstdint>

extern "C" {

// Increased whenever a record or a call below changes.
#define TSM_SIM_ABI_VERSION 1

struct TsmSimOsVersion {
    uint32_t major;
    uint32_t minor;
    uint32_t build;
    uint32_t platformId;
    char csdVersion[128];
    uint16_t servicePackMajor;
    uint16_t servicePackMinor;
};

// UI-number states of a setup record.
#define TSM_SIM_UI_ABSENT 0
#define TSM_SIM_UI_VALID 1
#define TSM_SIM_UI_INVALID_DATA 2
#define TSM_SIM_UI_UNREADABLE 3

struct TsmSimSetupRecord {
    uint32_t hasLocation;
    char location[1024];
    uint32_t uiState;
    uint32_t uiNumber;
};

typedef uint32_t (*TsmSimAbiVersionFn)();
// Opens a device by its name ("\\.\Scsi3:"); 2 when the machine has no such
// device, or the error a fault names. *device is the library's handle.
typedef uint32_t (*TsmSimOpenFn)(const char* machineRoot, const char* deviceName, void** device);
typedef uint32_t (*TsmSimIoControlFn)(void* device, uint32_t code, const void* in, uint32_t inLength, void* out,
                                      uint32_t outLength, uint32_t* bytesReturned);
typedef void (*TsmSimCloseFn)(void* device);
typedef uint32_t (*TsmSimOsVersionFn)(const char* machineRoot, TsmSimOsVersion* version);
// Copies up to capacity setup records of the setup class named by its
// braced text ("{4D36E97B-...}") and sets *count to how many there are.
typedef uint32_t (*TsmSimSetupRecordsFn)(const char* machineRoot, const char* classGuid, TsmSimSetupRecord* records,
                                         uint32_t capacity, uint32_t* count);

uint32_t tsmSimAbiVersion();
uint32_t tsmSimOpen(const char* machineRoot, const char* deviceName, void** device);
uint32_t tsmSimIoControl(void* device, uint32_t code, const void* in, uint32_t inLength, void* out, uint32_t outLength,
                         uint32_t* bytesReturned);
void tsmSimClose(void* device);
uint32_t tsmSimOsVersion(const char* machineRoot, TsmSimOsVersion* version);
uint32_t tsmSimSetupRecords(const char* machineRoot, const char* classGuid, TsmSimSetupRecord* records,
                            uint32_t capacity, uint32_t* count);
}

#endif

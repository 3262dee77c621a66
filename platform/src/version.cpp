// GetVersionExA: the operating-system version named by the machine description.
#include "devices_loader.h"

#include <tsm/machine.h>
#include <windows.h>

#include <cstring>

BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA lpVersionInformation)
{
    if (!lpVersionInformation) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const DWORD size = lpVersionInformation->dwOSVersionInfoSize;
    if (size != sizeof(OSVERSIONINFOA) && size != sizeof(OSVERSIONINFOEXA)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    TsmSimOsVersion version{};
    const auto& sim = tsm::platform::simulator();
    // A machine without a description still runs an operating system; it
    // reports the version a description would name by default.
    if (!sim.loaded() || sim.osVersion(tsm::machineRoot().c_str(), &version) != 0)
        version = TsmSimOsVersion{5, 0, 2195, 2, {}, 0, 0};
    lpVersionInformation->dwMajorVersion = version.major;
    lpVersionInformation->dwMinorVersion = version.minor;
    lpVersionInformation->dwBuildNumber = version.build;
    lpVersionInformation->dwPlatformId = version.platformId;
    std::memcpy(lpVersionInformation->szCSDVersion, version.csdVersion, sizeof(version.csdVersion));
    lpVersionInformation->szCSDVersion[sizeof(version.csdVersion) - 1] = '\0';
    if (size == sizeof(OSVERSIONINFOEXA)) {
        auto* extended = reinterpret_cast<LPOSVERSIONINFOEXA>(lpVersionInformation);
        extended->wServicePackMajor = version.servicePackMajor;
        extended->wServicePackMinor = version.servicePackMinor;
        extended->wSuiteMask = 0;
        extended->wProductType = 3; // server
        extended->wReserved = 0;
    }
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

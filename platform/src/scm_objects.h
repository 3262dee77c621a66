// Handles of the service control manager: the manager itself and the
// services opened through it, each with the access it was opened for.
#ifndef TSM_PLATFORM_SCM_OBJECTS_H
#define TSM_PLATFORM_SCM_OBJECTS_H

#include "handle_table.h"

#include <string>

namespace tsm::platform {

class ManagerObject : public KernelObject {
public:
    explicit ManagerObject(DWORD access) : m_access(access) {}
    bool allows(DWORD wanted) const { return (m_access & wanted) == wanted; }

private:
    DWORD m_access;
};

class ServiceObject : public KernelObject {
public:
    ServiceObject(std::string name, DWORD access) : m_sName(std::move(name)), m_access(access) {}
    const std::string& name() const { return m_sName; }
    bool allows(DWORD wanted) const { return (m_access & wanted) == wanted; }

private:
    std::string m_sName;
    DWORD m_access;
};

// The live status of an installed service: asked of its process when one
// answers on the service's socket, else stopped (with ERROR_PROCESS_ABORTED
// as exit code when a process died without cleaning up). False (and the
// error in *error) when a running process does not answer in time.
bool liveServiceStatus(const std::string& name, SERVICE_STATUS& status, DWORD* error);

// Starts the installed binary of the service as a detached process and waits
// until its dispatcher has reported; 0 or a Windows error code.
DWORD launchService(const std::string& name, const std::string& binaryPath);

} // namespace tsm::platform

#endif

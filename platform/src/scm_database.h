// The service database: one file per service in "services/" of the machine
// root, replaced atomically on every change, and the names of the files and
// sockets that belong to a service.
#ifndef TSM_PLATFORM_SCM_DATABASE_H
#define TSM_PLATFORM_SCM_DATABASE_H

#include "tsm/machinestate.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace tsm::platform {

// The database folder ("" if it cannot be created).
std::string serviceFolder();

// Per-service paths, derived from the service's name without case.
std::string serviceRecordPath(const std::string& name);
std::string serviceSocketPath(const std::string& name); // the running service's control socket
std::string serviceStartSocketPath(const std::string& name); // where a starting service reports
std::string serviceLockPath(const std::string& name);
std::string databaseLockPath();

enum class RecordRead { eFOUND, eMISSING, eDAMAGED };

RecordRead loadServiceRecord(const std::string& name, ServiceRecord& record);
bool storeServiceRecord(const ServiceRecord& record);
bool removeServiceRecord(const std::string& name);

std::string serializeServiceRecord(const ServiceRecord& record);
bool parseServiceRecord(const std::string& text, ServiceRecord& record);

bool sameServiceName(const std::string& a, const std::string& b);

} // namespace tsm::platform

#endif

// Files of the emulated machine's state (registry hives, service database,
// event log): whole-file reads, atomic replacement, appends and inter-process
// locks, all through the overridable POSIX call table.
#ifndef TSM_PLATFORM_MACHINEFILES_H
#define TSM_PLATFORM_MACHINEFILES_H

#include <windows.h>

#include "tsm/atomicfile.h"
#include "tsm/uniquehandle.h"

#include <string>
#include <vector>

namespace tsm::platform {

// A folder of the machine root, created if missing; "" if it cannot be.
std::string machineFolder(const std::string& name);

enum class ReadResult { eREAD, eMISSING, eFAILED };

// Reads the whole file; files above the limit count as failed reads.
ReadResult readWholeFile(const std::string& path, std::string& contents, std::size_t limit = 64u << 20);

// Appends the text with one write, so concurrent appenders never interleave.
bool appendToFile(const std::string& path, const std::string& text);

// An exclusive flock on a lock file, held for the life of the object (also
// across threads of one process, through a process-wide mutex per path).
class MachineFileLock {
public:
    explicit MachineFileLock(const std::string& lockPath);
    ~MachineFileLock();
    MachineFileLock(const MachineFileLock&) = delete;
    MachineFileLock& operator=(const MachineFileLock&) = delete;
    bool locked() const { return m_fd.isValid(); }

private:
    void* m_pMutex;
    UniqueFd m_fd;
};

// Percent-escapes tab, line breaks, '%' and other control bytes, so a field
// can sit in a tab-separated line; unescape gives false for a bad escape.
std::string escapeField(const std::string& text);
bool unescapeField(const std::string& text, std::string& out);

// The tab-separated fields of one line (a line without tabs is one field).
std::vector<std::string> splitFields(const std::string& line);

// An unsigned decimal field of at most 20 digits and at most limit; false
// for anything else.
bool parseDecimal(const std::string& text, unsigned long long limit, unsigned long long& value);

std::string toHex(const std::string& bytes);
bool fromHex(const std::string& hex, std::string& bytes);

} // namespace tsm::platform

#endif

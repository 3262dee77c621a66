// Replacing a file whole: readers see the old contents or the new, never a
// mixture, and the new contents survive a crash once the call has returned.
#ifndef TSM_ATOMICFILE_H
#define TSM_ATOMICFILE_H

#include <sys/types.h>

#include <string>

namespace tsm {

// Writes contents to a temporary file beside path with the given mode, syncs
// it, renames it over path and syncs the folder. False with errno set when a
// step fails, leaving path as it was.
bool writeFileAtomically(const std::string& path, const std::string& contents, mode_t mode = 0644);

} // namespace tsm

#endif

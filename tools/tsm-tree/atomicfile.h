// Replacing a file whole: readers see the old content or the new, never part.
#ifndef TSM_TOOLS_ATOMICFILE_H
#define TSM_TOOLS_ATOMICFILE_H

#include <string>

namespace tsmtool {

// Writes text to a temporary file in the folder of path, makes it readable
// by everyone and renames it over path; false with a message on failure,
// leaving path as it was.
bool writeFileAtomically(const std::string& path, const std::string& text, std::string& error);

}

#endif

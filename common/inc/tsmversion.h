// The program's version: four decimal components and their text.
#ifndef TSM_TSMVERSION_H
#define TSM_TSMVERSION_H

#include <string>

namespace tsm {

struct VersionComponents {
    std::string major;
    std::string minor;
    std::string build;
    std::string revision;
};

// The components of this build: 1, 10, 3, 0.
const VersionComponents& programVersion();

// major "." minor, then "." build "." revision when the build is not empty.
std::string versionText(const VersionComponents& version);

// The text of this build's version ("1.10.3.0").
std::string versionText();

} // namespace tsm

#endif

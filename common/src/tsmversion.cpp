// The program's version text.
#include "tsmversion.h"

namespace tsm {

const VersionComponents& programVersion()
{
    static const VersionComponents version{"1", "10", "3", "0"};
    return version;
}

std::string versionText(const VersionComponents& version)
{
    std::string text = version.major + "." + version.minor;
    if (!version.build.empty())
        text += "." + version.build + "." + version.revision;
    return text;
}

std::string versionText()
{
    return versionText(programVersion());
}

} // namespace tsm

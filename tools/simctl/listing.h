// What a machine description holds, as text for a person.
#ifndef TSM_SIMCTL_LISTING_H
#define TSM_SIMCTL_LISTING_H

#include <ostream>
#include <string>

namespace simctl {

// Lists the description file; false (with the file, line and problem written
// to errors) when the description is refused.
bool listDescription(const std::string& path, std::ostream& out, std::ostream& errors);

} // namespace simctl

#endif

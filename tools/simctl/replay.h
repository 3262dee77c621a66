// Shows a capture file, and replays it against the machine the platform now
// sees, comparing each reply with the captured one.
#ifndef TSM_SIMCTL_REPLAY_H
#define TSM_SIMCTL_REPLAY_H

#include <istream>
#include <ostream>

namespace simctl {

// Writes each request readably; false when a line is not a capture record.
bool showCapture(std::istream& capture, std::ostream& out, std::ostream& errors);

// Sends each captured request again; true when every reply and result is the
// captured one. Requests that carry an address of the capturing process are
// skipped.
bool replayCapture(std::istream& capture, std::ostream& out, std::ostream& errors);

} // namespace simctl

#endif

// The names that peers give (their files in the cache folder, their entries
// in the configuration, the discovery names of their support documents)
// become parts of request paths to the local server.
#ifndef TSM_WEB_PEERNAMES_H
#define TSM_WEB_PEERNAMES_H

#include <string>

namespace Web {

// Whether a name can stand in a request path as it is: segments separated
// by "/", none of them empty, "." or "..", of printable ASCII without the
// characters that end a path or change what the server decodes from it
// (space, '"', '#', '%', '<', '>', '?', '\', '^', '`', '{', '|', '}').
// Any other name could make the agent ask for a page it was not given,
// its own page included.
bool isPlainRequestPath(const std::string& name);

}

#endif

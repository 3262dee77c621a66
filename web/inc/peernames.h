// The names that peers give (their files in the cache folder, their entries
// in the configuration, the discovery names of their support documents)
// become parts of request paths to the local server.
#ifndef TSM_WEB_PEERNAMES_H
#define TSM_WEB_PEERNAMES_H

#include <string>

namespace Web {

// Whether a name can stand in a request path as it is: segments separated
// by "/", none of them empty, "." or "..", of printable ASCII without the
// characters that cut a path, start a query or change what the server
// decodes from it (space, '"', '#', '%', '<', '>', '?', '\', '^', '`', '{',
// '|', '}'). Any other name could lead a request out of the peer's own
// folder, for example to the agent's own page, which would ask the peer
// again without end.
bool isPlainRequestPath(const std::string& name);

// A plain request path that names no file below the agent's own URL root
// (ownRoot without its slash, compared without case): the name "VXA" alone
// is the agent's own application entry, whose support document counts, but
// "VXA/<anything>" would make a page ask for the agent's own pages.
bool isPeerName(const std::string& name, const std::string& ownRoot);

}

#endif

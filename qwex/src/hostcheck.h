// Which Host header values the server answers: a page on another origin that
// rebinds its DNS name to 127.0.0.1 sends its own name and is turned away.
#ifndef QWEX_HOSTCHECK_H
#define QWEX_HOSTCHECK_H

#include "config.h"

#include <string_view>

namespace qwex {

// True for a loopback address or name (127.0.0.0/8, "localhost", "[::1]"),
// a name the configuration allows or the address a listener binds, each with
// or without a port. A request without a Host header (HTTP/1.0) passes.
bool isAllowedHost(const char* host, const ServerConfig& config);

} // namespace qwex

#endif

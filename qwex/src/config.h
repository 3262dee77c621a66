// The server's configuration file "qwex.conf" in its directory: "key = value"
// lines, '#' starts a comment. Written with the defaults on first start.
#ifndef QWEX_CONFIG_H
#define QWEX_CONFIG_H

#include <cstdint>
#include <string>
#include <vector>

namespace qwex {

struct ServerConfig {
    std::string httpAddress = "127.0.0.1";
    unsigned httpPort = 2301; // 0: no HTTP listener
    std::string httpsAddress = "127.0.0.1";
    unsigned httpsPort = 2381; // 0: no HTTPS listener
    unsigned eventThreads = 2; // threads that answer connections and static files
    unsigned requestThreads = 32; // threads that run extension requests
    unsigned connectionLimit = 512;
    unsigned connectionTimeoutSeconds = 10; // an idle or slowly sending client is cut off
    unsigned maxBodyBytes = 1u << 20;
    unsigned shutdownGraceMs = 5000; // how long finished responses may take to leave
    unsigned clientConnectTimeoutMs = 3000;
    unsigned clientTimeoutMs = 30000;
    unsigned clientMaxResponseBytes = 16u << 20;
    // Extension requests waiting for a request thread beyond which new ones
    // get 503 (0: four per request thread).
    unsigned requestQueueLimit = 0;
    unsigned pageDeadlineSeconds = 60; // a page not finished by then gets 503
    // Host header names answered besides the loopback ones (lower case,
    // without a port): the names under which an administrator opens the
    // server to a network.
    std::vector<std::string> allowedHosts;
    // access.log is rotated at this size, keeping this many earlier files:
    // 4 x 10 MiB at most.
    unsigned accessLogMaxBytes = 10u << 20;
    unsigned accessLogKeep = 3;
};

// Reads path, creating it with the defaults when missing. Unknown keys and
// malformed values are ignored (the default stays); problems go to log.
ServerConfig loadConfig(const std::string& path, std::string& log);

} // namespace qwex

#endif

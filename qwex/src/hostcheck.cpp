// Host header check.
#include "hostcheck.h"

#include <arpa/inet.h>

#include <algorithm>
#include <string>

namespace qwex {
namespace {

bool isDigits(std::string_view text)
{
    return !text.empty() && text.size() <= 5 &&
           std::all_of(
               text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The name part of "name", "name:port", "[v6]" or "[v6]:port"; empty when the
// value is malformed.
std::string_view nameOf(std::string_view host)
{
    if (!host.empty() && host.front() == '[') {
        const size_t close = host.find(']');
        if (close == std::string_view::npos)
            return {};
        const std::string_view rest = host.substr(close + 1);
        if (!rest.empty() && (rest.front() != ':' || !isDigits(rest.substr(1))))
            return {};
        return host.substr(0, close + 1);
    }
    const size_t colon = host.find(':');
    if (colon == std::string_view::npos)
        return host;
    return isDigits(host.substr(colon + 1)) ? host.substr(0, colon) : std::string_view();
}

bool isLoopbackAddress(const std::string& name)
{
    in_addr address{};
    return ::inet_pton(AF_INET, name.c_str(), &address) == 1 && (ntohl(address.s_addr) >> 24) == 127;
}

} // namespace

bool isAllowedHost(const char* host, const ServerConfig& config)
{
    if (!host)
        return true;
    std::string name(nameOf(host));
    std::transform(name.begin(), name.end(), name.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    if (name.empty())
        return false;
    if (name == "localhost" || name == "[::1]" || isLoopbackAddress(name))
        return true;
    if (name != "0.0.0.0" && (name == config.httpAddress || name == config.httpsAddress))
        return true;
    return std::find(config.allowedHosts.begin(), config.allowedHosts.end(), name) != config.allowedHosts.end();
}

} // namespace qwex

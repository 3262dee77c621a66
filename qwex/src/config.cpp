// Reading and first-time writing of the server's configuration file.
#include "config.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>
#include <string_view>

namespace qwex {
namespace {

constexpr const char* kDefaultText = "# Management HTTP server configuration. Listeners bind to loopback by\n"
                                     "# default; set an address such as 0.0.0.0 only to open the server to a network.\n"
                                     "http_address = 127.0.0.1\n"
                                     "http_port = 2301\n"
                                     "https_address = 127.0.0.1\n"
                                     "https_port = 2381\n";

// Smaller access logs would rotate at nearly every batch.
constexpr unsigned kMinimumAccessLogBytes = 4096;

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

bool parseNumber(std::string_view text, unsigned maximum, unsigned& value)
{
    unsigned parsed = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (error != std::errc() || end != text.data() + text.size() || parsed > maximum)
        return false;
    value = parsed;
    return true;
}

struct NumberKey {
    const char* name;
    unsigned ServerConfig::*field;
    unsigned maximum;
};

constexpr NumberKey kNumbers[] = {
    {"http_port", &ServerConfig::httpPort, 65535},
    {"https_port", &ServerConfig::httpsPort, 65535},
    {"event_threads", &ServerConfig::eventThreads, 64},
    {"request_threads", &ServerConfig::requestThreads, 1024},
    {"connection_limit", &ServerConfig::connectionLimit, 65536},
    {"connection_timeout_s", &ServerConfig::connectionTimeoutSeconds, 3600},
    {"max_body_bytes", &ServerConfig::maxBodyBytes, 1u << 30},
    {"shutdown_grace_ms", &ServerConfig::shutdownGraceMs, 600000},
    {"client_connect_timeout_ms", &ServerConfig::clientConnectTimeoutMs, 600000},
    {"client_timeout_ms", &ServerConfig::clientTimeoutMs, 3600000},
    {"client_max_response_bytes", &ServerConfig::clientMaxResponseBytes, 1u << 30},
    {"request_queue_limit", &ServerConfig::requestQueueLimit, 1u << 20},
    {"page_deadline_s", &ServerConfig::pageDeadlineSeconds, 86400},
    {"access_log_max_bytes", &ServerConfig::accessLogMaxBytes, 1u << 30},
    {"access_log_keep", &ServerConfig::accessLogKeep, 100},
};

// "a, b c" -> {"a", "b", "c"}, lower case; false when a name holds anything
// but letters, digits, '-', '.', or is a bracketed IPv6 address.
bool parseHostNames(std::string_view text, std::vector<std::string>& names)
{
    std::vector<std::string> parsed;
    std::string name;
    const auto flush = [&] {
        if (!name.empty())
            parsed.push_back(std::move(name));
        name.clear();
    };
    for (const char ch : text) {
        if (ch == ',' || ch == ' ' || ch == '\t') {
            flush();
            continue;
        }
        const bool plain = (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') ||
                           ch == '-' || ch == '.' || ch == '[' || ch == ']' || ch == ':';
        if (!plain)
            return false;
        name += static_cast<char>(ch >= 'A' && ch <= 'Z' ? ch - 'A' + 'a' : ch);
    }
    flush();
    names = std::move(parsed);
    return true;
}

bool applySetting(ServerConfig& config, std::string_view key, std::string_view value)
{
    if (key == "http_address" || key == "https_address") {
        (key == "http_address" ? config.httpAddress : config.httpsAddress) = std::string(value);
        return !value.empty();
    }
    if (key == "allowed_hosts")
        return parseHostNames(value, config.allowedHosts);
    for (const NumberKey& number : kNumbers)
        if (key == number.name)
            return parseNumber(value, number.maximum, config.*number.field);
    return false;
}

} // namespace

ServerConfig loadConfig(const std::string& path, std::string& log)
{
    ServerConfig config;
    std::ifstream in(path);
    if (!in)
        std::ofstream(path) << kDefaultText;
    std::string line;
    unsigned number = 0;
    while (std::getline(in, line)) {
        ++number;
        std::string_view text = line;
        text = trimmed(text.substr(0, text.find('#')));
        if (text.empty())
            continue;
        const size_t equals = text.find('=');
        if (equals == std::string_view::npos ||
            !applySetting(config, trimmed(text.substr(0, equals)), trimmed(text.substr(equals + 1)))) {
            std::ostringstream message;
            message << path << ":" << number << ": ignored: " << line << "\n";
            log += message.str();
        }
    }
    if (config.eventThreads == 0)
        config.eventThreads = 1;
    if (config.requestThreads == 0)
        config.requestThreads = 1;
    if (config.requestQueueLimit == 0)
        config.requestQueueLimit = 4 * config.requestThreads;
    if (config.pageDeadlineSeconds == 0)
        config.pageDeadlineSeconds = 1;
    config.accessLogMaxBytes = std::max(config.accessLogMaxBytes, kMinimumAccessLogBytes);
    return config;
}

} // namespace qwex

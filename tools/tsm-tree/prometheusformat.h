// The health facts of the device tree in the Prometheus text exposition
// format, for node_exporter's textfile collector.
#ifndef TSM_TOOLS_PROMETHEUSFORMAT_H
#define TSM_TOOLS_PROMETHEUSFORMAT_H

#include <string>

namespace Core {
class Device;
}

namespace tsmtool {

// One gauge family per health fact of controllers, logical and physical
// drives, with HELP and TYPE lines; a family without devices is left out.
std::string prometheusFacts(const Core::Device& root);

// tsm_scrape_duration_seconds and tsm_scrape_success.
std::string prometheusScrape(double seconds, bool bSuccess);

// A label value as the format writes it between quotes: backslash, double
// quote and newline escaped, bytes above 0x7F replaced by "?".
std::string escapeLabelValue(const std::string& value);

}

#endif

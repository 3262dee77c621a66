// The scenarios of sim/scenarios stepped with simctl, tsm-tree run at each
// step: the health facts of every step, and the alerts of
// monitoring/tsm-alerts.yml that fire at the end of each step when its
// output is replayed minute by minute through promtool test rules.
#include "processrunner.h"
#include "tempmachine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

namespace {

// Samples of one tsm-tree output as Prometheus stores them, with the label
// of the server they were scraped from: series text -> value. The duration
// changes with every run and is left out.
using Samples = std::map<std::string, std::string>;
using Labels = std::map<std::string, std::string>;

const char* const kServer = "server=\"db-7\"";

Samples parseSamples(const std::string& text)
{
    Samples samples;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t space = line.rfind(' ');
        if (line[0] == '#' || space == std::string::npos || line.rfind("tsm_scrape_duration", 0) == 0)
            continue;
        std::string series = line.substr(0, space);
        if (series.back() == '}')
            series.insert(series.size() - 1, std::string(",") + kServer);
        else
            series += std::string("{") + kServer + "}";
        samples[series] = line.substr(space + 1);
    }
    return samples;
}

// The labels of a series text; the values hold no escapes here.
Labels parseLabels(const std::string& series)
{
    Labels labels;
    for (std::size_t at = series.find('{'); at != std::string::npos && series[at] != '}';) {
        const std::size_t equals = series.find("=\"", at);
        const std::size_t end = series.find('"', equals + 2);
        labels[series.substr(at + 1, equals - at - 1)] = series.substr(equals + 2, end - equals - 2);
        at = end + 1;
    }
    return labels;
}

// The facts of a step in short, in series order: "cache=OK L0.left=5
// L0=recovering d1.failed d7.identified d3.rebuilding scrape=1"; zeros left out.
std::string summary(const Samples& samples)
{
    static const std::map<std::string, std::string> kShort = {
        {"tsm_battery_failed", "battery_failed"},
        {"tsm_controller_failed", "controller_failed"},
        {"tsm_cache_status", "cache=$state"},
        {"tsm_logical_drive_status", "L$drive=$state"},
        {"tsm_logical_drive_rebuild_blocks_left", "L$drive.left=$value"},
        {"tsm_logical_drive_expand_blocks_left", "L$drive.expand=$value"},
        {"tsm_physical_drive_failed", "d$drive.failed"},
        {"tsm_physical_drive_identified", "d$drive.identified"},
        {"tsm_physical_drive_rebuilding", "d$drive.rebuilding"},
        {"tsm_scrape_success", "scrape=$value"}};
    std::string text;
    for (const auto& [series, value] : samples) {
        const auto found = kShort.find(series.substr(0, series.find('{')));
        if (found == kShort.end() || (value == "0" && found->first != "tsm_scrape_success"))
            continue;
        Labels labels = parseLabels(series);
        labels["value"] = value;
        std::string fact = found->second;
        for (std::size_t at = fact.find('$'); at != std::string::npos; at = fact.find('$')) {
            const std::size_t end = std::min(fact.find_first_of(".=", at), fact.size());
            fact.replace(at, end - at, labels[fact.substr(at + 1, end - at - 1)]);
        }
        text += (text.empty() ? "" : " ") + fact;
    }
    return text;
}

struct ExpectedAlert {
    const char* pszName;
    const char* pszSeries; // the series whose labels the alert carries: a part of its text
    std::string summary;
};

// A step of the scenario; a step without a name is the collector stopping:
// node_exporter serves the last file, which ages.
struct Step {
    const char* pszName;
    const char* pszFacts;
    std::vector<ExpectedAlert> alerts;
};

const std::map<std::string, std::string> kSeverities = {
    {"PhysicalDriveFailed", "critical"}, {"LogicalDriveFailed", "critical"}, {"LogicalDriveDegraded", "warning"},
    {"RebuildStalled", "warning"},       {"CacheBatteryFailed", "warning"},  {"CacheDisabled", "warning"},
    {"ControllerFailed", "critical"},    {"StorageScrapeFailed", "warning"}, {"StorageMetricsStale", "warning"}};

const char* const kTextfile =
    "node_textfile_mtime_seconds{file=\"/var/lib/node_exporter/textfile/tsm.prom\",server=\"db-7\"}";
constexpr unsigned kStoppedMinutes = 15;

// The controller of every scenario as the alerts name it.
std::string slot1Controller(const std::string& serial)
{
    return "the local controller Tarvion ArrayLine 210 in Slot 1 (serial " + serial + ")";
}

std::string yamlQuoted(const std::string& text)
{
    std::string yaml = "'";
    for (const char c : text)
        yaml += c == '\'' ? std::string("''") : std::string(1, c);
    return yaml + "'";
}

// The steps' minutes as simctl lists them.
std::vector<unsigned> stepMinutes(const std::string& scenario)
{
    const auto listed = tsmtest::runProcess(TSM_SIMCTL_TOOL, {"steps", scenario});
    EXPECT_EQ(listed.exitCode, 0) << listed.err;
    std::vector<unsigned> minutes;
    std::istringstream lines(listed.out);
    unsigned number = 0;
    std::string name;
    unsigned stepMinutes = 0;
    while (lines >> number >> name >> stepMinutes)
        minutes.push_back(stepMinutes);
    return minutes;
}

// A promtool test of one scenario: every series minute by minute, and at the
// last minute of each step every alert with the ones expected to fire.
class AlertTest {
public:
    void addStep(const Samples& samples, unsigned minutes, bool bCollectorRuns,
                 const std::vector<ExpectedAlert>& alerts)
    {
        Samples now = samples;
        for (unsigned minute = 0; minute < minutes; ++minute, ++m_minute) {
            if (bCollectorRuns)
                m_lastWrite = std::to_string(m_minute * 60);
            now[kTextfile] = m_lastWrite;
            for (const auto& [series, value] : now)
                m_values[series].resize(m_minute, "_");
            for (auto& [series, values] : m_values) {
                const auto found = now.find(series);
                const bool bWasThere = !values.empty() && values.back() != "_" && values.back() != "stale";
                values.push_back(found != now.end() ? found->second : bWasThere ? "stale" : "_");
            }
        }
        for (const auto& [name, severity] : kSeverities) {
            m_checks += "      - eval_time: " + std::to_string(m_minute - 1) + "m\n        alertname: " + name +
                        "\n        exp_alerts:" + expectedAlerts(name, severity, now, alerts);
        }
    }

    std::string text(const std::string& name) const
    {
        std::string yaml = "rule_files:\n  - " + yamlQuoted(TSM_ALERT_RULES) +
                           "\nevaluation_interval: 1m\ntests:\n"
                           "  - name: " +
                           yamlQuoted(name) + "\n    interval: 1m\n    input_series:\n";
        for (const auto& [series, values] : m_values) {
            std::string joined;
            for (const std::string& value : values)
                joined += (joined.empty() ? "" : " ") + value;
            yaml += "      - series: " + yamlQuoted(series) + "\n        values: " + yamlQuoted(joined) + "\n";
        }
        return yaml + "    alert_rule_test:\n" + m_checks;
    }

private:
    std::string expectedAlerts(const std::string& name, const std::string& severity, const Samples& samples,
                               const std::vector<ExpectedAlert>& alerts) const
    {
        std::string yaml;
        for (const ExpectedAlert& alert : alerts) {
            if (alert.pszName != name)
                continue;
            Labels labels = {{"severity", severity}, {"service", "storage"}};
            const auto found = std::find_if(samples.begin(), samples.end(), [&alert](const auto& sample) {
                return sample.first.find(alert.pszSeries) != std::string::npos;
            });
            EXPECT_NE(found, samples.end()) << alert.pszSeries;
            if (found != samples.end())
                labels.merge(parseLabels(found->first));
            // Alerts on a controller name it as the drives' alerts do, for grouping.
            if (labels.count("name") != 0)
                labels["controller"] = labels["name"];
            yaml += "\n          - exp_labels:";
            for (const auto& [label, value] : labels)
                yaml += "\n              " + label + ": " + yamlQuoted(value);
            yaml += "\n            exp_annotations:\n              summary: " + yamlQuoted(alert.summary);
        }
        return (yaml.empty() ? " []" : yaml) + "\n";
    }

    unsigned m_minute = 0;
    std::string m_lastWrite = "0";
    std::map<std::string, std::vector<std::string>> m_values;
    std::string m_checks;
};

void playScenario(const std::string& file, const std::vector<Step>& steps)
{
    SCOPED_TRACE(file);
    tsmtest::TempMachine machine;
    const std::string scenario = std::string(TSM_SCENARIOS_DIR) + "/" + file;
    const std::vector<unsigned> minutes = stepMinutes(scenario);
    AlertTest alerts;
    Samples samples;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const Step& step = steps[i];
        SCOPED_TRACE(step.pszName);
        const bool bCollectorRuns = *step.pszName != '\0';
        if (bCollectorRuns) {
            ASSERT_LT(i, minutes.size());
            const auto used = tsmtest::runProcess(TSM_SIMCTL_TOOL, {"step", scenario, step.pszName});
            ASSERT_EQ(used.exitCode, 0) << used.err;
            const auto run = tsmtest::runProcess(TSM_TREE_TOOL, {"--set=full", "--format=prometheus", "--timeout=5"});
            samples = parseSamples(run.out);
        }
        EXPECT_EQ(summary(samples), step.pszFacts);
        alerts.addStep(samples, bCollectorRuns ? minutes[i] : kStoppedMinutes, bCollectorRuns, step.alerts);
    }
    EXPECT_EQ(minutes.size(), steps.size() - (*steps.back().pszName == '\0' ? 1 : 0)) << "steps the test leaves out";
    const std::string testFile = machine.root() + "/alerts-test.yml";
    std::ofstream(testFile) << alerts.text(file);
    const auto result = tsmtest::runProcess(TSM_PROMTOOL, {"test", "rules", testFile});
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
}

TEST(AlertScenarios, ADriveFailsIsRebuiltOntoTheSpareAndReplaced)
{
    const std::string controller = slot1Controller("P56R0000S1");
    const ExpectedAlert drive1 = {"PhysicalDriveFailed", "drive=\"1\",",
                                  "On db-7, physical drive 1 of array A on " + controller + " has failed"};
    const ExpectedAlert interim = {"LogicalDriveDegraded", "state=\"interimrecovery\"",
                                   "On db-7, logical drive 0 of array A on " + controller +
                                       " runs without redundancy: a drive has failed and nothing rebuilds it yet"};
    const ExpectedAlert recovering = {"LogicalDriveDegraded", "state=\"recovering\"",
                                      "On db-7, logical drive 0 of array A on " + controller +
                                          " is being rebuilt onto a spare or replaced drive"};
    const ExpectedAlert stalled = {"RebuildStalled", "tsm_logical_drive_rebuild_blocks_left{",
                                   "On db-7, the rebuild of logical drive 0 of array A on " + controller +
                                       " has made no progress for 30 minutes"};
    playScenario("drive-rebuild.xml",
                 {{"healthy", "cache=OK L0=ok d7.identified scrape=1", {}},
                  {"drive-fails", "cache=OK L0=interimrecovery d1.failed d7.identified scrape=1", {drive1, interim}},
                  {"rebuild-starts",
                   "cache=OK L0.left=60000000 L0=recovering d1.failed d7.identified d3.rebuilding scrape=1",
                   {drive1, recovering}},
                  {"rebuild-halfway",
                   "cache=OK L0.left=30000000 L0=recovering d1.failed d7.identified d3.rebuilding scrape=1",
                   {drive1, recovering}},
                  {"rebuild-stalls",
                   "cache=OK L0.left=30000000 L0=recovering d1.failed d7.identified d3.rebuilding scrape=1",
                   {drive1, recovering, stalled}},
                  {"rebuild-resumes",
                   "cache=OK L0.left=5000000 L0=recovering d1.failed d7.identified d3.rebuilding scrape=1",
                   {drive1, recovering}},
                  {"rebuilt", "cache=OK L0=ok d1.failed d7.identified scrape=1", {drive1}},
                  {"drive-replaced", "cache=OK L0=ok d7.identified scrape=1", {}}});
}

TEST(AlertScenarios, ABatteryFailsAndTheCollectorStops)
{
    const std::string controller = slot1Controller("P56R0000S2");
    playScenario(
        "battery-failure.xml",
        {{"healthy", "cache=OK L0=ok scrape=1", {}},
         {"battery-fails",
          "battery_failed cache=TemporarilyDisabled L0=ok scrape=1",
          {{"CacheBatteryFailed", "tsm_battery_failed{",
            "On db-7, a cache battery pack of " + controller + " has failed"},
           {"CacheDisabled", "state=\"TemporarilyDisabled\"",
            "On db-7, the write cache of " + controller + " is temporarily disabled"}}},
         {"battery-replaced", "cache=OK L0=ok scrape=1", {}},
         {"",
          "cache=OK L0=ok scrape=1",
          {{"StorageMetricsStale", kTextfile,
            "On db-7, the storage metrics in /var/lib/node_exporter/textfile/tsm.prom are more than 10 minutes "
            "old: the collector has stopped"}}}});
}

// A controller that does not answer has told no serial number.
TEST(AlertScenarios, AControllerStopsAnswering)
{
    playScenario(
        "controller-stops.xml",
        {{"healthy", "cache=OK L0=ok scrape=1", {}},
         {"commands-fail",
          "controller_failed scrape=1",
          {{"ControllerFailed", "tsm_controller_failed{",
            "On db-7, the local controller Tarvion ArrayLine 210 in Slot 1 does not answer its parameters command"}}},
         {"commands-hang",
          "scrape=0",
          {{"StorageScrapeFailed", "tsm_scrape_success", "On db-7, tsm-tree could not refresh the device tree"}}}});
}

}

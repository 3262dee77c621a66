// The agent running as a service in a temporary machine with the typical
// simulated hardware, its pages, its configuration and the example peers
// installed the way scripts/run-agent.sh installs them.
#ifndef TSM_TESTS_WEBAGENT_H
#define TSM_TESTS_WEBAGENT_H

#include "httpget.h"
#include "qwexfixture.h"
#include "vxafixture.h"

#include <signal.h>

namespace tsmtest {

inline const std::string kPageHttp = "http://127.0.0.1:2301/VXA/";
inline const std::string kPageHttps = "https://127.0.0.1:2381/VXA/";

class WebAgent : public VxaMachine {
protected:
    void SetUp() override
    {
        VxaMachine::SetUp();
        namespace fs = std::filesystem;
        const auto recursive = fs::copy_options::recursive | fs::copy_options::overwrite_existing;
        fs::copy(std::string(TSM_SOURCE_DIR) + "/html", htmlFolder(), recursive);
        fs::copy_file(std::string(TSM_SOURCE_DIR) + "/web/config/vxaconfig.xml", binFolder() + "/vxaconfig.xml");
        fs::create_directories(webappsFolder());
        fs::copy(std::string(TSM_SOURCE_DIR) + "/peers", webappsFolder(), recursive);
        m_machine.useDescription(std::string(TSM_SOURCE_DIR) + "/sim/machines/typical.xml");
        // The server on its usual ports. Page requests wait for each other's
        // discovery: on a loaded sanitizer build the last of sixteen may
        // wait longer than the server's usual idle limit and page deadline.
        writeFile(m_machine.driveC() + "/qwex/qwex.conf", "connection_timeout_s = 300\npage_deadline_s = 300\n");
    }

    void TearDown() override
    {
        vxa({"-stop"});
        vxa({"-uninstall"});
        // Sanitizer reports of the service process end up in its output.
        const std::string output = m_machine.read("service-output.log");
        EXPECT_EQ(output.find("Sanitizer"), std::string::npos) << output;
    }

    // Installs and starts the service and waits until the server answers.
    void start()
    {
        ASSERT_EQ(vxa({"-install"}).exitCode, 0);
        ASSERT_EQ(vxa({"-start"}).exitCode, 0);
        ASSERT_TRUE(
            eventually([] { return httpGet(kPageHttp + "vxasupport.xml", 5).status == 200; }, std::chrono::seconds(60)))
            << m_machine.read("service-output.log");
        // The answer came from this machine's server, not from another one
        // that holds the ports.
        ASSERT_TRUE(std::filesystem::exists(m_machine.driveC() + "/qwex/access.log"));
    }

    std::string binFolder() const { return m_machine.driveC() + "/Tarvion/bin"; }
    std::string htmlFolder() const { return m_machine.driveC() + "/Tarvion/html"; }
    std::string webappsFolder() const { return m_machine.driveC() + "/qwex/webapps"; }
};

} // namespace tsmtest

#endif

// One run of tsm-tree.
#include "treerun.h"

#include "device.h"
#include "jsonformat.h"
#include "prometheusformat.h"
#include "registration.h"
#include "system.h"

#include <tsm/atomicfile.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <cstdlib>
#include <exception>
#include <future>
#include <memory>
#include <ostream>
#include <thread>

namespace tsmtool {
namespace {

void installSet(RegistrationSet set)
{
    switch (set) {
    case RegistrationSet::eSTARTUP:
        Operations::registerStartupOperations();
        break;
    case RegistrationSet::eLOGICAL:
        Operations::registerLogicalDriveSet();
        break;
    case RegistrationSet::eFULL:
        Operations::registerArraySet();
        break;
    }
}

// Refreshes the tree and writes it in the format, on the worker thread.
std::string refreshAndFormat(const TreeOptions& options)
{
    installSet(options.set);
    const Core::DevicePtr pRoot = Schema::System::instance();
    for (unsigned i = 0; i < options.refreshes; ++i)
        pRoot->refresh();
    switch (options.format) {
    case OutputFormat::eJSON:
        return jsonText(*pRoot);
    case OutputFormat::ePROMETHEUS:
        return prometheusFacts(*pRoot);
    case OutputFormat::eDUMP:
        break;
    }
    return Core::dump(*pRoot);
}

bool writeText(const TreeOptions& options, const std::string& text, std::ostream& out, std::ostream& err)
{
    if (options.output.empty()) {
        out << text << std::flush;
        return out.good();
    }
    if (!tsm::writeFileAtomically(options.output, text)) {
        err << "tsm-tree: cannot write " << options.output << ": " << std::strerror(errno) << "\n";
        return false;
    }
    return true;
}

}

int runTree(const TreeOptions& options, std::ostream& out, std::ostream& err)
{
    const auto started = std::chrono::steady_clock::now();
    auto pTask = std::make_shared<std::packaged_task<std::string()>>([options] { return refreshAndFormat(options); });
    std::future<std::string> result = pTask->get_future();
    std::thread worker([pTask] { (*pTask)(); });

    // A finished worker is joined, so its thread-local state is gone before exit.
    const bool bFinished = result.wait_for(std::chrono::seconds(options.timeoutSeconds)) == std::future_status::ready;
    if (bFinished)
        worker.join();
    else
        worker.detach();
    std::string text;
    std::string failure = "the refresh did not finish within " + std::to_string(options.timeoutSeconds) + " seconds";
    if (bFinished) {
        try {
            text = result.get();
            failure.clear();
        } catch (const std::exception& e) {
            failure = std::string("the refresh failed: ") + e.what();
        }
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;
    if (!failure.empty())
        err << "tsm-tree: " << failure << "\n";
    int code = failure.empty() ? 0 : 1;
    if (options.format == OutputFormat::ePROMETHEUS)
        text += prometheusScrape(elapsed.count(), failure.empty());
    if ((failure.empty() || options.format == OutputFormat::ePROMETHEUS) && !writeText(options, text, out, err))
        code = 1;
    if (!bFinished) {
        err.flush();
        std::_Exit(code);
    }
    return code;
}

}

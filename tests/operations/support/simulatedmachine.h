// A device tree refreshed on a simulated machine described by the test: the
// operations of a registration set registered, the hardware library's objects found
// afresh, and the tree released when the test ends; and the queries its tests share.
#ifndef TSM_TESTS_OPERATIONS_SIMULATEDMACHINE_H
#define TSM_TESTS_OPERATIONS_SIMULATEDMACHINE_H

#include "detachtree.h"
#include "device.h"
#include "imxtransportsource.h"
#include "registration.h"
#include "system.h"
#include "tempmachine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <map>
#include <mutex>
#include <string>

namespace optest {

// Installs the registration set that the process's machines refresh with;
// only the first call has an effect, and a machine installs the start-up set
// when no set was installed before it.
inline void useRegistrationSet(void (*registerSet)())
{
    static std::once_flag s_registered;
    std::call_once(s_registered, registerSet);
}

class SimulatedMachine {
public:
    // From a description text, or from a file of sim/machines when the
    // text names one ("typical.xml").
    explicit SimulatedMachine(const std::string& description)
    {
        useRegistrationSet(&Operations::registerStartupOperations);
        describe(description);
    }
    ~SimulatedMachine()
    {
        schematest::detachChildren(Schema::System::instance());
        InfoMgr::discardRootClasses();
    }
    SimulatedMachine(const SimulatedMachine&) = delete;
    SimulatedMachine& operator=(const SimulatedMachine&) = delete;

    // Replaces the description; the next refresh sees the new machine.
    void describe(const std::string& description)
    {
        if (description.find('<') == std::string::npos)
            m_machine.useDescription(std::string(TSM_MACHINES_DIR) + "/" + description);
        else
            m_machine.writeDescription(description);
        // The library keeps the objects it found for the life of the process; a
        // changed machine is only seen by a fresh object tree.
        InfoMgr::discardRootClasses();
    }
    // Refreshes the tree root and returns it.
    Core::DevicePtr refresh()
    {
        const Core::DevicePtr pRoot = Schema::System::instance();
        pRoot->refresh();
        return pRoot;
    }

    const tsmtest::TempMachine& machine() const { return m_machine; }

private:
    tsmtest::TempMachine m_machine;
};

// Ends a death test's child: exit code 0 when the failure text is empty, else
// the text on standard error and code 1. std::exit runs no destructor of a
// local, so the child's machine must be gone before: its folder stays else.
[[noreturn]] inline void exitWithFailure(const std::string& failure)
{
    std::cerr << failure;
    std::exit(failure.empty() ? 0 : 1);
}

// The array controllers of the tree, depth first, and with them the one
// whose attribute holds the value (null when none or several).
inline Core::DeviceList controllers(const Core::DevicePtr& pRoot, const std::string& name = "",
                                    const std::string& value = "")
{
    Core::DeviceFinder finder(pRoot);
    finder.addCriterion("Type", "arraycontroller");
    if (!name.empty())
        finder.addCriterion(name, value);
    return finder.findDevices();
}
inline Core::DevicePtr controllerWith(const Core::DevicePtr& pRoot, const std::string& name, const std::string& value)
{
    const Core::DeviceList found = controllers(pRoot, name, value);
    return found.size() == 1 ? found.front() : Core::DevicePtr();
}

// The attribute's value, or "<none>" when the device lacks it.
inline std::string valueOf(const Core::DevicePtr& pDevice, const std::string& name)
{
    return pDevice->hasAttribute(name) ? pDevice->attribute(name) : std::string("<none>");
}

// A machine with one CISS controller of the given content, refreshed once;
// the controller is null unless exactly one internal controller was found.
struct OneController {
    SimulatedMachine machine;
    Core::DevicePtr pController;

    explicit OneController(const std::string& content) : machine(description(content)) { refresh(); }
    // Refreshes again, with the content given when there is one.
    void refresh(const std::string& content = "")
    {
        if (!content.empty())
            machine.describe(description(content));
        pController = controllerWith(machine.refresh(), "Location", "local");
    }
    // A whole description: port 0 holds the controller.
    static std::string description(const std::string& content)
    {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<machine>\n"
               "  <os major=\"5\" minor=\"0\" build=\"2195\" csd=\"Service Pack 4\" servicepack=\"4\"/>\n"
               "  <port number=\"0\" driver=\"ciss\">\n    <controller>\n" +
               content + "\n    </controller>\n  </port>\n</machine>\n";
    }
};

// Each named attribute holds its value, "<none>" for one the device lacks.
inline void expectAttributes(const Core::DevicePtr& pDevice, const std::map<std::string, std::string>& expected)
{
    for (const auto& [name, value] : expected)
        EXPECT_EQ(valueOf(pDevice, name), value) << name;
}

}

#endif

// The simulated machine of a test and the queries its tests share.
#include "simulatedmachine.h"

#include "detachtree.h"
#include "imxtransportsource.h"
#include "registration.h"
#include "system.h"

#include <gtest/gtest.h>

#include <mutex>

namespace optest {
namespace {

std::once_flag s_registered;

}

void useRegistrationSet(void (*registerSet)())
{
    std::call_once(s_registered, registerSet);
}

std::string machineDescription(const std::string& ports)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<machine>\n"
           "  <os major=\"5\" minor=\"0\" build=\"2195\" csd=\"Service Pack 4\" servicepack=\"4\"/>\n" +
           ports + "</machine>\n";
}

std::string port(unsigned number, const std::string& driver, const std::string& controllerContent,
                 const std::string& controllerAttributes)
{
    return "  <port number=\"" + std::to_string(number) + "\" driver=\"" + driver + "\">\n    <controller" +
           (controllerAttributes.empty() ? std::string() : " " + controllerAttributes) + ">\n" + controllerContent +
           "\n    </controller>\n  </port>\n";
}

SimulatedMachine::SimulatedMachine(const std::string& description)
{
    useRegistrationSet(&Operations::registerStartupOperations);
    describe(description);
}

SimulatedMachine::~SimulatedMachine()
{
    schematest::detachChildren(Schema::System::instance());
    InfoMgr::discardRootClasses();
}

void SimulatedMachine::describe(const std::string& description)
{
    if (description.find('<') == std::string::npos)
        m_machine.useDescription(std::string(TSM_MACHINES_DIR) + "/" + description);
    else
        m_machine.writeDescription(description);
    // The library keeps the objects it found for the life of the process; a
    // changed machine is only seen by a fresh object tree.
    InfoMgr::discardRootClasses();
}

Core::DevicePtr SimulatedMachine::refresh()
{
    const Core::DevicePtr pRoot = Schema::System::instance();
    pRoot->refresh();
    return pRoot;
}

Core::DeviceList controllers(const Core::DevicePtr& pRoot)
{
    Core::DeviceFinder finder(pRoot);
    finder.addCriterion("Type", "arraycontroller");
    return finder.findDevices();
}

Core::DevicePtr controllerWith(const Core::DevicePtr& pRoot, const std::string& name, const std::string& value)
{
    Core::DeviceFinder finder(pRoot);
    finder.addCriterion("Type", "arraycontroller");
    finder.addCriterion(name, value);
    const Core::DeviceList found = finder.findDevices();
    return found.size() == 1 ? found.front() : Core::DevicePtr();
}

std::string valueOf(const Core::DevicePtr& pDevice, const std::string& name)
{
    return pDevice->hasAttribute(name) ? pDevice->attribute(name) : std::string("<none>");
}

void expectAttributes(const Core::DevicePtr& pDevice, const std::map<std::string, std::string>& expected)
{
    for (const auto& [name, value] : expected)
        EXPECT_EQ(valueOf(pDevice, name), value) << name;
}

}

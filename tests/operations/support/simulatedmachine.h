// A device tree refreshed on a simulated machine described by the test: the
// operations of a registration set registered, the hardware library's objects found
// afresh, and the tree released when the test ends.
#ifndef TSM_TESTS_OPERATIONS_SIMULATEDMACHINE_H
#define TSM_TESTS_OPERATIONS_SIMULATEDMACHINE_H

#include "device.h"
#include "tempmachine.h"

#include <map>
#include <string>

namespace optest {

// A whole description around the given <port> elements.
std::string machineDescription(const std::string& ports);
// One port with one controller holding the given content.
std::string port(unsigned number, const std::string& driver, const std::string& controllerContent,
                 const std::string& controllerAttributes = std::string());

// Installs the registration set that the process's machines refresh with;
// only the first call has an effect, and a machine installs the start-up set
// when no set was installed before it.
void useRegistrationSet(void (*registerSet)());

class SimulatedMachine {
public:
    // From a description text, or from a file of sim/machines when the
    // text names one ("typical.xml").
    explicit SimulatedMachine(const std::string& description);
    ~SimulatedMachine();
    SimulatedMachine(const SimulatedMachine&) = delete;
    SimulatedMachine& operator=(const SimulatedMachine&) = delete;

    // Replaces the description; the next refresh sees the new machine.
    void describe(const std::string& description);
    // Refreshes the tree root and returns it.
    Core::DevicePtr refresh();

    const tsmtest::TempMachine& machine() const { return m_machine; }

private:
    tsmtest::TempMachine m_machine;
};

// The array controllers of the tree, depth first.
Core::DeviceList controllers(const Core::DevicePtr& pRoot);
// The one controller whose attribute holds the value; null when none or several.
Core::DevicePtr controllerWith(const Core::DevicePtr& pRoot, const std::string& name, const std::string& value);
// The attribute's value, or "<none>" when the device lacks it.
std::string valueOf(const Core::DevicePtr& pDevice, const std::string& name);
// Each named attribute holds its value, "<none>" for one the device lacks.
void expectAttributes(const Core::DevicePtr& pDevice, const std::map<std::string, std::string>& expected);

}

#endif

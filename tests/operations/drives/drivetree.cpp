// Finding and summarising drives in a refreshed tree.
#include "drivetree.h"

#include "registration.h"

namespace drivetest {

std::unique_ptr<optest::SimulatedMachine> DrivesMachineTest::s_pMachine;
Core::DevicePtr DrivesMachineTest::s_pRoot;

void DrivesMachineTest::SetUpTestSuite()
{
    optest::useRegistrationSet(&Operations::registerArraySet);
    s_pMachine = std::make_unique<optest::SimulatedMachine>("drives.xml");
    s_pRoot = s_pMachine->refresh();
}

void DrivesMachineTest::TearDownTestSuite()
{
    s_pRoot = Core::DevicePtr();
    s_pMachine.reset();
}

namespace {

std::string keyOf(const Core::DevicePtr& pDevice)
{
    const std::string type = optest::valueOf(pDevice, "Type");
    return optest::valueOf(pDevice, type == "array" ? "ArrayLetter" : type == "logicaldrive" ? "Number" : "DriveNumber");
}

void collect(const Core::DevicePtr& pDevice, const std::string& type, const std::string& key, Core::DeviceList& found)
{
    for (auto it = pDevice->beginChild(); it != pDevice->endChild(); ++it) {
        if (optest::valueOf(*it, "Type") == "arraycontroller")
            continue;
        if (optest::valueOf(*it, "Type") == type && keyOf(*it) == key)
            found.push_back(*it);
        collect(*it, type, key, found);
    }
}

}

Core::DevicePtr find(const Core::DevicePtr& pRoot, const std::string& firmware, const std::string& type,
                     const std::string& key)
{
    Core::DeviceList found;
    if (const Core::DevicePtr pController = optest::controllerWith(pRoot, "FirmwareVersion", firmware); pController.get())
        collect(pController, type, key, found);
    return found.size() == 1 ? found.front() : Core::DevicePtr();
}

std::string values(const Core::DevicePtr& pDevice, const std::vector<std::string>& names)
{
    std::string joined;
    for (const std::string& name : names)
        joined += (joined.empty() ? "" : "|") + (pDevice->hasAttribute(name) ? pDevice->attribute(name) : "-");
    return joined;
}

std::string tree(const Core::DevicePtr& pDevice)
{
    if (pDevice.get() == nullptr)
        return "<no device>";
    std::string summary;
    for (auto it = pDevice->beginChild(); it != pDevice->endChild(); ++it) {
        const std::string type = optest::valueOf(*it, "Type");
        const std::string role = optest::valueOf(*it, "DriveType");
        std::string part = type == "logicaldrive" ? "L" : type == "array" ? "" : role.substr(0, 1);
        part += keyOf(*it) + (type == "array" ? "(" + tree(*it) + ")" : "");
        if (type != "arraycontroller")
            summary += (summary.empty() ? "" : " ") + part;
    }
    return summary;
}

void expectRows(const Core::DevicePtr& pRoot, const char* pszType, const std::vector<std::string>& names,
                const std::vector<Row>& rows)
{
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.pszFirmware) + " " + pszType + " " + row.pszKey);
        const Core::DevicePtr pDevice = find(pRoot, row.pszFirmware, pszType, row.pszKey);
        ASSERT_NE(pDevice.get(), nullptr);
        EXPECT_EQ(values(pDevice, names), row.pszValues);
    }
}

}

// The drives machine refreshed once with the full registration set; the
// drives of a refreshed tree found by their controller's firmware version,
// their attributes and the arrays below a controller as one line.
#ifndef TSM_TESTS_OPERATIONS_DRIVETREE_H
#define TSM_TESTS_OPERATIONS_DRIVETREE_H

#include "registration.h"
#include "simulatedmachine.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace drivetest {

// The drives machine refreshed once with the full registration set.
class DrivesMachineTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        optest::useRegistrationSet(&Operations::registerArraySet);
        s_pMachine = std::make_unique<optest::SimulatedMachine>("drives.xml");
        s_pRoot = s_pMachine->refresh();
    }
    static void TearDownTestSuite()
    {
        s_pRoot = Core::DevicePtr();
        s_pMachine.reset();
    }
    static inline Core::DevicePtr s_pRoot;

private:
    static inline std::unique_ptr<optest::SimulatedMachine> s_pMachine;
};

// The attribute that numbers a device of that type.
inline std::string keyName(const std::string& type)
{
    return type == "array" ? "ArrayLetter" : type == "logicaldrive" ? "Number" : "DriveNumber";
}

// The one device below pParent whose "Type" is type and whose "Number"
// (logical drives), "DriveNumber" (physical drives) or "ArrayLetter" is key;
// null when there is none or several, or no parent.
inline Core::DevicePtr below(const Core::DevicePtr& pParent, const std::string& type, const std::string& key)
{
    if (pParent.get() == nullptr)
        return pParent;
    Core::DeviceFinder finder(pParent);
    finder.addCriterion("Type", type);
    finder.addCriterion(keyName(type), key);
    const Core::DeviceList found = finder.findDevices();
    return found.size() == 1 ? found.front() : Core::DevicePtr();
}

// The same below the controller with that firmware version.
inline Core::DevicePtr find(const Core::DevicePtr& pRoot, const std::string& firmware, const std::string& type,
                            const std::string& key)
{
    return below(optest::controllerWith(pRoot, "FirmwareVersion", firmware), type, key);
}

// The values of the named attributes joined by "|", "-" for a missing one.
inline std::string values(const Core::DevicePtr& pDevice, const std::vector<std::string>& names)
{
    std::string joined;
    for (const std::string& name : names)
        joined += (joined.empty() ? "" : "|") + (pDevice->hasAttribute(name) ? pDevice->attribute(name) : "-");
    return joined;
}

// The children of a device in attach order: "A(L0 d0 s7)" for an array with
// logical drive 0, data drive 0 and spare drive 7, "u19" for an unassigned
// drive, "L3" for a logical drive of the controller itself.
inline std::string tree(const Core::DevicePtr& pDevice)
{
    if (pDevice.get() == nullptr)
        return "<no device>";
    std::string summary;
    for (auto it = pDevice->beginChild(); it != pDevice->endChild(); ++it) {
        const std::string type = optest::valueOf(*it, "Type");
        const std::string role = optest::valueOf(*it, "DriveType");
        std::string part = type == "logicaldrive" ? "L" : type == "array" ? "" : role.substr(0, 1);
        part += optest::valueOf(*it, keyName(type)) + (type == "array" ? "(" + tree(*it) + ")" : "");
        if (type != "arraycontroller")
            summary += (summary.empty() ? "" : " ") + part;
    }
    return summary;
}

// Rows of a table: controller firmware, number, the attribute values.
inline void expectRows(const Core::DevicePtr& pRoot, const char* pszType, const std::vector<std::string>& names,
                       const std::vector<std::array<const char*, 3>>& rows)
{
    for (const auto& [pszFirmware, pszKey, pszValues] : rows) {
        SCOPED_TRACE(std::string(pszFirmware) + " " + pszType + " " + pszKey);
        const Core::DevicePtr pDevice = find(pRoot, pszFirmware, pszType, pszKey);
        ASSERT_NE(pDevice.get(), nullptr);
        EXPECT_EQ(values(pDevice, names), pszValues);
    }
}

}

#endif

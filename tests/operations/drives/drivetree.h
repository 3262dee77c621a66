// The drives of a refreshed tree found by their controller's firmware
// version, their attributes and the arrays below a controller as one line.
#ifndef TSM_TESTS_OPERATIONS_DRIVETREE_H
#define TSM_TESTS_OPERATIONS_DRIVETREE_H

#include "simulatedmachine.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace drivetest {

// The drives machine refreshed once with the full registration set.
class DrivesMachineTest : public testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    static Core::DevicePtr s_pRoot;

private:
    static std::unique_ptr<optest::SimulatedMachine> s_pMachine;
};

// The one device of the controller with that firmware version (not of the
// controllers behind it) whose "Type" is type and whose "Number" (logical
// drives), "DriveNumber" (physical drives) or "ArrayLetter" is key.
Core::DevicePtr find(const Core::DevicePtr& pRoot, const std::string& firmware, const std::string& type,
                     const std::string& key);
// The values of the named attributes joined by "|", "-" for a missing one.
std::string values(const Core::DevicePtr& pDevice, const std::vector<std::string>& names);
// The children of a device in attach order: "A(L0 d0 s7)" for an array with
// logical drive 0, data drive 0 and spare drive 7, "u19" for an unassigned
// drive, "L3" for a logical drive of the controller itself.
std::string tree(const Core::DevicePtr& pDevice);

// Rows of a table: controller firmware, number, the attribute values.
struct Row {
    const char* pszFirmware;
    const char* pszKey;
    const char* pszValues;
};
void expectRows(const Core::DevicePtr& pRoot, const char* pszType, const std::vector<std::string>& names,
                const std::vector<Row>& rows);

}

#endif

// A scenario: one machine description and the steps it goes through, each
// step a few changes to the machine as the step before left it.
#ifndef TSM_SIMCTL_SCENARIO_H
#define TSM_SIMCTL_SCENARIO_H

#include <sim/node.h>

#include <ostream>
#include <string>
#include <vector>

namespace simctl {

struct ScenarioStep {
    std::string name;
    unsigned minutes = 1; // how long the machine stays in this step
};

// Reads a scenario file and applies each step's changes in turn, checking
// every step's machine; false with "<file>:<line>: <problem>" when a step
// names an element that does not exist or its machine would be refused.
// The whole description of the step wanted (its name, or its number from
// 1) goes to *pMachine when that is given; a step not found is refused.
bool readScenario(const std::string& path, std::vector<ScenarioStep>& steps, std::string& error,
                  const std::string& wanted = "", sim::Node* pMachine = nullptr);

// The description as XML text, without the id attributes steps refer to.
std::string descriptionText(const sim::Node& machine);

// "simctl steps": one line per step, number, name and minutes.
bool listSteps(const std::string& path, std::ostream& out, std::ostream& errors);

// "simctl step": writes the step (its number from 1 or its name) as the
// description of the machine named by TSM_MACHINE, replacing it whole.
bool useStep(const std::string& path, const std::string& step, std::ostream& errors);

} // namespace simctl

#endif

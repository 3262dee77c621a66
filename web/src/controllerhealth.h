// The health of an array controller as the page's refresh left it: its
// controller, cache, battery and redundancy status and its firmware version,
// each read from the controller's attributes with a state that says whether
// it needs attention.
#ifndef TSM_WEB_CONTROLLERHEALTH_H
#define TSM_WEB_CONTROLLERHEALTH_H

#include "device.h"

#include <string>
#include <vector>

namespace Web {

// eABSENT: the fact does not apply (no cache board, no battery pack, a
// controller without a redundant partner). eUNKNOWN: the controller did not
// report it, which is never taken for OK.
enum class FactState { eOK, eATTENTION, eUNKNOWN, eABSENT };

struct HealthFact {
    FactState eState = FactState::eUNKNOWN;
    std::string value; // the attribute's text; "" when it is missing
};

struct ControllerHealth {
    // What identifies the controller's Device element in the page data.
    std::string modelTag;
    std::string instanceName;
    std::string instanceValue;
    // Model name and where the controller is: "... in Slot 3", "... at <box>".
    std::string fullName;
    HealthFact controller;
    HealthFact cache;
    HealthFact battery;
    std::string batteryPacks;
    HealthFact redundancy;
    HealthFact firmware;
};

// Copies the facts out of the controller; it keeps no reference to it.
ControllerHealth ReadControllerHealth(const Core::Device& controller);
// The same for each controller, in order.
std::vector<ControllerHealth> ReadControllerHealth(const Core::DeviceList& controllers);

}

#endif

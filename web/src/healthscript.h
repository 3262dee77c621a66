// The page's health data: one script statement assigning vxaHealth.
#ifndef TSM_WEB_HEALTHSCRIPT_H
#define TSM_WEB_HEALTHSCRIPT_H

#include "controllerhealth.h"

#include <string>
#include <vector>

namespace Web {

// vxaHealth = {"controllers":[...]}; with one object per controller, in the
// order of the discovery document's controllers. Every text is a string
// literal in plain ASCII that neither ends the literal nor the page's script
// element, whatever bytes the controller reported.
std::string HealthScript(const std::vector<ControllerHealth>& controllers);

}

#endif

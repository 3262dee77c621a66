// Application: the agent's names and its start and stop.
#include "application.h"

std::string Application::name() const { return "Tarvion Storage Manager"; }

std::string Application::description() const { return "Common access to Tarvion Storage Applications"; }

std::string Application::dependencies() const { return std::string(); }

bool Application::startup()
{
    // The web front starts here; until it exists the service just runs.
    return true;
}

void Application::shutdown()
{
    // The web front stops here.
}

Application::~Application() = default;

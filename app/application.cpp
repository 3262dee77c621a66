// Application: the agent's names and its start and stop.
#include "application.h"

#include "webhost.h"

std::string Application::name() const
{
    return "Tarvion Storage Manager";
}

std::string Application::description() const
{
    return "Common access to Tarvion Storage Applications";
}

std::string Application::dependencies() const
{
    return std::string();
}

bool Application::startup()
{
    return Web::WebHost::instance().startup();
}

void Application::shutdown()
{
    Web::WebHost::instance().shutdown();
}

Application::~Application() = default;

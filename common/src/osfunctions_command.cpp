// ServiceCommand: the console side of the service actions, with the messages
// written to standard error and the exit code of the process.
#include "osfunctions.h"
#include "tsm/neverdestroyed.h"

#include <iostream>

namespace {

// The one service object of the process; created on first use and kept until
// the process ends, since the dispatcher's callbacks reach it through
// NTService::instance().
ApplicationService& serviceObject(const CountedPtr<ServiceApplication>& pApplication)
{
    static tsm::NeverDestroyed<ApplicationService> service(pApplication);
    return service.get();
}

void message(const std::string& line)
{
    std::cerr << line << std::endl;
}

// The system text of the failed step, if the system has one.
void systemText(DWORD dwError)
{
    const std::string text = systemMessageText(dwError);
    if (!text.empty())
        message(text);
}

int failure(const std::string& line, DWORD dwError)
{
    message(line);
    systemText(dwError);
    return static_cast<int>(dwError);
}

int install(NTService& service, const std::string& name)
{
    if (!service.Install())
        return failure(name + " could not be installed.", service.lastError());
    message(name + " installed.");
    return 0;
}

int start(NTService& service, const std::string& name)
{
    if (!service.Start())
        return failure(name + " could not be started.", service.lastError());
    message(name + " started.");
    return 0;
}

int stop(NTService& service, const std::string& name)
{
    if (!service.Stop())
        return failure(name + " could not be stopped.", service.lastError());
    message(name + " stopped.");
    return 0;
}

int uninstall(NTService& service, const std::string& name)
{
    if (service.IsInstalled() && !service.IsStopped()) {
        message(name + " is not stopped.");
        message("Stop the service before uninstalling it.");
        return 0;
    }
    if (!service.Uninstall())
        return failure(name + " could not be uninstalled.", service.lastError());
    message(name + " uninstalled.");
    message("You must delete the file (" + executablePath() + ") yourself.");
    return 0;
}

} // namespace

int ServiceCommand(int iAction, const CountedPtr<ServiceApplication>& pApplication)
{
    ApplicationService& service = serviceObject(pApplication);
    const std::string name = pApplication->name();
    switch (iAction) {
    case eINSTALL:
        return install(service, name);
    case eRUN_AS_SERVICE:
        service.StartDispatcher();
        return 0;
    case eSTART:
        return start(service, name);
    case eSTOP:
        return stop(service, name);
    case eUNINSTALL:
        return uninstall(service, name);
    default:
        return 0;
    }
}

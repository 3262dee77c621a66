// ServiceApplication: what the service framework needs of the program it runs
// (its names and its start and stop). The agent's Application implements it.
#ifndef TSM_SERVICEAPPLICATION_H
#define TSM_SERVICEAPPLICATION_H

#include <string>

class ServiceApplication {
public:
    // Service name, display name, event source and console message prefix.
    virtual std::string name() const = 0;
    // The service description shown by the service control manager.
    virtual std::string description() const = 0;
    // The services this one depends on, as one text (empty: none).
    virtual std::string dependencies() const = 0;
    // Starts the program's work inside the service; false if it cannot.
    virtual bool startup() = 0;
    // Stops what startup started.
    virtual void shutdown() = 0;
    virtual ~ServiceApplication() = default;
};

#endif

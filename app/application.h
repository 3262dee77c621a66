// Application: the one object that names the agent and starts and stops its
// web front inside the service.
#ifndef TSM_APP_APPLICATION_H
#define TSM_APP_APPLICATION_H

#include "serviceapplication.h"

#include <string>

class Application : public ServiceApplication {
public:
    std::string name() const override;
    std::string description() const override;
    std::string dependencies() const override;
    bool startup() override;
    void shutdown() override;
    ~Application() override;
};

#endif

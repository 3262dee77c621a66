// ApplicationService: the service that runs a ServiceApplication until the
// stop control arrives.
#ifndef TSM_OSFUNCTIONS_APPSERVICE_H
#define TSM_OSFUNCTIONS_APPSERVICE_H

#include "countedptr.h"
#include "osfunctions_ntservice.h"
#include "serviceapplication.h"

#include <atomic>

class ApplicationService : public NTService {
public:
    explicit ApplicationService(const CountedPtr<ServiceApplication>& pApplication);
    ~ApplicationService() override;

protected:
    // Starts the application, waits for the stop control, shuts it down.
    void Run() override;
    // Hands the stop over to the service thread waiting in Run.
    void OnStop() override;

private:
    std::atomic<HANDLE> m_hDoneEvent;
    CountedPtr<ServiceApplication> m_pApplication;
};

#endif

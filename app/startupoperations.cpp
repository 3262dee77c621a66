// Registration of the operations the agent runs from start-up on.
#include "startupoperations.h"

#include "registration.h"

void registerStartupOperations()
{
    // Adapter and internal controller discovery on the root, external
    // controller discovery on controllers and adapters, then controller
    // information; nothing else runs in the agent.
    Operations::registerStartupOperations();
}

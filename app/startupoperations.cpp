// Registration of the operations the agent runs from start-up on.
#include "startupoperations.h"

void registerStartupOperations()
{
    // The discovery and read operations register here.
}

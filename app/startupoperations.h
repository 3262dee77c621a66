// Registration of the operations the agent runs from start-up on.
#ifndef TSM_APP_STARTUPOPERATIONS_H
#define TSM_APP_STARTUPOPERATIONS_H

// Registers the start-up operations with the per-kind operation registries.
void registerStartupOperations();

#endif

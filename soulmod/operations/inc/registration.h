// Registration of the operations with the per-kind registries at start-up.
#ifndef TSM_OPERATIONS_REGISTRATION_H
#define TSM_OPERATIONS_REGISTRATION_H

namespace Operations {

// Controller and adapter discovery and controller information: what the
// agent runs.
void registerStartupOperations();
// The start-up set plus logical drive discovery and information.
void registerLogicalDriveSet();
// The start-up set plus arrays, their logical and physical drives and the
// information of both kinds of drive.
void registerArraySet();

}

#endif

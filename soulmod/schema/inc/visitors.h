// The per-kind visitor interfaces through which operations reach each device
// kind, and the dispatch every kind's accept shares.
#ifndef TSM_SCHEMA_VISITORS_H
#define TSM_SCHEMA_VISITORS_H

#include "countedptr.h"
#include "devicevisitor.h"
#include "status.h"

namespace Schema {

class System;
class HostBusAdapter;
class ArrayController;
class Array;
class LogicalDrive;
class PhysicalDrive;

class SystemVisitor {
public:
    virtual CountedPtr<Core::Status> visit(System& device) = 0;

protected:
    ~SystemVisitor() = default;
};

class HostBusAdapterVisitor {
public:
    virtual CountedPtr<Core::Status> visit(HostBusAdapter& device) = 0;

protected:
    ~HostBusAdapterVisitor() = default;
};

class ArrayControllerVisitor {
public:
    virtual CountedPtr<Core::Status> visit(ArrayController& device) = 0;

protected:
    ~ArrayControllerVisitor() = default;
};

class ArrayVisitor {
public:
    virtual CountedPtr<Core::Status> visit(Array& device) = 0;

protected:
    ~ArrayVisitor() = default;
};

class LogicalDriveVisitor {
public:
    virtual CountedPtr<Core::Status> visit(LogicalDrive& device) = 0;

protected:
    ~LogicalDriveVisitor() = default;
};

class PhysicalDriveVisitor {
public:
    virtual CountedPtr<Core::Status> visit(PhysicalDrive& device) = 0;

protected:
    ~PhysicalDriveVisitor() = default;
};

// Dispatches to the kind's visitor interface when the visitor implements it;
// otherwise the operation does not apply to this kind.
template <class KindVisitor, class Kind>
CountedPtr<Core::Status> dispatchVisit(Core::DeviceVisitor& visitor, Kind& device)
{
    CountedPtr<Core::Status> pResult(new Core::Status(Core::Status::eNOTAPPLICABLE));
    if (auto* pKindVisitor = dynamic_cast<KindVisitor*>(&visitor))
        pResult = pKindVisitor->visit(device);
    return pResult;
}

}

#endif

// Reads a physical drive's position, capacity, identity and transfer mode by
// having its controller identify it.
#ifndef TSM_OPERATIONS_READPHYSICALDRIVEINFO_H
#define TSM_OPERATIONS_READPHYSICALDRIVEINFO_H

#include "csign.h"
#include "deviceoperation.h"
#include "schemakinds.h"

namespace Operations {

class ReadPhysicalDriveInfo : public Schema::PhysicalDriveVisitor,
                              public Core::DeviceOperation,
                              public Core::AttributePublisher {
public:
    ReadPhysicalDriveInfo();
    ~ReadPhysicalDriveInfo() override;

    bool isInvariant() const override;
    CountedPtr<Core::Status> visit(Schema::PhysicalDrive& drive) override;

protected:
    std::string doName() const override;
    eType doType() const override;

private:
    CSignature m_bSignature;
};

}

#endif

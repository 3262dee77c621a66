// Reads a logical drive's properties with drive commands through its controller.
#ifndef TSM_OPERATIONS_READLOGICALDRIVEINFO_H
#define TSM_OPERATIONS_READLOGICALDRIVEINFO_H

#include "csign.h"
#include "deviceoperation.h"
#include "schemakinds.h"

namespace Operations {

class ReadLogicalDriveInfo : public Schema::LogicalDriveVisitor,
                             public Core::DeviceOperation,
                             public Core::AttributePublisher {
public:
    ReadLogicalDriveInfo();
    ~ReadLogicalDriveInfo() override;

    bool isInvariant() const override;
    CountedPtr<Core::Status> visit(Schema::LogicalDrive& drive) override;

protected:
    std::string doName() const override;
    eType doType() const override;

private:
    CSignature m_bSignature;
};

}

#endif

// LogicalDrive: a logical drive of a controller or remote controller.
#ifndef TSM_INFOMGRNT_IMXLOGICALDRIVE_H
#define TSM_INFOMGRNT_IMXLOGICALDRIVE_H

#include "imxschemaobject.h"

#include <memory>

namespace InfoMgr {

class LogicalDrive : public InfoMgrSchemaObject {
public:
    // Takes the drive's record (a LogicalDriveEssentialData).
    explicit LogicalDrive(std::unique_ptr<SchemaObjectEssentialData> pEssentialData);
    ~LogicalDrive() override;

    bool isInvariant() const override;

protected:
    std::uint32_t doSendCommand(std::uint32_t dwRequestType, std::uint32_t dwDirection, void* pRequest,
                                std::uint32_t dwRequestSize) override;
    bool doIsSameObject(const InfoMgrSchemaObject& other) const override;
    // A drive has no children.
    void doDiscoverChildren(INFOMGR_OBJECT_TYPE eChildType) override;
    const SchemaObjectEssentialData* doEssentialData() const override;

private:
    std::uint8_t driveNumber() const;

    CSignature m_bSignature;
    std::unique_ptr<SchemaObjectEssentialData> m_pEssentialData;
};

}

#endif

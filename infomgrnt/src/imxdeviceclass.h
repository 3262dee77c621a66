// DeviceClass: base of the two root classes, which find the controllers or
// adapters of the machine once and keep them.
#ifndef TSM_INFOMGRNT_IMXDEVICECLASS_H
#define TSM_INFOMGRNT_IMXDEVICECLASS_H

#include "imxschemaobject.h"

namespace InfoMgr {

class DeviceClass : public InfoMgrSchemaObject {
public:
    ~DeviceClass() override;

    bool isInvariant() const override;
    // Kept for the shape of the class; nothing calls it.
    std::uint32_t reservedOperation7();

protected:
    DeviceClass() = default;

    // Remote devices are never children of a root class.
    std::uint32_t doGetChild(INFOMGR_OBJECT_TYPE eChildType, std::uint32_t dwIndex, INFOMGR_HANDLE* phChild) override;
    // A root is compared with nothing but itself.
    bool doIsSameObject(const InfoMgrSchemaObject& other) const override;
    // One scan finds all children of a root, whatever type was asked for.
    INFOMGR_OBJECT_TYPE doDiscoveryScope(INFOMGR_OBJECT_TYPE eChildType) const override;

    // Scans with the transport of each command type in turn, appending the
    // controller records to one list.
    static EssentialDataList scanControllers(std::initializer_list<CommandType> commandTypes);

private:
    CSignature m_bSignature;
};

}

#endif

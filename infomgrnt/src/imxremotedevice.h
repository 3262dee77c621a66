// RemoteDevice: an array controller reached through another controller or an
// adapter, with its own logical and physical drives.
#ifndef TSM_INFOMGRNT_IMXREMOTEDEVICE_H
#define TSM_INFOMGRNT_IMXREMOTEDEVICE_H

#include "imxschemaobject.h"

#include <memory>
#include <string>

namespace InfoMgr {

class RemoteDevice : public InfoMgrSchemaObject {
public:
    // Takes the remote-device record and reads the controller's name.
    explicit RemoteDevice(std::unique_ptr<SchemaObjectEssentialData> pEssentialData);
    ~RemoteDevice() override;

    bool isInvariant() const override;

protected:
    std::uint32_t doGetInfo(std::uint32_t dwKind, void* pBuffer, std::uint32_t* pdwSize) override;
    std::uint32_t doSendCommand(std::uint32_t dwRequestType, std::uint32_t dwDirection, void* pRequest,
                                std::uint32_t dwRequestSize) override;
    bool doIsSameObject(const InfoMgrSchemaObject& other) const override;
    void doMergeDuplicate(InfoMgrSchemaObject& duplicate) override;
    void doDiscoverChildren(INFOMGR_OBJECT_TYPE eChildType) override;
    const SchemaObjectEssentialData* doEssentialData() const override;
    std::string doNameText() const override;

private:
    bool isOnFibreChannel() const;

    CSignature m_bSignature;
    std::unique_ptr<SchemaObjectEssentialData> m_pEssentialData;
    std::string m_name;
};

}

#endif

// The array controller objects, one class per command type: CissDevice,
// I2ODevice and LegacyDevice. They differ only in the byte order of their
// BMIC detail values and in whether they have remote controllers behind them
// (CISS only), so one template makes all three; each is still a class of its
// own deriving directly from InfoMgrSchemaObject.
#ifndef TSM_INFOMGRNT_IMXCONTROLLERDEVICE_H
#define TSM_INFOMGRNT_IMXCONTROLLERDEVICE_H

#include "imxschemaobject.h"

#include <memory>
#include <string>

namespace InfoMgr {

template <CommandType kCommandType>
class ControllerDevice final : public InfoMgrSchemaObject {
public:
    // Takes the controller record and reads the controller's name.
    explicit ControllerDevice(std::unique_ptr<SchemaObjectEssentialData> pEssentialData);
    ~ControllerDevice() override;

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
    CSignature m_bSignature;
    std::unique_ptr<SchemaObjectEssentialData> m_pEssentialData;
    std::string m_name;
};

using CissDevice = ControllerDevice<eCSMI_CISS>;
using I2ODevice = ControllerDevice<eCSMI_I2O>;
using LegacyDevice = ControllerDevice<eLEGACY>;

extern template class ControllerDevice<eCSMI_CISS>;
extern template class ControllerDevice<eCSMI_I2O>;
extern template class ControllerDevice<eLEGACY>;

}

#endif

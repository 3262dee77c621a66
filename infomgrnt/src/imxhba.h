// HBA: a Fibre Channel host bus adapter and the remote controllers behind it.
#ifndef TSM_INFOMGRNT_IMXHBA_H
#define TSM_INFOMGRNT_IMXHBA_H

#include "imxschemaobject.h"

#include <memory>
#include <string>

namespace InfoMgr {

class HBA : public InfoMgrSchemaObject {
public:
    // Takes the adapter record; its serial-number text is the adapter's name.
    explicit HBA(std::unique_ptr<SchemaObjectEssentialData> pEssentialData);
    ~HBA() override;

    bool isInvariant() const override;

protected:
    std::uint32_t doGetInfo(std::uint32_t dwKind, void* pBuffer, std::uint32_t* pdwSize) override;
    std::uint32_t doSendCommand(std::uint32_t dwRequestType, std::uint32_t dwDirection, void* pRequest,
                                std::uint32_t dwRequestSize) override;
    bool doIsSameObject(const InfoMgrSchemaObject& other) const override;
    void doDiscoverChildren(INFOMGR_OBJECT_TYPE deviceType) override;
    const SchemaObjectEssentialData* doEssentialData() const override;
    std::string doNameText() const override;

private:
    CSignature m_bSignature;
    std::unique_ptr<SchemaObjectEssentialData> m_pEssentialData;
    std::string m_name;
};

}

#endif

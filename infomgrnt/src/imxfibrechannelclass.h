// FibreChannelClass: the root of the Fibre Channel host bus adapters.
#ifndef TSM_INFOMGRNT_IMXFIBRECHANNELCLASS_H
#define TSM_INFOMGRNT_IMXFIBRECHANNELCLASS_H

#include "imxdeviceclass.h"

namespace InfoMgr {

class FibreChannelClass : public DeviceClass {
public:
    FibreChannelClass();
    ~FibreChannelClass() override;

    bool isInvariant() const override;

protected:
    void doDiscoverChildren(INFOMGR_OBJECT_TYPE eChildType) override;

private:
    CSignature m_bSignature;
};

}

#endif

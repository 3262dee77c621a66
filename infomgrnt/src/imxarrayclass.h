// ArrayClass: the root of the array controllers (CISS, legacy and I2O).
#ifndef TSM_INFOMGRNT_IMXARRAYCLASS_H
#define TSM_INFOMGRNT_IMXARRAYCLASS_H

#include "imxdeviceclass.h"

namespace InfoMgr {

class ArrayClass : public DeviceClass {
public:
    ArrayClass();
    ~ArrayClass() override;

    bool isInvariant() const override;

protected:
    void doDiscoverChildren(INFOMGR_OBJECT_TYPE eChildType) override;

private:
    CSignature m_bSignature;
};

}

#endif

// FibreChannelClass: finds the host bus adapters of the Fibre Channel transport.
#include "imxfibrechannelclass.h"

#include "checkassert.h"
#include "imxhba.h"

#include <memory>
#include <utility>

namespace InfoMgr {

FibreChannelClass::FibreChannelClass()
{
    TSM_ASSERT_INVARIANT();
}

FibreChannelClass::~FibreChannelClass() = default;

bool FibreChannelClass::isInvariant() const
{
    return m_bSignature.isValid() && DeviceClass::isInvariant();
}

void FibreChannelClass::doDiscoverChildren(INFOMGR_OBJECT_TYPE)
{
    EssentialDataList records = scanControllers({eCSMI_FIBRE});
    for (auto citer = records.begin(); citer != records.end(); ++citer) {
        if (!*citer || (*citer)->eObjectType() != eOBJECT_CONTROLLER)
            continue;
        TSM_ASSERT_TEXT((*citer)->eCommandType() == eCSMI_FIBRE, "(*citer)->eCommandType() == eCSMI_FIBRE");
        addChild(eOBJECT_CONTROLLER, std::make_unique<HBA>(std::move(*citer)));
    }
}

}

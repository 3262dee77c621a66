// ArrayClass: finds the array controllers of every internal transport.
#include "imxarrayclass.h"

#include "checkassert.h"
#include "imxcontrollerdevice.h"

#include <memory>
#include <utility>

namespace InfoMgr {
namespace {

std::unique_ptr<InfoMgrSchemaObject> makeController(std::unique_ptr<SchemaObjectEssentialData> pRecord)
{
    switch (pRecord->eCommandType()) {
    case eCSMI_CISS:
        return std::make_unique<CissDevice>(std::move(pRecord));
    case eCSMI_I2O:
        return std::make_unique<I2ODevice>(std::move(pRecord));
    case eLEGACY:
        return std::make_unique<LegacyDevice>(std::move(pRecord));
    default:
        return nullptr;
    }
}

}

ArrayClass::ArrayClass()
{
    TSM_ASSERT_INVARIANT();
}

ArrayClass::~ArrayClass() = default;

bool ArrayClass::isInvariant() const
{
    return m_bSignature.isValid() && DeviceClass::isInvariant();
}

void ArrayClass::doDiscoverChildren(INFOMGR_OBJECT_TYPE)
{
    EssentialDataList records = scanControllers({eCSMI_CISS, eLEGACY, eCSMI_I2O});
    for (auto citer = records.begin(); citer != records.end(); ++citer) {
        if (!*citer || (*citer)->eObjectType() != eOBJECT_CONTROLLER)
            continue;
        TSM_ASSERT_TEXT((*citer)->eCommandType() == eCSMI_I2O || (*citer)->eCommandType() == eCSMI_CISS ||
                            (*citer)->eCommandType() == eLEGACY,
                        "(*citer)->eCommandType() == eCSMI_I2O || (*citer)->eCommandType() == eCSMI_CISS || "
                        "(*citer)->eCommandType() == eLEGACY");
        addChild(eOBJECT_CONTROLLER, makeController(std::move(*citer)));
    }
}

}

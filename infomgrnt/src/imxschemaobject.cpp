// Hardware objects: handle registry, child walk and duplicate merging.
#include "imxschemaobject.h"

#include "checkassert.h"
#include "imxobjectrequests.h"

#include <utility>

namespace InfoMgr {

HandleRegistry& HandleRegistry::instance()
{
    static HandleRegistry registry;
    return registry;
}

INFOMGR_HANDLE HandleRegistry::enter(InfoMgrSchemaObject* pObject)
{
    TSM_ASSERT(pObject != nullptr);
    // Skip 0 (no object) should the counter ever wrap.
    if (m_hNext == kNullHandle)
        ++m_hNext;
    const INFOMGR_HANDLE hObject = m_hNext++;
    m_objects.emplace(hObject, pObject);
    return hObject;
}

void HandleRegistry::leave(INFOMGR_HANDLE hObject)
{
    m_objects.erase(hObject);
}

InfoMgrSchemaObject* HandleRegistry::find(INFOMGR_HANDLE hObject) const
{
    const auto found = m_objects.find(hObject);
    return found == m_objects.end() ? nullptr : found->second;
}

bool HandleRegistry::isValidHandle(const InfoMgrSchemaObject* pObject) const
{
    if (pObject == nullptr)
        return false;
    const auto found = m_objects.find(pObject->handle());
    return found != m_objects.end() && found->second == pObject;
}

InfoMgrSchemaObject::InfoMgrSchemaObject() : m_hObject(HandleRegistry::instance().enter(this))
{
}

InfoMgrSchemaObject::~InfoMgrSchemaObject()
{
    HandleRegistry& registry = HandleRegistry::instance();
    TSM_ASSERT_TEXT(registry.isValidHandle(this), "isValidHandle(this)");
    // Children go first, while this object is still registered.
    m_children.clear();
    registry.leave(m_hObject);
}

bool InfoMgrSchemaObject::isInvariant() const
{
    return m_bSignature.isValid();
}

INFOMGR_HANDLE InfoMgrSchemaObject::handle() const
{
    return m_hObject;
}

const SchemaObjectEssentialData* InfoMgrSchemaObject::essentialData() const
{
    TSM_ASSERT_INVARIANT();
    return doEssentialData();
}

std::string InfoMgrSchemaObject::nameText() const
{
    TSM_ASSERT_INVARIANT();
    return doNameText();
}

const SchemaObjectEssentialData* InfoMgrSchemaObject::doEssentialData() const
{
    return nullptr;
}

std::string InfoMgrSchemaObject::doNameText() const
{
    return {};
}

std::uint32_t InfoMgrSchemaObject::reservedOperation1()
{
    TSM_ASSERT_INVARIANT();
    return kResultNotSupported;
}

std::uint32_t InfoMgrSchemaObject::reservedOperation2()
{
    TSM_ASSERT_INVARIANT();
    return kResultNotSupported;
}

std::uint32_t InfoMgrSchemaObject::reservedOperation3()
{
    TSM_ASSERT_INVARIANT();
    return kResultNotSupported;
}

std::uint32_t InfoMgrSchemaObject::reservedOperation4()
{
    TSM_ASSERT_INVARIANT();
    return kResultNotSupported;
}

std::uint32_t InfoMgrSchemaObject::reservedOperation5()
{
    TSM_ASSERT_INVARIANT();
    return kResultNotSupported;
}

std::uint32_t InfoMgrSchemaObject::reservedOperation6()
{
    TSM_ASSERT_INVARIANT();
    return kResultNotSupported;
}

std::uint32_t InfoMgrSchemaObject::open()
{
    TSM_ASSERT_INVARIANT();
    return kResultOk;
}

std::uint32_t InfoMgrSchemaObject::close()
{
    // Closing keeps the object and everything found below it.
    TSM_ASSERT_INVARIANT();
    return kResultOk;
}

std::uint32_t InfoMgrSchemaObject::getChild(INFOMGR_OBJECT_TYPE eChildType, std::uint32_t dwIndex,
                                            INFOMGR_HANDLE* phChild)
{
    TSM_ASSERT_INVARIANT();
    TSM_ASSERT(phChild != nullptr);
    if (m_discovered.insert(doDiscoveryScope(eChildType)).second)
        discoverChildren(eChildType);
    *phChild = kNullHandle;
    const std::uint32_t dwResult = doGetChild(eChildType, dwIndex, phChild);
    TSM_ASSERT_INVARIANT();
    return dwResult;
}

std::uint32_t InfoMgrSchemaObject::doGetChild(INFOMGR_OBJECT_TYPE eChildType, std::uint32_t dwIndex,
                                              INFOMGR_HANDLE* phChild)
{
    const auto found = m_children.find(eChildType);
    if (found == m_children.end())
        return kResultUnknownType;
    if (dwIndex >= found->second.size())
        return kResultNoChild;
    *phChild = found->second[dwIndex]->handle();
    return kResultOk;
}

std::uint32_t InfoMgrSchemaObject::getInfo(std::uint32_t dwKind, void* pBuffer, std::uint32_t* pdwSize)
{
    TSM_ASSERT_INVARIANT();
    TSM_ASSERT(pBuffer != nullptr && pdwSize != nullptr);
    const std::uint32_t dwResult = doGetInfo(dwKind, pBuffer, pdwSize);
    TSM_ASSERT_INVARIANT();
    return dwResult;
}

std::uint32_t InfoMgrSchemaObject::doGetInfo(std::uint32_t dwKind, void*, std::uint32_t*)
{
    // Kind 3 belongs to the base object, which does not support it; every
    // other kind the object did not answer is unknown here.
    constexpr std::uint32_t kInfoBaseKind = 3;
    return dwKind == kInfoBaseKind ? kResultNotSupported : kResultUnknownType;
}

std::uint32_t InfoMgrSchemaObject::sendCommand(std::uint32_t dwRequestType, std::uint32_t dwDirection, void* pRequest,
                                               std::uint32_t dwRequestSize)
{
    TSM_ASSERT_INVARIANT();
    const std::uint32_t dwResult = doSendCommand(dwRequestType, dwDirection, pRequest, dwRequestSize);
    TSM_ASSERT_INVARIANT();
    return dwResult;
}

std::uint32_t InfoMgrSchemaObject::doSendCommand(std::uint32_t, std::uint32_t, void*, std::uint32_t)
{
    return kResultNotSupported;
}

bool InfoMgrSchemaObject::isSameObject(const InfoMgrSchemaObject& other) const
{
    TSM_ASSERT_INVARIANT();
    return doIsSameObject(other);
}

void InfoMgrSchemaObject::mergeDuplicate(InfoMgrSchemaObject& duplicate)
{
    TSM_ASSERT_INVARIANT();
    TSM_ASSERT_TEXT(duplicate.isInvariant(), "duplicate.isInvariant()");
    doMergeDuplicate(duplicate);
    TSM_ASSERT_INVARIANT();
}

void InfoMgrSchemaObject::doMergeDuplicate(InfoMgrSchemaObject&)
{
}

void InfoMgrSchemaObject::discoverChildren(INFOMGR_OBJECT_TYPE eChildType)
{
    TSM_ASSERT_INVARIANT();
    doDiscoverChildren(eChildType);
    TSM_ASSERT_INVARIANT();
}

INFOMGR_OBJECT_TYPE InfoMgrSchemaObject::doDiscoveryScope(INFOMGR_OBJECT_TYPE eChildType) const
{
    return eChildType;
}

void InfoMgrSchemaObject::addChild(INFOMGR_OBJECT_TYPE eChildType, std::unique_ptr<InfoMgrSchemaObject> pChild)
{
    TSM_ASSERT_INVARIANT();
    TSM_ASSERT(pChild != nullptr);
    auto& children = m_children[eChildType];
    for (const auto& pKnown : children) {
        if (pChild->isSameObject(*pKnown)) {
            // The known child keeps its handle and its place; the new one goes.
            pKnown->mergeDuplicate(*pChild);
            return;
        }
    }
    children.push_back(std::move(pChild));
    TSM_ASSERT_INVARIANT();
}

void InfoMgrSchemaObject::addDiscoveredChildren(const SchemaObjectEssentialData& record, INFOMGR_OBJECT_TYPE eChildType)
{
    EssentialDataList records;
    discoverObjectChildren(record, eChildType, records);
    for (auto& pRecord : records) {
        // A transport that hands back a record of another type is not trusted.
        if (!pRecord || !pRecord->isInvariant() || pRecord->eObjectType() != eChildType)
            continue;
        std::unique_ptr<InfoMgrSchemaObject> pChild = makeDeviceObject(std::move(pRecord));
        if (pChild)
            addChild(eChildType, std::move(pChild));
    }
}

std::uint32_t checkInfoSize(std::uint32_t dwRecordSize, const std::uint32_t* pdwSize)
{
    if (*pdwSize < dwRecordSize)
        return kResultSizeTooSmall;
    if (*pdwSize > dwRecordSize)
        return kResultSizeTooLarge;
    return kResultOk;
}

}

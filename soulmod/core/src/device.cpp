// Device: attributes, bound operations, the links of the device tree and
// its refresh.
#include "device.h"

#include "checkassert.h"
#include "clog.h"
#include "operationregistry.h"

#include <algorithm>
#include <typeinfo>

namespace Core {
namespace {

using RootAccessor = DevicePtr (*)();

RootAccessor& rootAccessor()
{
    static RootAccessor s_pfnRoot = nullptr;
    return s_pfnRoot;
}

const OperationRegistry& registryOf(const Device& device)
{
    const auto* pOperationRegistry = dynamic_cast<const OperationRegistry*>(&device);
    TSM_ASSERT(pOperationRegistry != 0);
    return *pOperationRegistry;
}

void runOperation(Device& device, DeviceOperation& operation)
{
    DebugLog::write("Operation Call: " + operation.name());
    // The walk goes on whatever the operation reports.
    static_cast<void>(device.accept(operation));
}

}

Device::Device() : m_bStale(false), m_nKeylessChildren(0), m_ulNextSequence(0), m_ulSequence(0)
{
}

Device::~Device()
{
    m_bStale = true;
}

bool Device::isInvariant() const
{
    return true;
}

bool Device::isSameDevice(const Device&) const
{
    return true;
}

void Device::updateFrom(DevicePtr)
{
}

std::string Device::identityKey() const
{
    return std::string();
}

void Device::setRootAccessor(DevicePtr (*pfnRoot)())
{
    rootAccessor() = pfnRoot;
}

// Attributes

AttributeMap::const_iterator Device::doBeginAttribute() const
{
    return m_attributes.begin();
}

AttributeMap::const_iterator Device::doEndAttribute() const
{
    return m_attributes.end();
}

bool Device::doHasAttribute(const std::string& name) const
{
    return m_attributes.find(name) != m_attributes.end();
}

std::string Device::doGetAttribute(const std::string& name) const
{
    const AttributeMap::const_iterator it = m_attributes.find(name);
    return it == m_attributes.end() ? std::string() : it->second;
}

void Device::updateAttribute(const Attribute& attribute)
{
    TSM_ASSERT_INVARIANT();
    m_attributes.erase(attribute.first);
    m_attributes.insert(attribute);
    TSM_ASSERT_INVARIANT();
}

void Device::removeAttribute(const std::string& name)
{
    TSM_ASSERT_INVARIANT();
    m_attributes.erase(name);
    TSM_ASSERT_INVARIANT();
}

// Operations

OperationList::const_iterator Device::doBeginOperation() const
{
    return m_operations.begin();
}

OperationList::const_iterator Device::doEndOperation() const
{
    return m_operations.end();
}

bool Device::doHasOperation(const std::string& name) const
{
    return std::any_of(
        m_operations.begin(), m_operations.end(),
        [&name](const DeviceOperationPtr& pOperation) { return pOperation->name() == name; });
}

CountedPtr<Status> Device::doCallOperation(DeviceOperationPtr pDeviceOp)
{
    CountedPtr<Status> pResult(new Status(Status::eNOTRUN));
    // A detached device runs nothing, and the arguments stay for the caller.
    if (!m_bStale) {
        pResult = accept(*pDeviceOp);
        if (pResult->message().empty())
            pResult->setMessage(pDeviceOp->name());
        pDeviceOp->clearArguments();
    }
    return pResult;
}

void Device::updateOperations()
{
    TSM_ASSERT_INVARIANT();
    m_operations.clear();
    if (const auto* pRegistry = dynamic_cast<const OperationRegistry*>(this)) {
        for (auto it = pRegistry->beginRegisteredOperation(); it != pRegistry->endRegisteredOperation(); ++it)
            if ((*it)->filter()->passes(*this))
                m_operations.push_back(*it);
    }
    TSM_ASSERT_INVARIANT();
}

// Tree

bool Device::isStale() const
{
    TSM_ASSERT_INVARIANT();
    return m_bStale;
}

bool Device::hasParent() const
{
    TSM_ASSERT_INVARIANT();
    return m_pParent.get() != nullptr;
}

DevicePtr Device::pParent() const
{
    TSM_ASSERT_INVARIANT();
    TSM_ASSERT(hasParent());
    TSM_ASSERT_TEXT(m_pParent.get() != nullptr, "m_pParent.get() != 0");
    return m_pParent;
}

DeviceList::const_iterator Device::beginChild() const
{
    TSM_ASSERT_INVARIANT();
    return m_children.begin();
}

DeviceList::const_iterator Device::endChild() const
{
    TSM_ASSERT_INVARIANT();
    return m_children.end();
}

std::size_t Device::childCount() const
{
    TSM_ASSERT_INVARIANT();
    return m_children.size();
}

bool Device::hasChild(const Device& device) const
{
    TSM_ASSERT_INVARIANT();
    return findSameChild(device).get() != nullptr;
}

std::string Device::stringRep() const
{
    TSM_ASSERT_INVARIANT();
    std::string stringRep;
    if (hasParent())
        stringRep = m_pParent->stringRep() + "-";
    stringRep += doStringRep();
    TSM_ASSERT(stringRep.size() != 0);
    return stringRep;
}

DevicePtr Device::self() const
{
    TSM_ASSERT_INVARIANT();
    DevicePtr pDevice;
    if (hasParent()) {
        pDevice = m_pParent->childPointer(*this);
    } else if (rootAccessor() != nullptr) {
        DevicePtr pRoot = rootAccessor()();
        if (pRoot.get() != nullptr && pRoot->isSameDevice(*this))
            pDevice = pRoot;
    }
    TSM_ASSERT(!pDevice.get() || pDevice.get() == this);
    return pDevice;
}

void Device::addChild(DevicePtr pParent, DevicePtr pChild)
{
    TSM_ASSERT_TEXT(pParent.get() != nullptr && pChild.get() != nullptr, "pParent.get() && pChild.get()");
    TSM_ASSERT_TEXT(pParent->isInvariant(), "isInvariant()");
    TSM_ASSERT_TEXT(pChild->isInvariant(), "isInvariant()");
    const DevicePtr pExisting = pParent->findSameChild(*pChild);
    if (pExisting.get() != nullptr) {
        // Found again: confirmed, and it learns what the new find knows.
        pExisting->m_bStale = false;
        pExisting->updateFrom(pChild);
    } else {
        pChild->m_bStale = false;
        pParent->m_children.push_back(pChild);
        pChild->m_pParent = pParent;
        pParent->indexChild(pChild);
        pChild->publishAttribute(*pChild, Attribute("UniqueID", pChild->stringRep()), false);
        pChild->updateOperations();
        TSM_ASSERT(pChild->pParent().get() == pParent.get());
    }
    TSM_ASSERT_TEXT(pParent->hasChild(*pChild), "pParent->hasChild( *pChild )");
    TSM_ASSERT_TEXT(pParent->isInvariant() && pChild->isInvariant(), "isInvariant()");
}

void Device::removeChild(DevicePtr pParent, DevicePtr pChild)
{
    TSM_ASSERT_TEXT(pParent.get() != nullptr && pChild.get() != nullptr, "pParent.get() && pChild.get()");
    TSM_ASSERT_TEXT(pParent->hasChild(*pChild), "pParent->hasChild( *pChild )");
    pParent->detachChild(*pChild);
    Device* const pTarget = pChild.get();
    std::erase_if(pParent->m_children, [pTarget](const DevicePtr& pEntry) { return pEntry.get() == pTarget; });
    assertRemoved(pParent, pChild);
}

// Removes many children with one pass over the siblings, so that a sweep of
// a wide parent stays linear.
void Device::removeChildren(const DevicePtr& pParent, const DeviceList& removed)
{
    for (const DevicePtr& pChild : removed) {
        TSM_ASSERT_TEXT(pParent->hasChild(*pChild), "pParent->hasChild( *pChild )");
        pParent->detachChild(*pChild);
    }
    std::erase_if(pParent->m_children, [](const DevicePtr& pEntry) { return !pEntry->hasParent(); });
    for (const DevicePtr& pChild : removed)
        assertRemoved(pParent, pChild);
}

// Detaches a child's subtree and unlinks it; the parent's child list is
// compacted by the caller.
void Device::detachChild(Device& child)
{
    detachSubtree(child, true);
    unindexChild(child);
    child.m_pParent = DevicePtr();
    child.m_children.clear();
    child.m_keyedChildren.clear();
    child.m_nKeylessChildren = 0;
}

void Device::assertRemoved(const DevicePtr& pParent, const DevicePtr& pChild)
{
    TSM_ASSERT_TEXT(!(pChild.get() && pParent->hasChild(*pChild)), "!( pChild.get() && pParent->hasChild( *pChild ) )");
    TSM_ASSERT_TEXT(!(pChild.get() && pChild->hasParent()), "!( pChild.get() && pChild->hasParent() )");
    TSM_ASSERT_TEXT(pParent->isInvariant() && pChild->isInvariant(), "isInvariant()");
}

// Marks a removed subtree detached. The child lists inside it stay; the
// parent links below the top's own children are dropped, because a device
// and its children holding each other would keep a removed subtree of three
// levels or more (a controller with arrays and drives) alive for good.
void Device::detachSubtree(Device& device, bool bTop)
{
    device.m_bStale = true;
    device.m_operations.clear();
    device.m_attributes.clear();
    for (const DevicePtr& pChild : device.m_children) {
        detachSubtree(*pChild, false);
        if (!bTop)
            pChild->m_pParent = DevicePtr();
    }
}

// Refresh

void Device::refresh()
{
    TSM_ASSERT_INVARIANT();
    const DevicePtr pSelf = self();
    TSM_ASSERT_TEXT(pSelf.get() != nullptr, "pSelf.get() != 0");
    refreshDevice(pSelf, *this);
    TSM_ASSERT_INVARIANT();
}

void Device::refreshDevice(const DevicePtr& pDevice, Device& top)
{
    const OperationRegistry& registry = registryOf(*pDevice);
    runReadOperations(pDevice, registry);

    // Mark: discovery clears the flag of every child it finds again.
    for (const DevicePtr& pChild : pDevice->m_children)
        pChild->m_bStale = true;
    for (auto it = registry.beginRegisteredOperation(); it != registry.endRegisteredOperation(); ++it)
        if ((*it)->type() == DeviceOperation::eDISCOVER)
            runOperation(*pDevice, **it);
    sweepStaleChildren(pDevice);

    const DeviceList children = pDevice->m_children;
    for (const DevicePtr& pChild : children) {
        refreshDevice(pChild, top);
        pChild->updateOperations();
    }
    top.updateOperations();
    runReadOperations(pDevice, registry);
}

void Device::runReadOperations(const DevicePtr& pDevice, const OperationRegistry& registry)
{
    for (auto it = registry.beginRegisteredOperation(); it != registry.endRegisteredOperation(); ++it)
        if ((*it)->type() == DeviceOperation::eREAD && (*it)->filter()->passes(*pDevice))
            runOperation(*pDevice, **it);
}

void Device::sweepStaleChildren(const DevicePtr& pDevice)
{
    DeviceList stale;
    for (const DevicePtr& pChild : pDevice->m_children)
        if (pChild->m_bStale)
            stale.push_back(pChild);
    removeChildren(pDevice, stale);
}

}

// Device: a node of the device tree with attributes, bound operations,
// owned children and a parent; DeviceFinder and dump query a subtree.
#ifndef TSM_CORE_DEVICE_H
#define TSM_CORE_DEVICE_H

#include "attributesource.h"
#include "countedptr.h"
#include "devicevisitor.h"
#include "operationsource.h"
#include "status.h"

#include <cstddef>
#include <map>
#include <ostream>
#include <string>
#include <typeindex>
#include <utility>
#include <vector>

namespace Core {

class Device;
class OperationRegistry;
using DevicePtr = CountedPtr<Device>;
using DeviceList = std::vector<DevicePtr>;

class Device : public OperationSource, public AttributeSource, public AttributeSubscriber, public AttributePublisher {
public:
    ~Device() override = 0;
    bool isInvariant() const override;

    // Identity by the kind's rule: true when other is the same physical
    // device. Default true; every kind overrides it.
    virtual bool isSameDevice(const Device& other) const;
    // Double dispatch to the kind's visitor interface; eNOTAPPLICABLE when
    // the visitor does not implement it.
    virtual CountedPtr<Status> accept(DeviceVisitor& visitor) = 0;
    // Takes over what a newly discovered equal device knows. Default: nothing.
    virtual void updateFrom(DevicePtr pNewer);
    // Optional identity key that lets a parent find an equal child without
    // comparing against every sibling. A kind returning a non-empty key
    // promises that its isSameDevice(other) is true exactly when other has
    // the same dynamic type and the same non-empty key, and that the key
    // does not change while the device is attached. Default: empty (the
    // parent then compares with isSameDevice one by one).
    virtual std::string identityKey() const;

    void updateAttribute(const Attribute& attribute) override;
    void removeAttribute(const std::string& name) override;

    bool hasParent() const;
    DevicePtr pParent() const;
    DeviceList::const_iterator beginChild() const;
    DeviceList::const_iterator endChild() const;
    std::size_t childCount() const;
    // True when some child isSameDevice with the given device.
    bool hasChild(const Device& device) const;
    // Path string: the parent's path, "-", then this device's own part.
    std::string stringRep() const;
    // The counted pointer that owns this device (the parent's child pointer,
    // or the root's pointer); null if there is none.
    DevicePtr self() const;
    bool isStale() const;

    // Attaches a new child, or merges it into an equal existing one.
    static void addChild(DevicePtr pParent, DevicePtr pChild);
    // Detaches a child and its subtree, clearing their attributes and operations.
    static void removeChild(DevicePtr pParent, DevicePtr pChild);

    // Rebinds the operations of the kind's registry whose filter passes.
    void updateOperations();
    // Reads, discovers, sweeps vanished children, recurses, reads again.
    void refresh();

    // Names the function that gives the tree's root, so that self() can answer
    // for a device without a parent (discoveries on the root call
    // root.self()). The root kind installs it when it creates the root.
    static void setRootAccessor(DevicePtr (*pfnRoot)());

protected:
    Device();

    // This device's own part of its path; never empty.
    virtual std::string doStringRep() const = 0;

    OperationList::const_iterator doBeginOperation() const override;
    OperationList::const_iterator doEndOperation() const override;
    bool doHasOperation(const std::string& name) const override;
    CountedPtr<Status> doCallOperation(DeviceOperationPtr pDeviceOp) override;

    AttributeMap::const_iterator doBeginAttribute() const override;
    AttributeMap::const_iterator doEndAttribute() const override;
    bool doHasAttribute(const std::string& name) const override;
    std::string doGetAttribute(const std::string& name) const override;

private:
    using IdentityKey = std::pair<std::type_index, std::string>;

    static void refreshDevice(const DevicePtr& pDevice, Device& top);
    static void runReadOperations(const DevicePtr& pDevice, const OperationRegistry& registry);
    static void sweepStaleChildren(const DevicePtr& pDevice);
    static void removeChildren(const DevicePtr& pParent, const DeviceList& removed);
    static void assertRemoved(const DevicePtr& pParent, const DevicePtr& pChild);
    static void detachSubtree(Device& device, bool bTop);
    void detachChild(Device& child);
    DevicePtr findSameChild(const Device& device) const;
    DevicePtr childPointer(const Device& child) const;
    void indexChild(const DevicePtr& pChild);
    void unindexChild(const Device& child);

    DeviceList m_children;
    DevicePtr m_pParent;
    OperationList m_operations;
    AttributeMap m_attributes;
    bool m_bStale;

    // Lookup aids over m_children: keyed children by key, and the attach
    // sequence that orders keyed and keyless candidates as m_children does.
    std::map<IdentityKey, std::pair<unsigned long, DevicePtr>> m_keyedChildren;
    std::size_t m_nKeylessChildren;
    unsigned long m_ulNextSequence;
    unsigned long m_ulSequence;
    std::string m_strKey;
};

// Selects the devices of a subtree whose attributes hold given values.
class DeviceFinder {
public:
    explicit DeviceFinder(DevicePtr pRoot);

    // Appends a criterion; duplicates are kept.
    void addCriterion(const std::string& name, const std::string& value);
    // Every matching device, depth first, a device before its children.
    DeviceList findDevices() const;
    void findDevices(DeviceList& found) const;

private:
    void collect(const DevicePtr& pDevice, DeviceList& found) const;
    bool matches(const Device& device) const;

    DevicePtr m_pRoot;
    std::vector<Attribute> m_criteria;
};

// Diagnostic text of a subtree: "<Type>", its attributes and operations one
// level deeper, its children, then "</Type>", four blanks per level.
void dump(const Device& device, unsigned level, std::ostream& stream);
std::string dump(const Device& device);

// Runs only the eREAD operations whose filter passes, on the device and then
// on each child, depth first.
void readTree(const DevicePtr& pDevice);

}

#endif

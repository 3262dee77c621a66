// Small device kinds, a visitor and operations for the core tests. Each test
// picks its own tag, so the static registries of different tests never meet.
#ifndef TSM_TESTS_CORE_TESTKINDS_H
#define TSM_TESTS_CORE_TESTKINDS_H

#include "csign.h"
#include "device.h"
#include "operationregistry.h"
#include "logtail.h"

#include <functional>
#include <string>
#include <vector>

namespace coretest {

template <int Tag>
class Gadget;

template <int Tag>
class GadgetVisitor {
public:
    virtual CountedPtr<Core::Status> visit(Gadget<Tag>& device) = 0;

protected:
    ~GadgetVisitor() = default;
};

// A device kind identified by an id; keyed gadgets give their parent an
// identity key, keyless ones are compared one by one.
template <int Tag>
class Gadget : public Core::Device, public Core::DeviceOperationRegistry<Gadget<Tag>> {
public:
    explicit Gadget(std::string id, const std::string& type = "gadget", bool bKeyed = true)
        : m_strId(std::move(id)), m_bKeyed(bKeyed)
    {
        publishAttribute(*this, Core::Attribute("Type", type), false);
    }

    bool isInvariant() const override { return m_bSignature.isValid() && Core::Device::isInvariant(); }
    bool isSameDevice(const Core::Device& other) const override
    {
        ++comparisons();
        // A keyed gadget keeps the promise of its key: only keyed equals match.
        const auto* pOther = dynamic_cast<const Gadget*>(&other);
        return pOther != nullptr && pOther->m_strId == m_strId && (!m_bKeyed || pOther->m_bKeyed);
    }
    CountedPtr<Core::Status> accept(Core::DeviceVisitor& visitor) override
    {
        CountedPtr<Core::Status> pResult(new Core::Status(Core::Status::eNOTAPPLICABLE));
        if (auto* pVisitor = dynamic_cast<GadgetVisitor<Tag>*>(&visitor))
            pResult = pVisitor->visit(*this);
        return pResult;
    }
    void updateFrom(Core::DevicePtr pNewer) override { m_merged.push_back(pNewer.get()); }
    std::string identityKey() const override { return m_bKeyed ? m_strId : std::string(); }

    const std::vector<const Core::Device*>& merged() const { return m_merged; }
    void damage() { m_bSignature.damage(); }
    static unsigned long& comparisons()
    {
        static unsigned long s_ulComparisons = 0;
        return s_ulComparisons;
    }

protected:
    std::string doStringRep() const override { return m_strId; }

private:
    CSignature m_bSignature;
    std::string m_strId;
    bool m_bKeyed;
    std::vector<const Core::Device*> m_merged;
};

// An operation on gadgets of one tag: records "<name>@<path>" in a journal
// and runs an optional action.
template <int Tag>
class Probe : public GadgetVisitor<Tag>, public Core::DeviceOperation, public Core::AttributePublisher {
public:
    using Action = std::function<CountedPtr<Core::Status>(Gadget<Tag>&, Probe&)>;

    Probe(std::string name, eType type, std::vector<std::string>* pJournal = nullptr, Action action = Action(),
          CountedPtr<Core::Filter> pFilter = CountedPtr<Core::Filter>())
        : m_strName(std::move(name)), m_eType(type), m_pJournal(pJournal), m_action(std::move(action)),
          m_pFilter(pFilter)
    {
    }

    bool isInvariant() const override { return m_bSignature.isValid() && Core::DeviceOperation::isInvariant(); }
    CountedPtr<Core::Status> visit(Gadget<Tag>& device) override
    {
        if (m_pJournal != nullptr)
            m_pJournal->push_back(m_strName + "@" + device.stringRep());
        return m_action ? m_action(device, *this) : CountedPtr<Core::Status>(new Core::Status(true));
    }

protected:
    std::string doName() const override { return m_strName; }
    eType doType() const override { return m_eType; }
    CountedPtr<Core::Filter> doFilter() const override
    {
        return m_pFilter.get() != nullptr ? m_pFilter : Core::DeviceOperation::doFilter();
    }

private:
    CSignature m_bSignature;
    std::string m_strName;
    eType m_eType;
    std::vector<std::string>* m_pJournal;
    Action m_action;
    CountedPtr<Core::Filter> m_pFilter;
};

// Passes devices that hold an attribute of the given name.
class HasAttributeFilter : public Core::Filter {
public:
    explicit HasAttributeFilter(std::string name) : m_strName(std::move(name)) {}
    bool passes(const Core::Device& device) const override { return device.hasAttribute(m_strName); }

private:
    std::string m_strName;
};

template <int Tag>
Core::DevicePtr makeGadget(const std::string& id, const std::string& type = "gadget", bool bKeyed = true)
{
    return Core::DevicePtr(new Gadget<Tag>(id, type, bKeyed));
}

template <int Tag>
Core::DeviceOperationPtr
registerProbe(const std::string& name, Core::DeviceOperation::eType type, std::vector<std::string>* pJournal = nullptr,
              typename Probe<Tag>::Action action = {}, CountedPtr<Core::Filter> pFilter = CountedPtr<Core::Filter>())
{
    Core::DeviceOperationPtr pOperation(new Probe<Tag>(name, type, pJournal, std::move(action), pFilter));
    Core::DeviceOperationRegistry<Gadget<Tag>>().registerOperation(pOperation);
    return pOperation;
}

// Makes a device the tree's root for self() and, at the end, detaches its
// children so the parent/child cycles of the test tree are released.
class RootScope {
public:
    explicit RootScope(Core::DevicePtr pRoot)
    {
        current() = pRoot;
        Core::Device::setRootAccessor(&RootScope::root);
    }
    ~RootScope()
    {
        const Core::DevicePtr pRoot = current();
        while (pRoot->childCount() != 0)
            Core::Device::removeChild(pRoot, *pRoot->beginChild());
        Core::Device::setRootAccessor(nullptr);
        current() = Core::DevicePtr();
    }
    RootScope(const RootScope&) = delete;
    RootScope& operator=(const RootScope&) = delete;

    static Core::DevicePtr root() { return current(); }

private:
    static Core::DevicePtr& current()
    {
        static Core::DevicePtr s_pRoot;
        return s_pRoot;
    }
};

}

#endif

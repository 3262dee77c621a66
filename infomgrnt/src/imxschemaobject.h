// InfoMgrSchemaObject: a hardware object with a handle, children found once per
// child type and merged when a newly found child is one already known; and the
// registry of live objects that makes a handle valid.
#ifndef TSM_INFOMGRNT_IMXSCHEMAOBJECT_H
#define TSM_INFOMGRNT_IMXSCHEMAOBJECT_H

#include "csign.h"
#include "imxinfomgrapiinterface.h"

#include <cstddef>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace InfoMgr {

class InfoMgrSchemaObject;

// The set of all live objects. An object enters it when constructed and leaves
// it when destroyed; a handle is valid exactly while its object is here.
// Handle values are never reused, so a stale handle stays invalid.
class HandleRegistry {
public:
    static HandleRegistry& instance();

    INFOMGR_HANDLE enter(InfoMgrSchemaObject* pObject);
    void leave(INFOMGR_HANDLE hObject);
    InfoMgrSchemaObject* find(INFOMGR_HANDLE hObject) const;
    bool isValidHandle(const InfoMgrSchemaObject* pObject) const;
    std::size_t size() const { return m_objects.size(); }

private:
    HandleRegistry() = default;

    std::unordered_map<INFOMGR_HANDLE, InfoMgrSchemaObject*> m_objects;
    INFOMGR_HANDLE m_hNext = 1;
};

class InfoMgrSchemaObject : public InfoMgrAPIInterface {
public:
    ~InfoMgrSchemaObject() override;

    std::uint32_t reservedOperation1() final;
    std::uint32_t open() final;
    std::uint32_t close() final;
    std::uint32_t getChild(INFOMGR_OBJECT_TYPE eChildType, std::uint32_t dwIndex, INFOMGR_HANDLE* phChild) final;
    std::uint32_t getInfo(std::uint32_t dwKind, void* pBuffer, std::uint32_t* pdwSize) final;
    std::uint32_t sendCommand(std::uint32_t dwRequestType, std::uint32_t dwDirection, void* pRequest,
                              std::uint32_t dwRequestSize) final;
    std::uint32_t reservedOperation2() final;
    std::uint32_t reservedOperation3() final;
    std::uint32_t reservedOperation4() final;
    std::uint32_t reservedOperation5() final;
    std::uint32_t reservedOperation6() final;

    virtual bool isInvariant() const;
    // Whether other names the same hardware object (compares essential data).
    bool isSameObject(const InfoMgrSchemaObject& other) const;
    // Run on a known child when a newly found object turns out to be it.
    void mergeDuplicate(InfoMgrSchemaObject& duplicate);
    // Finds the children of the given type (run once per type, by getChild).
    void discoverChildren(INFOMGR_OBJECT_TYPE eChildType);

    INFOMGR_HANDLE handle() const;
    // The object's identity; null for the root classes, which have none.
    const SchemaObjectEssentialData* essentialData() const;
    // The controller serial number or adapter serial number; may be empty.
    std::string nameText() const;

protected:
    InfoMgrSchemaObject();

    // Answers getChild once discovery has run; the base looks the child up.
    virtual std::uint32_t doGetChild(INFOMGR_OBJECT_TYPE eChildType, std::uint32_t dwIndex, INFOMGR_HANDLE* phChild);
    // Base answer: kind 3 is not supported, any other kind is unknown.
    virtual std::uint32_t doGetInfo(std::uint32_t dwKind, void* pBuffer, std::uint32_t* pdwSize);
    virtual std::uint32_t doSendCommand(std::uint32_t dwRequestType, std::uint32_t dwDirection, void* pRequest,
                                        std::uint32_t dwRequestSize);
    virtual bool doIsSameObject(const InfoMgrSchemaObject& other) const = 0;
    virtual void doMergeDuplicate(InfoMgrSchemaObject& duplicate);
    virtual void doDiscoverChildren(INFOMGR_OBJECT_TYPE eChildType) = 0;
    // The discovery that a getChild of eChildType needs; objects whose
    // discovery finds every type at once answer one value for all.
    virtual INFOMGR_OBJECT_TYPE doDiscoveryScope(INFOMGR_OBJECT_TYPE eChildType) const;
    virtual const SchemaObjectEssentialData* doEssentialData() const;
    virtual std::string doNameText() const;

    // Appends pChild under eChildType, or merges it into the known child it
    // equals and destroys it.
    void addChild(INFOMGR_OBJECT_TYPE eChildType, std::unique_ptr<InfoMgrSchemaObject> pChild);
    // Asks the object's transport for the children of eChildType and adds an
    // object for every record of that type.
    void addDiscoveredChildren(const SchemaObjectEssentialData& record, INFOMGR_OBJECT_TYPE eChildType);

private:
    CSignature m_bSignature;
    INFOMGR_HANDLE m_hObject;
    std::map<INFOMGR_OBJECT_TYPE, std::vector<std::unique_ptr<InfoMgrSchemaObject>>> m_children;
    std::set<INFOMGR_OBJECT_TYPE> m_discovered;
};

// Checks a caller's record size against the size of the kind's record:
// 0 when equal, 1 when the caller's is smaller, 2 when larger.
std::uint32_t checkInfoSize(std::uint32_t dwRecordSize, const std::uint32_t* pdwSize);

}

#endif

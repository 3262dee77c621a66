// The library's entry points: root classes, handle checks and dispatch to the
// object a handle names; the transport source and the initialisation error.
#include "imxinfomgrapiinterface.h"

#include "imxarrayclass.h"
#include "imxfibrechannelclass.h"
#include "imxioctltransport.h"
#include "imxschemaobject.h"
#include "imxtransportsource.h"

#include <memory>
#include <utility>

namespace InfoMgr {
namespace {

// The library's process-wide state: the two roots (created on first open),
// the recorded initialisation error and the transport factory in use.
class LibraryState {
public:
    static LibraryState& instance()
    {
        static LibraryState state;
        return state;
    }

    InfoMgrSchemaObject& fibreChannelClass()
    {
        if (!m_pFibreChannelClass)
            m_pFibreChannelClass = std::make_unique<FibreChannelClass>();
        return *m_pFibreChannelClass;
    }

    InfoMgrSchemaObject& arrayClass()
    {
        if (!m_pArrayClass)
            m_pArrayClass = std::make_unique<ArrayClass>();
        return *m_pArrayClass;
    }

    void discardRoots()
    {
        m_pFibreChannelClass.reset();
        m_pArrayClass.reset();
    }

    std::uint32_t m_dwInitError = 0;
    TransportFactory m_factory;

private:
    LibraryState() { HandleRegistry::instance(); } // outlives the roots

    std::unique_ptr<FibreChannelClass> m_pFibreChannelClass;
    std::unique_ptr<ArrayClass> m_pArrayClass;
};

InfoMgrSchemaObject* objectFor(INFOMGR_HANDLE hObject)
{
    return HandleRegistry::instance().find(hObject);
}

}

TransportPtr createTransport(CommandType eCommandType)
{
    const TransportFactory& factory = LibraryState::instance().m_factory;
    if (factory)
        return factory(eCommandType);
    return createIoCtlTransport(eCommandType);
}

void setTransportFactory(TransportFactory factory)
{
    LibraryState::instance().m_factory = std::move(factory);
}

void recordInitError(std::uint32_t dwInitError)
{
    LibraryState::instance().m_dwInitError = dwInitError;
}

void discardRootClasses()
{
    LibraryState::instance().discardRoots();
}

std::uint32_t getInitError()
{
    return LibraryState::instance().m_dwInitError;
}

std::uint32_t open(INFOMGR_HANDLE hParent, INFOMGR_OBJECT_TYPE eRootType, INFOMGR_HANDLE* phRoot,
                   std::uint32_t dwReserved1, std::uint32_t dwReserved2)
{
    if (const std::uint32_t dwInitError = getInitError())
        return dwInitError;
    if (phRoot == nullptr || hParent != kNullHandle || dwReserved1 != 0 || dwReserved2 != 0)
        return kResultInvalidParameter;
    *phRoot = kNullHandle;
    LibraryState& state = LibraryState::instance();
    InfoMgrSchemaObject* pRoot = nullptr;
    if (eRootType == eOBJECT_FIBRE_CHANNEL_CLASS || eRootType == kRootFibreChannelClass)
        pRoot = &state.fibreChannelClass();
    else if (eRootType == eOBJECT_ARRAY_CLASS || eRootType == kRootArrayClass)
        pRoot = &state.arrayClass();
    else
        return kResultUnknownType;
    const std::uint32_t dwResult = pRoot->open();
    if (dwResult == kResultOk)
        *phRoot = pRoot->handle();
    return dwResult;
}

std::uint32_t close(INFOMGR_HANDLE hObject)
{
    if (const std::uint32_t dwInitError = getInitError())
        return dwInitError;
    InfoMgrSchemaObject* pObject = objectFor(hObject);
    if (pObject == nullptr)
        return kResultInvalidHandle;
    return pObject->close();
}

std::uint32_t getChild(INFOMGR_HANDLE hObject, INFOMGR_OBJECT_TYPE eChildType, std::uint32_t dwIndex,
                       INFOMGR_HANDLE* phChild, std::uint32_t dwReserved1, std::uint32_t dwReserved2)
{
    if (const std::uint32_t dwInitError = getInitError())
        return dwInitError;
    InfoMgrSchemaObject* pObject = objectFor(hObject);
    if (pObject == nullptr)
        return kResultInvalidHandle;
    if (phChild == nullptr || dwReserved1 != 0 || dwReserved2 != 0)
        return kResultInvalidParameter;
    return pObject->getChild(eChildType, dwIndex, phChild);
}

std::uint32_t getInfo(INFOMGR_HANDLE hObject, std::uint32_t dwKind, std::uint32_t dwReserved, void* pBuffer,
                      std::uint32_t* pdwSize)
{
    if (const std::uint32_t dwInitError = getInitError())
        return dwInitError;
    InfoMgrSchemaObject* pObject = objectFor(hObject);
    if (pObject == nullptr)
        return kResultInvalidHandle;
    if (pBuffer == nullptr || pdwSize == nullptr || dwReserved != 0)
        return kResultInvalidParameter;
    return pObject->getInfo(dwKind, pBuffer, pdwSize);
}

std::uint32_t sendCommand(INFOMGR_HANDLE hObject, std::uint32_t dwRequestType, std::uint32_t dwDirection,
                          void* pRequest, std::uint32_t dwRequestSize, std::uint32_t dwReserved1,
                          std::uint32_t dwReserved2)
{
    if (const std::uint32_t dwInitError = getInitError())
        return dwInitError;
    InfoMgrSchemaObject* pObject = objectFor(hObject);
    if (pObject == nullptr)
        return kResultInvalidHandle;
    if ((dwRequestType != kRequestBmic && dwRequestType != kRequestScsi) || dwReserved1 != 0 || dwReserved2 != 0)
        return kResultInvalidParameter;
    if (pRequest == nullptr || (dwDirection != kDirectionRead && dwDirection != kDirectionWrite))
        return kResultInvalidParameter;
    return pObject->sendCommand(dwRequestType, dwDirection, pRequest, dwRequestSize);
}

std::size_t liveObjectCount()
{
    return HandleRegistry::instance().size();
}

}

// The process's setup-records list and its device-information set.
#include "imxwin32devicelist.h"

#include "imxenumeration.h"

#include <checkassert.h>

namespace InfoMgr {

const GUID kScsiAdapterClassGuid = {0x4D36E97B, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

Win32DeviceList& Win32DeviceList::instance()
{
    // Lives until the process ends; its destructor releases the set.
    static Win32DeviceList oList;
    return oList;
}

Win32DeviceList::Win32DeviceList() : m_hDeviceInfoSet(INVALID_HANDLE_VALUE)
{
}

Win32DeviceList::~Win32DeviceList()
{
    if (m_hDeviceInfoSet != INVALID_HANDLE_VALUE)
        SetupDiDestroyDeviceInfoList(m_hDeviceInfoSet);
}

bool Win32DeviceList::isInvariant() const
{
    return m_bSignature.isValid();
}

HDEVINFO Win32DeviceList::getDeviceInfoSet()
{
    TSM_ASSERT_INVARIANT();
    return doGetDeviceInfoSet();
}

HDEVINFO Win32DeviceList::doGetDeviceInfoSet()
{
    std::lock_guard<std::mutex> guard(m_oLock);
    if (m_hDeviceInfoSet == INVALID_HANDLE_VALUE)
        m_hDeviceInfoSet = SetupDiGetClassDevsA(&kScsiAdapterClassGuid, nullptr, nullptr, DIGCF_PRESENT);
    return m_hDeviceInfoSet;
}

HDEVINFO getDeviceInfoSet()
{
    return Win32DeviceList::instance().getDeviceInfoSet();
}

} // namespace InfoMgr

// The setup-records list: one device-information set of the SCSI adapter
// setup class per process, opened on first use and released at exit.
#ifndef TSM_INFOMGRNT_IMXWIN32DEVICELIST_H
#define TSM_INFOMGRNT_IMXWIN32DEVICELIST_H

#include <csign.h>
#include <setupapi.h>

#include <mutex>

namespace InfoMgr {

// {4D36E97B-E325-11CE-BFC1-08002BE10318}
extern const GUID kScsiAdapterClassGuid;

class Win32DeviceList {
public:
    static Win32DeviceList& instance();

    Win32DeviceList();
    virtual ~Win32DeviceList();
    Win32DeviceList(const Win32DeviceList&) = delete;
    Win32DeviceList& operator=(const Win32DeviceList&) = delete;

    bool isInvariant() const;
    // The set of present SCSI adapters, opened the first time it is asked for;
    // INVALID_HANDLE_VALUE while it cannot be opened.
    HDEVINFO getDeviceInfoSet();

protected:
    virtual HDEVINFO doGetDeviceInfoSet();

private:
    CSignature m_bSignature;
    std::mutex m_oLock;
    HDEVINFO m_hDeviceInfoSet;
};

} // namespace InfoMgr

#endif

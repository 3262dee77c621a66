// The Win32 error a failed call left: failed(call) is 0 when the call
// succeeded, else GetLastError(), so one check covers both.
#ifndef TSM_TESTS_LASTERROR_H
#define TSM_TESTS_LASTERROR_H

#include <windows.h>

namespace tsmtest {

template <class Result>
DWORD failed(Result result)
{
    return result ? 0 : GetLastError();
}

}

#endif

// A handle a test owns: closed by its close function when the owner goes,
// unless null. Owned<SC_HANDLE, CloseServiceHandle> service(OpenServiceA(...)).
#ifndef TSM_TESTS_OWNEDHANDLE_H
#define TSM_TESTS_OWNEDHANDLE_H

#include <memory>
#include <type_traits>

namespace tsmtest {

template <auto Close>
struct CloseWith {
    template <class Handle>
    void operator()(Handle handle) const
    {
        Close(handle);
    }
};

template <class Handle, auto Close>
using Owned = std::unique_ptr<std::remove_pointer_t<Handle>, CloseWith<Close>>;

}

#endif

// A stand-in array controller for tests that read only attributes: a device
// of the tree holding exactly the given attributes, and the same device only
// as itself (an adapter with a handle of its own).
#ifndef TSM_TESTS_STANDINCONTROLLER_H
#define TSM_TESTS_STANDINCONTROLLER_H

#include "hostbusadapter.h"

#include <map>
#include <string>

namespace tsmtest {

using Attributes = std::map<std::string, std::string>;

inline Core::DevicePtr standInController(const Attributes& attributes)
{
    static Schema::Hardware::Handle s_hNext = 1;
    const Core::DevicePtr pDevice(new Schema::HostBusAdapter(s_hNext++));
    for (const auto& [name, value] : attributes)
        pDevice->updateAttribute(Core::Attribute(name, value));
    return pDevice;
}

}

#endif

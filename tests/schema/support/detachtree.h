// Releases a test's device tree: parent and child hold each other, so a tree
// that is not detached from the bottom up would outlive the test.
#ifndef TSM_TESTS_SCHEMA_DETACHTREE_H
#define TSM_TESTS_SCHEMA_DETACHTREE_H

#include "device.h"

#include <vector>

namespace schematest {

inline void detachChildren(const Core::DevicePtr& pDevice)
{
    const std::vector<Core::DevicePtr> children(pDevice->beginChild(), pDevice->endChild());
    for (const Core::DevicePtr& pChild : children) {
        detachChildren(pChild);
        Core::Device::removeChild(pDevice, pChild);
    }
}

// Detaches the whole tree below pDevice when it goes out of scope.
class TreeGuard {
public:
    explicit TreeGuard(Core::DevicePtr pDevice) : m_pDevice(pDevice) {}
    ~TreeGuard() { detachChildren(m_pDevice); }
    TreeGuard(const TreeGuard&) = delete;
    TreeGuard& operator=(const TreeGuard&) = delete;

private:
    Core::DevicePtr m_pDevice;
};

}

#endif

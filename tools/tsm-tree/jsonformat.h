// The device tree as one JSON document.
#ifndef TSM_TOOLS_JSONFORMAT_H
#define TSM_TOOLS_JSONFORMAT_H

#include <string>

namespace Core {
class Device;
}

namespace tsmtool {

// Each device as an object: "type", "UniqueID" (null when the device has
// none), "attributes" in map order, "operations" and "children" in attach
// order. Bytes that are not UTF-8 become U+FFFD.
std::string jsonText(const Core::Device& root);

}

#endif

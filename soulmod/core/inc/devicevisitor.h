// DeviceVisitor: the root of every operation that visits devices.
#ifndef TSM_CORE_DEVICEVISITOR_H
#define TSM_CORE_DEVICEVISITOR_H

namespace Core {

// A kind of device accepts a visitor by cross-casting it to the kind's own
// visitor interface; a visitor that does not implement it does not apply.
class DeviceVisitor {
public:
    virtual ~DeviceVisitor();
};

}

#endif

// An object made on first use and never destroyed: threads that still run
// while the process exits (a logging thread, a service thread past its grace)
// may reach it after static destructors have begun.
#ifndef TSM_NEVERDESTROYED_H
#define TSM_NEVERDESTROYED_H

#include <memory>
#include <utility>

namespace tsm {

template <typename T>
class NeverDestroyed {
public:
    template <typename... Args>
    explicit NeverDestroyed(Args&&... args)
    {
        std::construct_at(&m_value, std::forward<Args>(args)...);
    }
    NeverDestroyed(const NeverDestroyed&) = delete;
    NeverDestroyed& operator=(const NeverDestroyed&) = delete;
    // The value's destructor is never called, on purpose.
    ~NeverDestroyed() {}

    T& get() { return m_value; }

private:
    union {
        T m_value;
    };
};

} // namespace tsm

#endif

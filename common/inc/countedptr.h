// CountedPtr: the system's reference-counted pointer. The count is a separately
// allocated long, allocated even for a null pointer; counting is not atomic.
#ifndef TSM_COUNTEDPTR_H
#define TSM_COUNTEDPTR_H

#include <cstddef>
#include <utility>

// GCC 12 reports a use after free on the count that cannot happen: the count
// is only read while this pointer still holds a reference to it.
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ >= 12
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuse-after-free"
#define TSM_COUNTEDPTR_PRAGMA
#endif

template <class T>
class CountedPtr {
public:
    CountedPtr() : m_pObject(nullptr), m_plCount(new long(1)) {}
    explicit CountedPtr(T* pObject) : m_pObject(pObject), m_plCount(new long(1)) {}
    CountedPtr(std::nullptr_t) : CountedPtr() {}

    CountedPtr(const CountedPtr& other) noexcept : m_pObject(other.m_pObject), m_plCount(other.m_plCount)
    {
        ++*m_plCount;
    }

    // A pointer to a derived class shares its object and count.
    template <class U>
    CountedPtr(const CountedPtr<U>& other) noexcept : m_pObject(other.m_pObject), m_plCount(other.m_plCount)
    {
        ++*m_plCount;
    }

    CountedPtr& operator=(const CountedPtr& other) noexcept
    {
        // Take the new reference before dropping the old one, so assigning a
        // pointer that the old target owns stays safe.
        T* pObject = other.m_pObject;
        long* plCount = other.m_plCount;
        ++*plCount;
        release();
        m_pObject = pObject;
        m_plCount = plCount;
        return *this;
    }

    ~CountedPtr() { release(); }

    T* get() const noexcept { return m_pObject; }
    T& operator*() const noexcept { return *m_pObject; }
    T* operator->() const noexcept { return m_pObject; }
    explicit operator bool() const noexcept { return m_pObject != nullptr; }
    long useCount() const noexcept { return *m_plCount; }

    // Shares the object under another static type (as static_cast would).
    template <class U>
    CountedPtr<U> staticCast() const noexcept
    {
        return CountedPtr<U>(static_cast<U*>(m_pObject), m_plCount);
    }
    // Shares the object if it is a U, else gives a null pointer.
    template <class U>
    CountedPtr<U> dynamicCast() const
    {
        U* target = dynamic_cast<U*>(m_pObject);
        return target ? CountedPtr<U>(target, m_plCount) : CountedPtr<U>();
    }

    friend bool operator==(const CountedPtr& a, const CountedPtr& b) noexcept { return a.m_pObject == b.m_pObject; }

private:
    template <class U>
    friend class CountedPtr;

    CountedPtr(T* pObject, long* plCount) noexcept : m_pObject(pObject), m_plCount(plCount) { ++*m_plCount; }

    void release() noexcept
    {
        long* plCount = m_plCount;
        if (--*plCount == 0) {
            delete m_pObject; // NOLINT(cppcoreguidelines-owning-memory): the last reference deletes
            delete plCount; // NOLINT(cppcoreguidelines-owning-memory)
        }
    }

    T* m_pObject;
    long* m_plCount;
};

#ifdef TSM_COUNTEDPTR_PRAGMA
#pragma GCC diagnostic pop
#undef TSM_COUNTEDPTR_PRAGMA
#endif

#endif

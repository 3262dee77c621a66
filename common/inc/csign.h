// Object signature: a one-byte member set by the constructor and checked by
// isInvariant(), so a use of a destroyed or overwritten object is caught.
#ifndef TSM_CSIGN_H
#define TSM_CSIGN_H

#include <cstdint>

constexpr std::uint8_t SIGNED = 0xA1;
constexpr std::uint8_t UNSIGNED = 0x00;

// Holds the signature for a class: construct it as member m_bSignature.
// The destructor clears it so a stale object fails its invariant.
class CSignature {
public:
    CSignature() noexcept : m_bValue(SIGNED) {}
    CSignature(const CSignature&) noexcept : m_bValue(SIGNED) {}
    CSignature& operator=(const CSignature&) noexcept { return *this; }
    ~CSignature() { m_bValue = UNSIGNED; }

    bool isValid() const noexcept { return m_bValue == SIGNED; }
    std::uint8_t value() const noexcept { return m_bValue; }
    // Tests damage a signature on purpose to prove the invariant catches it.
    void damage() noexcept { m_bValue = UNSIGNED; }

private:
    volatile std::uint8_t m_bValue;
};
static_assert(sizeof(CSignature) == 1);

#endif

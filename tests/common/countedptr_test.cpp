// CountedPtr ownership, the object signature and the fatal assertion's report.
#include <gtest/gtest.h>

#include "checkassert.h"
#include "countedptr.h"
#include "csign.h"

namespace {

struct Tracked {
    explicit Tracked(int* pDestroyed) : m_pDestroyed(pDestroyed) {}
    virtual ~Tracked() { ++*m_pDestroyed; }
    int* m_pDestroyed;
};
struct Derived : Tracked {
    using Tracked::Tracked;
};

TEST(CountedPtr, SharesOneCountDeletesWithTheLastOwnerAndNullHasItsOwnCount)
{
    int destroyed = 0;
    {
        CountedPtr<Tracked> first(new Tracked(&destroyed));
        EXPECT_EQ(first.useCount(), 1);
        {
            CountedPtr<Tracked> second = first;
            CountedPtr<Tracked> third;
            third = second;
            EXPECT_EQ(first.useCount(), 3);
            third = third; // self-assignment keeps the count
            EXPECT_EQ(first.useCount(), 3);
        }
        EXPECT_EQ(first.useCount(), 1);
        EXPECT_EQ(destroyed, 0);
        first = CountedPtr<Tracked>(new Tracked(&destroyed));
        EXPECT_EQ(destroyed, 1);
    }
    EXPECT_EQ(destroyed, 2);

    // Null has a count of its own; derived and base pointers share theirs.
    CountedPtr<Tracked> empty;
    EXPECT_TRUE(!empty && empty.get() == nullptr && empty.useCount() == 1);
    CountedPtr<Tracked> copy = empty;
    EXPECT_EQ(empty.useCount(), 2);
    destroyed = 0;
    {
        CountedPtr<Derived> derived(new Derived(&destroyed));
        CountedPtr<Tracked> base = derived;
        EXPECT_EQ(derived.useCount(), 2);
        EXPECT_EQ(base.get(), derived.get());
        CountedPtr<Derived> back = base.dynamicCast<Derived>();
        EXPECT_EQ(back.get(), derived.get());
        EXPECT_EQ(derived.useCount(), 3);
    }
    EXPECT_EQ(destroyed, 1);
}

// (That a damaged signature breaks an object's invariant is tested on the
// core classes.) A copy is signed afresh, even of a damaged object.
TEST(CSignature, EveryCopyIsSigned)
{
    CSignature signature;
    signature.damage();
    const CSignature copy = signature;
    EXPECT_FALSE(signature.isValid());
    EXPECT_EQ(copy.value(), 0xA1);
}

// (The plain assertion's report is checked on the core classes' invariants.)
TEST(CheckAssertDeathTest, NamesTheGivenTextAndFile)
{
    EXPECT_DEATH(TSM_ASSERT_TEXT(false, "m_hDoneEvent != 0"),
                 "Assertion failed: m_hDoneEvent != 0, file countedptr_test, line [0-9]+");
}

} // namespace

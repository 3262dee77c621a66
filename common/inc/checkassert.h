// Fatal assertions of the system: a failed one names the expression text, the
// source file (without folder and extension) and the line, and ends the process.
#ifndef TSM_CHECKASSERT_H
#define TSM_CHECKASSERT_H

namespace tsm {
[[noreturn]] void assertionFailed(const char* expression, const char* file, int line);
}

// The expression text is given explicitly where the message names a text that
// differs from the code (as in "isInvariant()" asserted on another object).
#define TSM_ASSERT_TEXT(condition, text)                                                                               \
    do {                                                                                                               \
        if (!(condition))                                                                                              \
            ::tsm::assertionFailed(text, __FILE__, __LINE__);                                                          \
    } while (false)

#define TSM_ASSERT(condition) TSM_ASSERT_TEXT(condition, #condition)

// Asserts the invariant of the object the member function runs on.
#define TSM_ASSERT_INVARIANT() TSM_ASSERT_TEXT(isInvariant(), "isInvariant()")

#endif

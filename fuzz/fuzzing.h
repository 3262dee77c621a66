// What the fuzz targets share: a property that fails stops the run where
// libFuzzer reports it, and the input read as text.
#ifndef TSM_FUZZ_FUZZING_H
#define TSM_FUZZ_FUZZING_H

#include <cstddef>
#include <cstdint>
#include <string>

inline void check(bool bCondition)
{
    if (!bCondition)
        __builtin_trap();
}

inline std::string inputText(const std::uint8_t* data, std::size_t size)
{
    return std::string(reinterpret_cast<const char*>(data), size);
}

#endif

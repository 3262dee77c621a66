// Fuzz target of the machine description reader: any text either becomes a
// machine or is refused with a line and a problem, never a crash.
#include "description.h"
#include "machine.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    sim::Node root;
    sim::DescriptionError error;
    if (!sim::parseDescriptionText(text, root, error)) {
        if (error.problem.empty())
            std::abort();
        return 0;
    }
    int line = 0;
    std::string problem;
    const auto machine = sim::buildMachine(root, line, problem);
    // A refused description always says why.
    if (!machine && problem.empty())
        std::abort();
    return 0;
}

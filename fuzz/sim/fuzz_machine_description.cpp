// Fuzz target of the machine description reader: any text either becomes a
// machine or is refused with a line and a problem, never a crash.
#include "description.h"
#include "fuzzing.h"
#include "machine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text = inputText(data, size);
    sim::Node root;
    sim::DescriptionError error;
    if (!sim::parseDescriptionText(text, root, error)) {
        check(!error.problem.empty());
        return 0;
    }
    int line = 0;
    std::string problem;
    const auto machine = sim::buildMachine(root, line, problem);
    // A refused description always says why.
    check(machine || !problem.empty());
    return 0;
}

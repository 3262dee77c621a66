// Reads a machine description file into the plain tree drivers see.
#ifndef TSM_SIM_DESCRIPTION_H
#define TSM_SIM_DESCRIPTION_H

#include <sim/node.h>

#include <string>

namespace sim {

// A problem found in a description: the line (0 when unknown) and the text.
struct DescriptionError {
    int line = 0;
    std::string problem;
};

// Parses XML text (the file name is used for messages only). Never throws;
// false with error set when the text is not well-formed.
bool parseDescriptionText(const std::string& text, Node& root, DescriptionError& error);

// Reads and parses a file; false with error set when it cannot be read.
bool parseDescriptionFile(const std::string& path, Node& root, DescriptionError& error);

} // namespace sim

#endif

// Test helper: writes to the debug log as the agent's code would, driven by
// its arguments, so tests can read the log file beside this executable.
//   write <message>          one line
//   dumphex <hex digits>     hex dump of the given bytes
//   dump <count>             hex dump of count bytes, byte i being i & 0xFF
//   threads <n> <lines>      n threads each writing lines at the same time
//   switched                 a line while switched off, then one switched on
#include "clog.h"

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

std::vector<unsigned char> fromHex(const std::string& digits)
{
    std::vector<unsigned char> bytes;
    for (std::size_t index = 0; index + 1 < digits.size(); index += 2)
        bytes.push_back(static_cast<unsigned char>(std::stoul(digits.substr(index, 2), nullptr, 16)));
    return bytes;
}

void writeLines(int thread, int lines)
{
    // Long lines make a split by another writer easy to see.
    const std::string filler(180, static_cast<char>('a' + thread % 26));
    for (int line = 0; line < lines; ++line)
        DebugLog::write("thread " + std::to_string(thread) + " line " + std::to_string(line) + " " + filler);
}

} // namespace

int main(int argc, char* argv[])
{
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "write" && argc == 3) {
        DebugLog::write(argv[2]);
    } else if (command == "dumphex" && argc == 3) {
        const std::vector<unsigned char> bytes = fromHex(argv[2]);
        DebugLog::hexDump(bytes.data(), bytes.size());
    } else if (command == "dump" && argc == 3) {
        std::vector<unsigned char> bytes(std::strtoul(argv[2], nullptr, 0));
        for (std::size_t index = 0; index < bytes.size(); ++index)
            bytes[index] = static_cast<unsigned char>(index & 0xFF);
        DebugLog::hexDump(bytes.data(), bytes.size());
    } else if (command == "threads" && argc == 4) {
        const int count = std::atoi(argv[2]);
        const int lines = std::atoi(argv[3]);
        std::vector<std::thread> threads;
        for (int thread = 0; thread < count; ++thread)
            threads.emplace_back(writeLines, thread, lines);
        for (auto& thread : threads)
            thread.join();
    } else if (command == "switched") {
        DebugLog::disable();
        DebugLog::write("while switched off");
        const bool offSeen = DebugLog::isEnabled();
        DebugLog::enable();
        DebugLog::write(offSeen ? "still enabled after disable" : "switched on again");
    } else {
        return 2;
    }
    return 0;
}

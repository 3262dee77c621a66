// Replays every file of a corpus folder through a fuzz target, so the corpus
// and the crash regressions run in every build, not only under libFuzzer.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv)
{
    std::error_code error;
    std::filesystem::directory_iterator it(argc == 2 ? argv[1] : "", error);
    if (argc != 2 || error) {
        std::fprintf(stderr, "usage: %s <corpus folder>: %s\n", argv[0], error.message().c_str());
        return 2;
    }
    size_t count = 0;
    for (const auto& entry : it) {
        if (!entry.is_regular_file())
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
        ++count;
    }
    std::printf("replayed %zu inputs\n", count);
    return count > 0 ? 0 : 1;
}

// Runs a fuzz target's LLVMFuzzerTestOneInput once over every file of the folders named
// on the command line, so the normal builds (g++, with or without the sanitizers) replay
// the seed corpus and every input a fuzzer ever caught as an ordinary test. A target
// fails the test by crashing or trapping, as it does under libFuzzer.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FOLDER...\n", argv[0]);
        return 2;
    }
    size_t runs = 0;
    for (int a = 1; a < argc; ++a) {
        // A folder that does not exist holds no inputs yet (a target with no finds).
        std::error_code error;
        if (!fs::is_directory(argv[a], error)) continue;
        std::vector<fs::path> inputs;
        for (const auto& entry : fs::directory_iterator(argv[a])) {
            if (entry.is_regular_file()) inputs.push_back(entry.path());
        }
        std::sort(inputs.begin(), inputs.end());
        for (const fs::path& input : inputs) {
            std::ifstream in(input, std::ios::binary);
            const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                             std::istreambuf_iterator<char>()};
            if (!in.eof() && in.fail()) {
                std::fprintf(stderr, "cannot read %s\n", input.c_str());
                return 1;
            }
            std::printf("%s\n", input.c_str());
            std::fflush(stdout);
            LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
            ++runs;
        }
    }
    std::printf("%zu inputs replayed\n", runs);
    // A seed corpus that went missing must not pass as "nothing failed".
    return runs == 0 ? 1 : 0;
}

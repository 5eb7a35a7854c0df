// Runs a fuzz target over saved inputs without the fuzzing engine, so that
// every build (any compiler) replays the seed corpus and the inputs that once
// crashed. Arguments are files or directories of files.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv);
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {

bool ReadFile(const std::filesystem::path &path, std::vector<uint8_t> *bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

}  // namespace

int main(int argc, char **argv) {
    std::vector<std::filesystem::path> inputs;
    for (int i = 1; i < argc; ++i) {
        // Absolute, since a harness may change the current directory when
        // it starts, before the inputs are read.
        std::error_code error;
        std::filesystem::path argument = std::filesystem::absolute(argv[i], error);
        if (error) argument = argv[i];
        if (std::filesystem::is_directory(argument, error)) {
            for (const auto &entry : std::filesystem::directory_iterator(argument)) {
                if (entry.is_regular_file()) inputs.push_back(entry.path());
            }
        } else {
            inputs.push_back(argument);
        }
    }
    std::sort(inputs.begin(), inputs.end());

    LLVMFuzzerInitialize(&argc, &argv);
    size_t replayed = 0;
    for (const auto &path : inputs) {
        std::vector<uint8_t> bytes;
        if (!ReadFile(path, &bytes)) {
            std::fprintf(stderr, "replay: cannot read %s\n", path.string().c_str());
            return 1;
        }
        // A null pointer for an empty input, as the fuzzing engine may pass.
        LLVMFuzzerTestOneInput(bytes.empty() ? nullptr : bytes.data(), bytes.size());
        ++replayed;
    }
    std::fprintf(stderr, "replay: %zu inputs, no failure\n", replayed);
    return replayed > 0 ? 0 : 1;
}

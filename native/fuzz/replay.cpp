// Runs saved fuzz inputs through the fuzz target without libFuzzer, so that
// any compiler builds it and valgrind can watch it:
//
//   fuzz_replay FILE_OR_DIRECTORY...
//
// Directories are read one level deep, files in name order. Prints how many
// inputs ran; a broken rule or a crash ends the process as in the fuzzer.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

void run(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                    std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
    std::size_t count = 0;
    for (int i = 1; i < argc; ++i) {
        std::filesystem::path path(argv[i]);
        std::vector<std::filesystem::path> inputs;
        if (std::filesystem::is_directory(path)) {
            for (const auto& entry : std::filesystem::directory_iterator(path))
                if (entry.is_regular_file()) inputs.push_back(entry.path());
            std::sort(inputs.begin(), inputs.end());
        } else {
            inputs.push_back(path);
        }
        for (const auto& input : inputs) run(input);
        count += inputs.size();
    }
    std::printf("fuzz_replay: %zu inputs ran\n", count);
    return 0;
}

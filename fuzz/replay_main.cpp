// Runs a fuzz target over saved inputs without libFuzzer, so that the seed corpus and every
// input a fuzzing run kept are replayed by the ordinary test suite, sanitizers included.
// Arguments: files or folders of inputs.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

void replay(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

} // namespace

int main(int argc, char** argv) {
    size_t inputs = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path(argv[i]);
        if (std::filesystem::is_directory(path)) {
            for (const auto& entry : std::filesystem::directory_iterator(path))
                if (entry.is_regular_file()) {
                    replay(entry.path());
                    ++inputs;
                }
        } else {
            replay(path);
            ++inputs;
        }
    }
    std::printf("%zu inputs replayed\n", inputs);
    // A corpus that vanished must not pass as a clean replay.
    return inputs == 0 ? 1 : 0;
}

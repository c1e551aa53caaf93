// Runs a fuzz harness over saved inputs, so corpora double as regression tests
// in builds without libFuzzer. Arguments: files or folders (searched
// recursively); arguments starting with '-' are ignored like libFuzzer flags.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
// Weak, so harnesses without it still link.
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace fs = std::filesystem;

namespace {

bool CollectInputs(const fs::path& arg, std::vector<fs::path>& out) {
    std::error_code ec;
    if (fs::is_regular_file(arg, ec)) {
        out.push_back(arg);
        return true;
    }
    if (!fs::is_directory(arg, ec)) return false;
    std::vector<fs::path> found;
    for (auto it = fs::recursive_directory_iterator(arg, ec); !ec && it != fs::end(it);
         it.increment(ec)) {
        if (it->is_regular_file(ec)) found.push_back(it->path());
    }
    if (ec) return false;
    // Directory order is arbitrary; a fixed order makes failures reproducible.
    std::sort(found.begin(), found.end());
    out.insert(out.end(), found.begin(), found.end());
    return true;
}

bool ReadFile(const fs::path& path, std::vector<char>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

}  // namespace

int main(int argc, char** argv) {
    if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);

    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.empty() || arg[0] == '-') continue;
        if (!CollectInputs(arg, inputs)) {
            std::fprintf(stderr, "%s: cannot read %s\n", argv[0], arg.c_str());
            return 2;
        }
    }
    if (inputs.empty()) {
        std::fprintf(stderr, "usage: %s FILE_OR_FOLDER... (no inputs found)\n", argv[0]);
        return 2;
    }

    std::vector<char> bytes;
    for (const fs::path& path : inputs) {
        if (!ReadFile(path, bytes)) {
            std::fprintf(stderr, "%s: cannot read %s\n", argv[0], path.c_str());
            return 2;
        }
        // Named first so a crash report says which input did it.
        std::fprintf(stderr, "Running: %s\n", path.c_str());
        // An exact-size heap copy lets AddressSanitizer catch reads past the end.
        const size_t size = bytes.size();
        const std::unique_ptr<uint8_t[]> copy(new uint8_t[size]);
        std::copy(bytes.begin(), bytes.end(), copy.get());
        LLVMFuzzerTestOneInput(copy.get(), size);
    }
    std::printf("%s: %zu inputs ran\n", fs::path(argv[0]).filename().c_str(), inputs.size());
    return 0;
}

// Runs a fuzz function over the files (or the files in the folders) named on
// the command line, for compilers without libFuzzer and for replaying crashes.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

bool runFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return false;
    }
    const std::vector<std::uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path arg(argv[i]);
        if (!std::filesystem::is_directory(arg)) {
            files.push_back(arg);
            continue;
        }
        for (const auto& entry : std::filesystem::recursive_directory_iterator(arg))
            if (entry.is_regular_file()) files.push_back(entry.path());
    }
    bool ok = true;
    for (const auto& file : files)
        ok = runFile(file) && ok;
    std::printf("ran %zu input%s\n", files.size(), files.size() == 1 ? "" : "s");
    return ok ? 0 : 1;
}

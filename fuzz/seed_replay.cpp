// Feeds every file of a seed corpus to a fuzz target once, in name order, without libFuzzer: the properties the
// target checks hold for the seeds with any compiler, on any system the core is built for. A broken property aborts
// the run; the last name printed is the input that broke it.
//
//   <target>_seeds CORPUS_FOLDER

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_FOLDER\n", argc > 0 ? argv[0] : "seeds");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (it->is_regular_file()) {
            files.push_back(it->path());
        }
    }
    if (error) {
        std::fprintf(stderr, "cannot read the corpus %s: %s\n", folder.string().c_str(), error.message().c_str());
        return 1;
    }
    // An empty or misnamed folder would pass without checking anything.
    if (files.empty()) {
        std::fprintf(stderr, "no seeds in %s\n", folder.string().c_str());
        return 1;
    }
    std::sort(files.begin(), files.end());
    for (const std::filesystem::path& file : files) {
        std::printf("%s\n", file.filename().string().c_str());
        std::fflush(stdout);
        std::ifstream in(file, std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (in.bad()) {
            std::fprintf(stderr, "cannot read %s\n", file.string().c_str());
            return 1;
        }
        // The pointer libFuzzer passes for an empty input is never null; data() of an empty vector may be.
        static const std::uint8_t kNothing = 0;
        LLVMFuzzerTestOneInput(bytes.empty() ? &kNothing : reinterpret_cast<const std::uint8_t*>(bytes.data()),
                               bytes.size());
    }
    std::printf("%zu seeds replayed\n", files.size());
    return 0;
}

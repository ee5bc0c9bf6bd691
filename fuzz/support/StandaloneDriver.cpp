// Runs a libFuzzer entry point without libFuzzer: every file of the corpus
// folder given first, then (optionally) a number of inputs made by mutating
// those files with a fixed seed, so that a run is repeatable. A crash or a
// failed check aborts, which CTest reports as a failure.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

using Input = std::vector<std::uint8_t>;

void run(const Input& input) { LLVMFuzzerTestOneInput(input.data(), input.size()); }

Input mutate(const Input& base, const std::vector<Input>& corpus, std::mt19937& rng) {
    Input out = base;
    int edits = std::uniform_int_distribution<int>(1, 4)(rng);
    for (int e = 0; e < edits; ++e) {
        auto pos = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n)(rng); };
        switch (std::uniform_int_distribution<int>(0, 5)(rng)) {
        case 0:  // flip a byte
            if (!out.empty())
                out[pos(out.size() - 1)] = static_cast<std::uint8_t>(rng());
            break;
        case 1:  // insert a byte, favouring the interesting ones
        {
            static const std::uint8_t kBytes[] = {0,    ' ', ',', '=',  '[',  ']',  ';', '\r',
                                                  '\n', 'a', 'A', 0x80, 0xA1, 0xB0, 0xFF};
            out.insert(out.begin() + static_cast<std::ptrdiff_t>(pos(out.size())),
                       kBytes[std::uniform_int_distribution<std::size_t>(0, sizeof kBytes - 1)(rng)]);
            break;
        }
        case 2:  // erase a run
            if (!out.empty()) {
                std::size_t at = pos(out.size() - 1);
                std::size_t n = std::min<std::size_t>(out.size() - at, 1 + pos(7));
                out.erase(out.begin() + static_cast<std::ptrdiff_t>(at),
                          out.begin() + static_cast<std::ptrdiff_t>(at + n));
            }
            break;
        case 3:  // duplicate a run
            if (!out.empty()) {
                std::size_t at = pos(out.size() - 1);
                std::size_t n = std::min<std::size_t>(out.size() - at, 1 + pos(15));
                Input run_copy(out.begin() + static_cast<std::ptrdiff_t>(at),
                               out.begin() + static_cast<std::ptrdiff_t>(at + n));
                out.insert(out.begin() + static_cast<std::ptrdiff_t>(pos(out.size())), run_copy.begin(),
                           run_copy.end());
            }
            break;
        case 4:  // splice with another corpus input
            if (!corpus.empty()) {
                const Input& other = corpus[pos(corpus.size() - 1)];
                out.resize(pos(out.size()));
                std::size_t from = other.empty() ? 0 : pos(other.size() - 1);
                out.insert(out.end(), other.begin() + static_cast<std::ptrdiff_t>(from), other.end());
            }
            break;
        default:  // random bytes appended
            for (std::size_t n = 1 + pos(3); n > 0; --n)
                out.push_back(static_cast<std::uint8_t>(rng()));
        }
    }
    if (out.size() > 4096)
        out.resize(4096);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <corpus folder> [mutations]\n", argv[0]);
        return 2;
    }
    std::vector<Input> corpus;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(argv[1]))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
        std::ifstream in(file, std::ios::binary);
        corpus.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        run(corpus.back());
    }
    if (corpus.empty())
        corpus.emplace_back();
    long mutations = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 0;
    std::mt19937 rng(20261207);
    for (long i = 0; i < mutations; ++i)
        run(mutate(corpus[std::uniform_int_distribution<std::size_t>(0, corpus.size() - 1)(rng)], corpus, rng));
    std::printf("%zu corpus inputs and %ld mutations ran\n", files.size(), mutations);
    return 0;
}

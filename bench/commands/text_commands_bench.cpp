// find_text, replace_text and split_text on 1 MB of mixed GBK and ASCII text,
// each called through the command-call frame, against memmem /
// std::string_view::find and against replace and split written on
// std::string.

#include "commands/Facade.h"

#include <benchmark/benchmark.h>
#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace quilbex;

// Words of ASCII letters and of GBK characters (first byte 0xB0-0xD7, second
// 0xA1-0xFE), separated by ", " and "; ", about 1 MB.
const std::string& sample_text() {
    static const std::string text = [] {
        std::mt19937 rng(42);
        std::string s;
        s.reserve(1 << 20);
        while (s.size() < (1 << 20)) {
            int letters = std::uniform_int_distribution<int>(2, 9)(rng);
            bool chinese = rng() % 2 == 0;
            for (int i = 0; i < letters; ++i) {
                if (chinese) {
                    s.push_back(static_cast<char>(std::uniform_int_distribution<int>(0xB0, 0xD7)(rng)));
                    s.push_back(static_cast<char>(std::uniform_int_distribution<int>(0xA1, 0xFE)(rng)));
                } else {
                    s.push_back(static_cast<char>(std::uniform_int_distribution<int>('a', 'x')(rng)));
                }
            }
            s += rng() % 3 == 0 ? "; " : ", ";
        }
        return s;
    }();
    return text;
}

// Not in the sample: 'z' and 0xE0 never occur.
constexpr const char* kMissingAscii = "zzq";
constexpr const char* kMissingGbk = "\xE0\xA1\xE0\xA2";

void find_missing_quilbex(benchmark::State& state, const char* needle) {
    const std::string& text = sample_text();
    for (auto _ : state)
        benchmark::DoNotOptimize(commands::find_text(text.c_str(), needle));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void find_missing_memmem(benchmark::State& state, const char* needle) {
    const std::string& text = sample_text();
    for (auto _ : state) {
        // A text is measured on every call, as the command does.
        std::size_t length = std::strlen(text.c_str());
        benchmark::DoNotOptimize(::memmem(text.c_str(), length, needle, std::strlen(needle)));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void find_missing_string_view(benchmark::State& state, const char* needle) {
    const std::string& text = sample_text();
    for (auto _ : state)
        benchmark::DoNotOptimize(std::string_view(text.c_str()).find(needle));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

BENCHMARK_CAPTURE(find_missing_quilbex, ascii, kMissingAscii)->Name("find_text_no_match_ascii/quilbex");
BENCHMARK_CAPTURE(find_missing_memmem, ascii, kMissingAscii)->Name("find_text_no_match_ascii/memmem");
BENCHMARK_CAPTURE(find_missing_string_view, ascii, kMissingAscii)->Name("find_text_no_match_ascii/string_view_find");
BENCHMARK_CAPTURE(find_missing_quilbex, gbk, kMissingGbk)->Name("find_text_no_match_gbk/quilbex");
BENCHMARK_CAPTURE(find_missing_memmem, gbk, kMissingGbk)->Name("find_text_no_match_gbk/memmem");
BENCHMARK_CAPTURE(find_missing_string_view, gbk, kMissingGbk)->Name("find_text_no_match_gbk/string_view_find");

std::string std_replace(const std::string& text, std::string_view search, std::string_view replacement) {
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    for (std::size_t hit; (hit = text.find(search, pos)) != std::string::npos; pos = hit + search.size()) {
        out.append(text, pos, hit - pos);
        out.append(replacement);
    }
    out.append(text, pos, std::string::npos);
    return out;
}

void replace_quilbex(benchmark::State& state, bool case_sensitive) {
    const std::string& text = sample_text();
    for (auto _ : state) {
        commands::Text out =
            commands::replace_text(text.c_str(), "; ", "&", std::nullopt, std::nullopt, case_sensitive);
        benchmark::DoNotOptimize(out.get());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void replace_std_string(benchmark::State& state) {
    const std::string& text = sample_text();
    for (auto _ : state) {
        std::string out = std_replace(std::string(text.c_str()), "; ", "&");
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

BENCHMARK_CAPTURE(replace_quilbex, exact, true)->Name("replace_text_exact/quilbex");
BENCHMARK(replace_std_string)->Name("replace_text_exact/std_string");
BENCHMARK_CAPTURE(replace_quilbex, default, false)->Name("replace_text_default_case/quilbex");
BENCHMARK(replace_std_string)->Name("replace_text_default_case/std_string");

std::vector<std::string> std_split(const std::string& text, std::string_view delimiter) {
    std::vector<std::string> out;
    std::size_t pos = 0;
    for (std::size_t hit; (hit = text.find(delimiter, pos)) != std::string::npos; pos = hit + delimiter.size())
        out.emplace_back(text, pos, hit - pos);
    if (pos < text.size())
        out.emplace_back(text, pos, std::string::npos);
    return out;
}

void split_quilbex(benchmark::State& state) {
    const std::string& text = sample_text();
    for (auto _ : state) {
        commands::TextArray parts = commands::split_text(text.c_str(), ",");
        benchmark::DoNotOptimize(parts.block());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void split_std_string(benchmark::State& state) {
    const std::string& text = sample_text();
    for (auto _ : state) {
        std::vector<std::string> parts = std_split(std::string(text.c_str()), ",");
        benchmark::DoNotOptimize(parts.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

BENCHMARK(split_quilbex)->Name("split_text/quilbex");
BENCHMARK(split_std_string)->Name("split_text/std_string");

}  // namespace

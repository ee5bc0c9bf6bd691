// JsonDocument parse + get_text("data.title") on a 1 KB and a 100 KB reply
// against nlohmann::json parsing the same reply and reading the same value;
// convert_charset of 1 MB of UTF-8 to GBK against one direct iconv call (into
// a buffer kept between calls, and into a fresh one).

#include "app/flows/JsonDocument.h"
#include "app/net/TextHelpers.h"
#include "platform/kernel/CodePage.h"
#include "runtime/Memory.h"

#include <benchmark/benchmark.h>
#include <iconv.h>
#include <nlohmann/json.hpp>
#include <string>

namespace {

using namespace quilbex;

// A quote-service reply of about `size` bytes (UTF-8): the title first, then
// a list of items with Chinese and ASCII text.
std::string reply_utf8(std::size_t size) {
    std::string s = "{\"code\":200,\"data\":{\"title\":\"今天也要开心 keep going\",\"items\":[";
    for (int i = 0; s.size() < size - 64; ++i) {
        if (i)
            s += ',';
        s += "{\"id\":" + std::to_string(i) + ",\"text\":\"签到成功，获得积分 " + std::to_string(i * 7) +
             "\",\"ok\":true}";
    }
    s += "]}}";
    return s;
}

void json_quilbex(benchmark::State& state, std::size_t size) {
    std::string gbk = kernel::utf8_to_gbk(reply_utf8(size));
    app::JsonDocument doc;
    for (auto _ : state) {
        bool ok = doc.parse(gbk.c_str());
        commands::Text title = doc.get_text("data.title");
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(title.get());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(gbk.size()));
}

void json_nlohmann(benchmark::State& state, std::size_t size) {
    std::string utf8 = reply_utf8(size);
    for (auto _ : state) {
        auto j = nlohmann::json::parse(utf8);
        std::string title = j["data"]["title"].get<std::string>();
        benchmark::DoNotOptimize(title.data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(utf8.size()));
}

const std::string& megabyte_utf8() {
    static const std::string text = [] {
        std::string s;
        while (s.size() < (1u << 20))
            s += "签到成功，获得积分 12 点。Quote of the day: keep going! ";
        return s;
    }();
    return text;
}

void convert_quilbex(benchmark::State& state) {
    const std::string& utf8 = megabyte_utf8();
    rt::OwnedBlock body(rt::make_byte_set(utf8.data(), utf8.size()));
    for (auto _ : state) {
        commands::ByteSet out = app::convert_charset(body.get());
        benchmark::DoNotOptimize(out.get());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(utf8.size()));
}

// One conversion of `utf8` into `out` with a fresh iconv handle, as a plain
// caller would make it.
void iconv_once(const std::string& utf8, std::string& out) {
    iconv_t cd = iconv_open("CP936", "UTF-8");
    char* in = const_cast<char*>(utf8.data());
    std::size_t in_left = utf8.size();
    char* o = out.data();
    std::size_t out_left = out.size();
    iconv(cd, &in, &in_left, &o, &out_left);
    iconv_close(cd);
    benchmark::DoNotOptimize(out.data());
}

void convert_iconv(benchmark::State& state) {
    const std::string& utf8 = megabyte_utf8();
    std::string out(utf8.size() * 2, '\0');
    for (auto _ : state)
        iconv_once(utf8, out);
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(utf8.size()));
}

// The same call into a fresh buffer each time, as a converter that returns
// its result must do: the first touch of new memory is part of the cost.
void convert_iconv_fresh(benchmark::State& state) {
    const std::string& utf8 = megabyte_utf8();
    for (auto _ : state) {
        std::string out(utf8.size() * 2, '\0');
        iconv_once(utf8, out);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(utf8.size()));
}

}  // namespace

BENCHMARK_CAPTURE(json_quilbex, 1k, 1024)->Name("json_parse_get_text_1k/quilbex");
BENCHMARK_CAPTURE(json_nlohmann, 1k, 1024)->Name("json_parse_get_text_1k/nlohmann");
BENCHMARK_CAPTURE(json_quilbex, 100k, 100 * 1024)->Name("json_parse_get_text_100k/quilbex");
BENCHMARK_CAPTURE(json_nlohmann, 100k, 100 * 1024)->Name("json_parse_get_text_100k/nlohmann");
BENCHMARK(convert_quilbex)->Name("convert_charset_1mb/quilbex");
BENCHMARK(convert_iconv)->Name("convert_charset_1mb/iconv");
BENCHMARK(convert_iconv_fresh)->Name("convert_charset_1mb/iconv_fresh_buffer");

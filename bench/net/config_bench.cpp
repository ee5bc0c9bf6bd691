// Reading the settings file at start: the key table over one reading of the
// file, against reading each key with the profile function (which reads the
// whole file again for every key), on a Config.ini padded to 8 MB with
// comment lines.

#include "app/net/ConfigKeys.h"
#include "platform/kernel/ProfileFile.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

using namespace quilbex;

// The padded file, written at first use and removed when the benchmark ends.
struct PaddedFile {
    std::string path =
        (std::filesystem::temp_directory_path() / ("quilbex-bench-config-" + std::to_string(::getpid()) + ".ini"))
            .string();
    PaddedFile() {
        std::ofstream out(path, std::ios::binary);
        out << "[HOSTS]\r\nforum=bbs.example:8443\r\napi=m.example\r\n[TLS]\r\ninsecure=0\r\n[DAILY]\r\n"
               "message=早上好\r\n[PAD]\r\n";
        const std::string line = "; " + std::string(98, 'x') + "\r\n";
        for (std::size_t written = 0; written < (8u << 20); written += line.size())
            out << line;
    }
    ~PaddedFile() { std::filesystem::remove(path); }
};

const std::string& padded_file() {
    static const PaddedFile file;
    return file.path;
}

void config_quilbex(benchmark::State& state) {
    for (auto _ : state) {
        app::NetConfig config = app::net_config_from(app::SettingsDocument::read(padded_file()), "/nonexistent");
        benchmark::DoNotOptimize(config.hosts.forum.data());
    }
}

void config_profile_per_key(benchmark::State& state) {
    for (auto _ : state) {
        for (const app::ConfigKey& row : app::config_keys()) {
            char value[1024];
            kernel::GetPrivateProfileStringA(row.section, row.key, "", value, sizeof value, padded_file().c_str());
            benchmark::DoNotOptimize(value);
        }
    }
}

}  // namespace

BENCHMARK(config_quilbex)->Name("config_8mb/quilbex")->Unit(benchmark::kMillisecond);
BENCHMARK(config_profile_per_key)->Name("config_8mb/profile_per_key")->Unit(benchmark::kMillisecond);

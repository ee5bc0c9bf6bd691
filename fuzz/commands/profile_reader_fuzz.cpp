// The profile reader and writer on arbitrary file contents. Input: a section
// name, a key and a value separated by zero bytes, then the file contents.
// Checks: reads never overrun or leave an unterminated buffer, a value
// written reads back exactly, and the keys of every other section stay as
// they were.
#include "platform/kernel/ProfileFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace quilbex;

std::string profile_path() {
    // tmpfs when there is one: the writer flushes every file to disk.
    std::filesystem::path folder =
        std::filesystem::exists("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
    return (folder / ("quilbex-profile-fuzz-" + std::to_string(::getpid()) + ".ini")).string();
}

void fail(const char* what) {
    std::fprintf(stderr, "profile check failed: %s\n", what);
    std::abort();
}

std::vector<std::string> split_list(const std::vector<char>& buffer, std::uint32_t n) {
    std::vector<std::string> items;
    std::string current;
    for (std::uint32_t i = 0; i < n; ++i) {
        if (buffer[i] == 0) {
            items.push_back(current);
            current.clear();
        } else {
            current.push_back(buffer[i]);
        }
    }
    return items;
}

std::string get(const char* section, const char* key, const std::string& file, std::uint32_t size) {
    std::vector<char> buffer(size + 8, '\x7F');
    std::uint32_t n = kernel::GetPrivateProfileStringA(section, key, "dflt", buffer.data(), size, file.c_str());
    if (size == 0)
        return {};
    if (n > size - 1 || buffer[n] != 0)
        fail("result not terminated inside the buffer");
    for (std::size_t i = size; i < buffer.size(); ++i)
        if (buffer[i] != '\x7F')
            fail("wrote past the buffer");
    bool list = !section || !key;
    // A whole list ends "...\0\0" with n counting the first of those zeros;
    // a cut one ends with two zeros after its n bytes.
    if (list && size >= 2 && n != 0 && buffer[n - 1] != 0 && (n + 1 >= size || buffer[n + 1] != 0))
        fail("list not ended by two zeros");
    return list ? std::string(buffer.data(), n + 1) : std::string(buffer.data(), n);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string fields[3];
    std::size_t i = 0;
    for (int f = 0; f < 3; ++f) {
        while (i < size && data[i] != 0)
            fields[f].push_back(static_cast<char>(data[i++]));
        ++i;
    }
    std::string contents = i < size ? std::string(reinterpret_cast<const char*>(data) + i, size - i) : std::string();
    static const std::string file = profile_path();
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << contents;
    }
    const std::string& section = fields[0];
    const std::string& key = fields[1];
    const std::string& value = fields[2];

    for (std::uint32_t buffer_size : {0u, 1u, 2u, 3u, 7u, 4096u}) {
        get(section.c_str(), key.c_str(), file, buffer_size);
        get(section.c_str(), nullptr, file, buffer_size);
        get(nullptr, nullptr, file, buffer_size);
    }

    // Other sections' keys, before and after a write to this section.
    std::string sections_before = get(nullptr, nullptr, file, 1 << 16);
    std::vector<char> raw(sections_before.begin(), sections_before.end());
    std::vector<std::pair<std::string, std::string>> before;
    for (const std::string& name : split_list(raw, static_cast<std::uint32_t>(raw.size())))
        before.emplace_back(name, get(name.c_str(), nullptr, file, 1 << 16));

    if (!kernel::WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()))
        return 0;  // refused names and values are fine; the file is then unchanged
    // A value reads back as written unless the reader's own trimming or
    // unquoting applies to it.
    bool plain = !value.empty() && value.front() != ' ' && value.front() != '\t' && value.back() != ' ' &&
                 value.back() != '\t' && value.front() != '"' && value.front() != '\'';
    if (plain && get(section.c_str(), key.c_str(), file, 1 << 16) != value)
        fail("written value does not read back");
    // Names holding zero bytes cannot be told apart in a list; compare the
    // other sections only when there are none.
    if (contents.find('\0') != std::string::npos)
        return 0;
    for (const auto& [name, keys] : before) {
        std::string trimmed_section = section;
        auto blank = [](char c) { return c == ' ' || c == '\t'; };
        while (!trimmed_section.empty() && blank(trimmed_section.front()))
            trimmed_section.erase(trimmed_section.begin());
        while (!trimmed_section.empty() && blank(trimmed_section.back()))
            trimmed_section.pop_back();
        if (strcasecmp(name.c_str(), trimmed_section.c_str()) == 0)
            continue;
        if (get(name.c_str(), nullptr, file, 1 << 16) != keys)
            fail("another section's keys changed");
    }
    return 0;
}

#include "app/net/SettingsFile.h"

#include "platform/kernel/AtomicFile.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/ProfileFile.h"

#include <algorithm>
#include <vector>

namespace quilbex::app {

namespace {

bool is_plain_ascii(const std::string& bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool is_valid_utf8(const std::string& bytes) {
    return kernel::MultiByteToWideChar(kernel::CP_UTF8, kernel::MB_ERR_INVALID_CHARS, bytes.data(),
                                       static_cast<int>(bytes.size()), nullptr, 0) > 0;
}

// The value's bytes as they stand in the file. Values of any length are read
// whole: the buffer grows while the reader reports a cut result.
std::string raw_value(const std::string& file, const char* section, const char* key) {
    std::vector<char> buffer(1024);
    for (;;) {
        auto size = static_cast<win::DWORD>(buffer.size());
        win::DWORD length = kernel::GetPrivateProfileStringA(section, key, "", buffer.data(), size, file.c_str());
        if (length + 1 < size || buffer.size() >= (1u << 24))
            return std::string(buffer.data(), length);
        buffer.resize(buffer.size() * 4);
    }
}

}  // namespace

bool settings_file_is_utf8(const std::string& file) {
    std::string bytes;
    if (!kernel::read_file_contents(kernel::native_path(file), bytes))
        return false;
    return !is_plain_ascii(bytes) && bytes.size() < (1u << 30) && is_valid_utf8(bytes);
}

std::string read_setting_utf8(const std::string& file, const char* section, const char* key) {
    std::string value = raw_value(file, section, key);
    return settings_file_is_utf8(file) ? value : kernel::gbk_to_utf8(value);
}

std::string read_setting_text(const std::string& file, const char* section, const char* key) {
    std::string value = raw_value(file, section, key);
    return settings_file_is_utf8(file) ? kernel::utf8_to_gbk(value) : value;
}

}  // namespace quilbex::app

#include "app/net/SettingsFile.h"

#include "app/net/NetConfig.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/MemberFolders.h"
#include "platform/kernel/Paths.h"
#include "platform/kernel/ProfileFile.h"
#include "platform/kernel/RegularFile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace quilbex::app {

namespace {

bool is_plain_ascii(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool is_valid_utf8(std::string_view bytes) {
    return kernel::MultiByteToWideChar(kernel::CP_UTF8, kernel::MB_ERR_INVALID_CHARS, bytes.data(),
                                       static_cast<int>(bytes.size()), nullptr, 0) > 0;
}

bool utf8_text(std::string_view bytes) {
    return !is_plain_ascii(bytes) && bytes.size() < (1u << 30) && is_valid_utf8(bytes);
}

std::string lookup_name(std::string_view section, std::string_view key) {
    std::string name;
    name.reserve(section.size() + key.size() + 1);
    for (std::string_view part : {section, std::string_view("\n"), key})
        for (char c : part)
            name += (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    return name;
}

std::string_view trimmed(std::string_view name) {
    while (!name.empty() && (name.front() == ' ' || name.front() == '\t'))
        name.remove_prefix(1);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t'))
        name.remove_suffix(1);
    return name;
}

// The whole file, or the errno that kept it from being read. A FIFO or a
// device is refused rather than waited on.
int read_whole_file(const std::string& path, std::string& contents) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd)
        return errno;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        return errno;
    if (!S_ISREG(st.st_mode))
        return S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    contents.clear();
    contents.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return errno;
        if (got == 0)
            return 0;
        contents.append(buffer, static_cast<std::size_t>(got));
    }
}

struct MemberSettings {
    std::mutex mutex;
    std::shared_ptr<const SettingsDocument> document;
};

MemberSettings& member_state() {
    static MemberSettings state;
    return state;
}

}  // namespace

SettingsDocument SettingsDocument::read(const std::string& native_path) {
    std::string contents;
    int error = read_whole_file(native_path, contents);
    SettingsDocument document = parse(native_path, error ? std::string_view() : std::string_view(contents));
    document.m_error = error;
    return document;
}

SettingsDocument SettingsDocument::parse(const std::string& native_path, std::string_view contents) {
    SettingsDocument document;
    document.m_path = native_path;
    document.m_utf8 = utf8_text(contents);
    kernel::for_each_profile_value(contents,
                                   [&](std::string_view section, std::string_view key, std::string_view value) {
                                       document.m_values.emplace(lookup_name(section, key), std::string(value));
                                   });
    return document;
}

const std::string* SettingsDocument::raw(std::string_view section, std::string_view key) const {
    auto found = m_values.find(lookup_name(trimmed(section), trimmed(key)));
    return found == m_values.end() ? nullptr : &found->second;
}

std::string SettingsDocument::value(std::string_view section, std::string_view key) const {
    const std::string* bytes = raw(section, key);
    if (!bytes)
        return "";
    return m_utf8 ? *bytes : kernel::gbk_to_utf8(*bytes);
}

std::string SettingsDocument::text(std::string_view section, std::string_view key) const {
    const std::string* bytes = raw(section, key);
    if (!bytes)
        return "";
    return m_utf8 ? kernel::utf8_to_gbk(*bytes) : *bytes;
}

std::string member_settings_path() {
    const kernel::MemberFolders& folders = kernel::member_folders();
    if (!folders.named_config_file.empty())
        return folders.named_config_file;
    return kernel::redirect_member_file(folders.program_folder + "/" + kernel::kConfigFileName);
}

bool settings_file_named() { return !kernel::member_folders().named_config.empty(); }

std::shared_ptr<const SettingsDocument> member_settings() {
    MemberSettings& state = member_state();
    std::lock_guard lock(state.mutex);
    if (!state.document)
        state.document = std::make_shared<const SettingsDocument>(SettingsDocument::read(member_settings_path()));
    return state.document;
}

std::shared_ptr<const SettingsDocument> reload_member_settings() {
    auto document = std::make_shared<const SettingsDocument>(SettingsDocument::read(member_settings_path()));
    MemberSettings& state = member_state();
    std::lock_guard lock(state.mutex);
    state.document = document;
    return document;
}

bool settings_file_is_utf8(const std::string& file) {
    std::string bytes;
    return read_whole_file(kernel::native_path(file), bytes) == 0 && utf8_text(bytes);
}

namespace {

std::shared_ptr<const SettingsDocument> document_of(const std::string& file) {
    if (file == config_file_path(kernel::program_folder_text()))
        return member_settings();
    return std::make_shared<const SettingsDocument>(SettingsDocument::read(kernel::native_path(file)));
}

}  // namespace

std::string read_setting_utf8(const std::string& file, const char* section, const char* key) {
    return document_of(file)->value(section, key);
}

std::string read_setting_text(const std::string& file, const char* section, const char* key) {
    return document_of(file)->text(section, key);
}

}  // namespace quilbex::app

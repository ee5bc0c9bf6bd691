#include "app/windows/SetupFields.h"

#include "app/net/HostValue.h"
#include "app/net/SettingsFile.h"
#include "platform/kernel/AtomicFile.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/ProfileFile.h"

#include <sys/stat.h>

namespace quilbex::app {

namespace {

std::string_view trimmed(std::string_view text) {
    const char* spaces = " \t\r\n";
    auto first = text.find_first_not_of(spaces);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(spaces) - first + 1);
}

// A key and its value as the settings file holds them.
struct Entry {
    const char* section;
    const char* key;
    std::string value;  // UTF-8; empty removes the key
};

std::vector<Entry> entries_of(const SetupValues& values) {
    auto host = [](const std::string& typed) { return service_host(trimmed(typed)).value_or(""); };
    return {{"HOSTS", "forum", host(values.forum)},
            {"HOSTS", "api", host(values.api)},
            {"HOSTS", "quote", host(values.quote)},
            {"HOSTS", "account", host(values.account)},
            {"TLS", "ca_file", std::string(trimmed(values.ca_file))},
            {"DAILY", "message", values.message}};
}

bool has_key(const std::string& config_file, const char* section, const char* key) {
    char value[2] = {};
    constexpr const char* kAbsent = "\x01";
    kernel::GetPrivateProfileStringA(section, key, kAbsent, value, sizeof value, config_file.c_str());
    return value[0] != kAbsent[0];
}

bool file_exists(const std::string& native) {
    struct stat st {};
    return ::stat(native.c_str(), &st) == 0;
}

}  // namespace

std::vector<HostToCheck> hosts_to_check(const SetupValues& values) {
    std::vector<HostToCheck> hosts;
    auto add = [&](const char* key, const std::string& typed, bool required) {
        if (!required && trimmed(typed).empty())
            return;
        std::string host = service_host(trimmed(typed)).value_or("");
        for (HostToCheck& known : hosts) {
            if (!host.empty() && known.host == host) {
                known.keys += std::string(", ") + key;
                return;
            }
        }
        hosts.push_back({key, host});
    };
    add("forum", values.forum, true);
    add("api", trimmed(values.api).empty() ? values.forum : values.api, true);
    add("quote", values.quote, false);
    add("account", values.account, false);
    return hosts;
}

std::string authority_path(const std::string& config_file, const std::string& typed) {
    std::string path(trimmed(typed));
    if (path.empty() || path.front() == '/')
        return path;
    const std::string native = kernel::native_path(config_file);
    const auto slash = native.rfind('/');
    return (slash == std::string::npos ? std::string(".") : native.substr(0, slash)) + "/" + path;
}

std::string setup_values_problem(const SetupValues& values, const std::string& config_file) {
    if (trimmed(values.forum).empty())
        return "请填写论坛地址，例如 bbs.example.com。";
    const std::pair<const char*, const std::string*> fields[] = {{"论坛地址", &values.forum},
                                                                 {"手机接口", &values.api},
                                                                 {"每日一句", &values.quote},
                                                                 {"帐号网站", &values.account}};
    for (const auto& [name, typed] : fields) {
        if (!trimmed(*typed).empty() && !service_host(trimmed(*typed)))
            return std::string(name) + "“" + std::string(trimmed(*typed)) +
                   "”不是一个网站地址：请写主机名（可以带 :端口），或从浏览器复制论坛的网址。";
    }
    const std::string authority = authority_path(config_file, values.ca_file);
    struct stat st {};
    if (!authority.empty() && (::stat(authority.c_str(), &st) != 0 || !S_ISREG(st.st_mode)))
        return "找不到 CA 证书文件 " + authority + "。";
    return "";
}

bool write_setup_values(const std::string& config_file, const SetupValues& values, std::string_view template_text) {
    const std::string native = kernel::native_path(config_file);
    if (!file_exists(native) && !kernel::replace_file_contents(native, {template_text}))
        return false;
    const bool utf8 = settings_file_is_utf8(config_file) || !file_exists(native);
    for (const Entry& entry : entries_of(values)) {
        // An empty field leaves a key that the file does not have out of it,
        // and empties one it has, so that the template's lines stay in place.
        if (entry.value.empty() && !has_key(config_file, entry.section, entry.key))
            continue;
        std::string value = utf8 ? entry.value : kernel::utf8_to_gbk(entry.value);
        if (!kernel::WritePrivateProfileStringA(entry.section, entry.key, value.c_str(), config_file.c_str()))
            return false;
    }
    return true;
}

SetupValues read_setup_values(const std::string& config_file) {
    SetupValues values;
    values.forum = read_setting_utf8(config_file, "HOSTS", "forum");
    values.api = read_setting_utf8(config_file, "HOSTS", "api");
    values.quote = read_setting_utf8(config_file, "HOSTS", "quote");
    values.account = read_setting_utf8(config_file, "HOSTS", "account");
    values.ca_file = read_setting_utf8(config_file, "TLS", "ca_file");
    values.message = read_setting_utf8(config_file, "DAILY", "message");
    return values;
}

}  // namespace quilbex::app

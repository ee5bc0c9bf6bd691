#include "app/net/NetConfig.h"

#include "app/net/HostValue.h"
#include "app/net/SettingsFile.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/Paths.h"
#include "platform/wininet/TlsTrust.h"

#include <cstdlib>
#include <sys/stat.h>

namespace quilbex::app {

namespace {

NetConfig& installed() {
    static NetConfig config;
    return config;
}

void read_host(const std::string& file, const char* key, std::string& host, NetConfig& config, int& named) {
    std::string value = read_setting_utf8(file, "HOSTS", key);
    if (value.empty()) {
        config.missing_hosts.emplace_back(key);
        return;
    }
    if (!is_valid_host_value(value))
        config.invalid_values.push_back({"HOSTS", key, value});
    host = value;
    ++named;
}

std::string folder_of(const std::string& path) {
    auto slash = kernel::native_path(path).rfind('/');
    return slash == std::string::npos ? std::string(".") : kernel::native_path(path).substr(0, slash);
}

bool file_exists(const std::string& native) {
    struct stat st {};
    return ::stat(native.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

std::string config_file_path(const std::string& program_dir) {
    if (const char* named = std::getenv("QUILBEX_CONFIG"); named && *named)
        return kernel::utf8_to_gbk(named);
    return program_dir + "\\Config.ini";
}

NetConfig read_net_config(const std::string& config_file, const std::string& program_dir) {
    NetConfig config;
    int named = 0;
    read_host(config_file, "forum", config.hosts.forum, config, named);
    read_host(config_file, "api", config.hosts.api, config, named);
    read_host(config_file, "quote", config.hosts.quote, config, named);
    read_host(config_file, "account", config.hosts.account, config, named);
    if (named == 0)
        config.missing_hosts.clear();

    std::string ca = read_setting_utf8(config_file, "TLS", "ca_file");
    if (!ca.empty()) {
        std::string native = kernel::to_native_path(ca);
        config.ca_file = native.front() == '/' ? native : folder_of(config_file) + "/" + native;
        if (!file_exists(config.ca_file))
            config.invalid_values.push_back({"TLS", "ca_file", ca});
    } else if (only_default_hosts(config.hosts)) {
        // The demo authority can sign for anyone who holds a copy of the
        // program folder: it is trusted for the local services only.
        std::string demo = kernel::native_path(program_dir) + "/sim-certs/ca.pem";
        if (file_exists(demo))
            config.ca_file = demo;
    }
    std::string insecure = read_setting_utf8(config_file, "TLS", "insecure");
    if (!insecure.empty() && insecure != "0" && insecure != "1")
        config.invalid_values.push_back({"TLS", "insecure", insecure});
    config.insecure = insecure == "1";
    return config;
}

bool only_default_hosts(const ServiceHosts& hosts) {
    const ServiceHosts defaults;
    auto is_default = [&](const std::string& host) {
        return host == defaults.forum || host == defaults.api || host == defaults.quote || host == defaults.account;
    };
    return is_default(hosts.forum) && is_default(hosts.api) && is_default(hosts.quote) && is_default(hosts.account);
}

std::string missing_hosts_message(const NetConfig& config, const std::string& config_file) {
    std::string keys;
    for (const std::string& key : config.missing_hosts)
        keys += (keys.empty() ? "" : ", ") + key;
    return kernel::utf8_to_gbk("配置文件 ") + kernel::utf8_to_gbk(kernel::native_path(config_file)) +
           kernel::utf8_to_gbk(" 的 [HOSTS] 节只写了部分主机，缺少：") + keys +
           kernel::utf8_to_gbk("。\r\n\r\n请写全 forum、api、quote、account 四项，"
                               "或全部删去以使用本地演示服务。程序不发送任何请求，现在退出。");
}

std::string config_problem_message(const NetConfig& config, const std::string& config_file) {
    if (config.invalid_values.empty())
        return config.missing_hosts.empty() ? std::string() : missing_hosts_message(config, config_file);
    std::string text = "配置文件 " + kernel::native_path(config_file) + " 里有无效的设置：\r\n";
    for (const NetConfig::InvalidValue& invalid : config.invalid_values) {
        text += "\r\n[" + invalid.section + "] " + invalid.key + " 的值是“" + invalid.value + "”：";
        if (invalid.key == "ca_file")
            text += "找不到这个证书文件。";
        else if (invalid.key == "insecure")
            text += "只能是 0 或 1。";
        else
            text += "这不是主机名、IPv4 地址或方括号里的 IPv6 地址（可以带 1 到 65535 的端口，不带 http:// 和路径）。";
    }
    text += "\r\n\r\n和所有 Windows 设置文件一样，';' 只在一行的开头才表示注释：写在值后面的 '; 说明' "
            "会成为值的一部分。请把说明写在单独的一行。程序不发送任何请求，现在退出。";
    return kernel::utf8_to_gbk(text);
}

void install_net_config(const NetConfig& config) {
    installed() = config;
    wininet::set_extra_ca_file(config.ca_file);
    wininet::set_insecure(config.insecure);
}

const NetConfig& net_config() { return installed(); }

}  // namespace quilbex::app

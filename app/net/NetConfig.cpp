#include "app/net/NetConfig.h"

#include "app/net/ConfigKeys.h"
#include "app/net/SettingsFile.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/MemberFolders.h"
#include "platform/kernel/Paths.h"
#include "platform/wininet/TlsTrust.h"

#include <algorithm>

namespace quilbex::app {

namespace {

NetConfig& installed() {
    static NetConfig config;
    return config;
}

}  // namespace

std::string config_file_path(const std::string& program_dir) {
    const std::string& named = kernel::member_folders().named_config;
    return named.empty() ? program_dir + "\\Config.ini" : kernel::utf8_to_gbk(named);
}

NetConfig read_member_net_config() {
    return net_config_from(*member_settings(), kernel::member_folders().program_folder, settings_file_named());
}

NetConfig read_net_config(const std::string& config_file, const std::string& program_dir) {
    return net_config_from(SettingsDocument::read(kernel::native_path(config_file)), kernel::native_path(program_dir));
}

bool only_default_hosts(const ServiceHosts& hosts) {
    const ServiceHosts defaults;
    auto is_default = [&](const std::string& host) {
        return host.empty() || host == defaults.forum || host == defaults.api || host == defaults.quote ||
               host == defaults.account;
    };
    return !hosts.forum.empty() && is_default(hosts.forum) && is_default(hosts.api) && is_default(hosts.quote) &&
           is_default(hosts.account);
}

std::vector<std::string> configured_hosts(const ServiceHosts& hosts) {
    std::vector<std::string> set;
    for (const std::string* host : {&hosts.forum, &hosts.api, &hosts.quote, &hosts.account})
        if (!host->empty() && std::find(set.begin(), set.end(), *host) == set.end())
            set.push_back(*host);
    return set;
}

bool needs_setup(const NetConfig& config) {
    return kernel::member_folders().layout == kernel::Layout::installed &&
           (!config.hosts_named || !config.missing_hosts.empty());
}

std::string missing_hosts_message(const NetConfig& config, const std::string& config_file) {
    std::string keys;
    for (const std::string& key : config.missing_hosts)
        keys += (keys.empty() ? "" : ", ") + key;
    return kernel::utf8_to_gbk("配置文件 " + config_file + " 的 [HOSTS] 节写了其他主机，但缺少：" + keys +
                               "（论坛的地址）。\r\n\r\n请填写 forum，例如 forum = bbs.example.com，"
                               "或删去 [HOSTS] 节的全部主机以使用本地演示服务。程序不发送任何请求，现在退出。");
}

std::string config_problem_message(const NetConfig& config, const std::string& config_file) {
    if (!config.unreadable.empty())
        return kernel::utf8_to_gbk("无法读取配置文件 " + config_file + "：" + config.unreadable +
                                   "。\r\n\r\n程序不发送任何请求，现在退出。");
    if (config.invalid_values.empty())
        return config.missing_hosts.empty() ? std::string() : missing_hosts_message(config, config_file);
    std::string text = "配置文件 " + config_file + " 里有无效的设置：\r\n";
    for (const NetConfig::InvalidValue& invalid : config.invalid_values)
        text += "\r\n[" + invalid.section + "] " + invalid.key + " 的值是“" + invalid.value + "”：" + invalid.takes;
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

#include "app/net/FirstStart.h"

#include "platform/kernel/AtomicFile.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/MemberFolders.h"

#include <sys/stat.h>

namespace quilbex::embedded {
std::string_view config_template_text();
}

namespace quilbex::app {

namespace {

// Writes the template where the member's settings file is missing (the
// default member's, which serves the profiles without one).
bool write_template(const std::string& native) {
    struct stat st {};
    if (native != kernel::member_folders().shared_config_file() || ::lstat(native.c_str(), &st) == 0)
        return false;
    return static_cast<bool>(kernel::replace_file_contents(native, {config_template()}));
}

}  // namespace

std::string_view config_template() { return embedded::config_template_text(); }

std::string configuration_problem(const NetConfig& config, const std::string& config_file) {
    if (!config.unreadable.empty() || !config.invalid_values.empty() || !needs_setup(config))
        return config_problem_message(config, config_file);
    std::string text = "还没有填写论坛的地址：配置文件 " + config_file + " 的 [HOSTS] 节没有 forum";
    text += write_template(config_file) ? "（已写入带说明的模板）" : "";
    text += "。\r\n\r\n请填写论坛的地址（例如 forum = bbs.example.com）后再启动，其他主机可以不填。"
            "安装的程序不使用本地演示服务；程序不发送任何请求，现在退出。";
    return kernel::utf8_to_gbk(text);
}

}  // namespace quilbex::app

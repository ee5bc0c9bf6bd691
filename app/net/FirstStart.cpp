#include "app/net/FirstStart.h"

#include "platform/kernel/AtomicFile.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/MemberFolders.h"
#include "platform/kernel/ProfileFile.h"

#include <sys/stat.h>

namespace quilbex::embedded {
std::string_view config_template_text();
}

namespace quilbex::app {

namespace {

constexpr const char* kHostKeys[] = {"forum", "api", "quote", "account"};

bool names_any_host(const std::string& config_file) {
    for (const char* key : kHostKeys) {
        char value[8] = {};
        if (kernel::GetPrivateProfileStringA("HOSTS", key, "", value, sizeof value, config_file.c_str()) > 0)
            return true;
    }
    return false;
}

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
    if (std::string problem = config_problem_message(config, config_file); !problem.empty())
        return problem;
    if (kernel::member_folders().layout != kernel::Layout::installed || names_any_host(config_file))
        return "";
    const std::string native = kernel::native_path(config_file);
    std::string text = "配置文件 " + native + " 还没有填写服务器";
    text += write_template(native) ? "（已写入带说明的模板）" : "";
    text += "，缺少 [HOSTS] 节的：forum, api, quote, account。\r\n\r\n"
            "请填写这四项后再启动。安装的程序不使用本地演示服务；程序不发送任何请求，现在退出。";
    return kernel::utf8_to_gbk(text);
}

}  // namespace quilbex::app

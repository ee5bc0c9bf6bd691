#include "app/daily/ExpiryWarning.h"

#include "app/alerts/Alerts.h"
#include "app/alerts/Notifier.h"
#include "app/member/History.h"
#include "app/member/HistoryTable.h"
#include "app/member/SavedCookie.h"
#include "platform/kernel/MemberFolders.h"

#include <cstdio>
#include <string_view>

namespace quilbex::app {

namespace {

std::string expiry_text(int days_left) {
    if (days_left < 0)
        return "Cookie 已经过期";
    if (days_left == 0)
        return "Cookie 今天到期";
    return "Cookie 将在 " + std::to_string(days_left) + " 天后到期";
}

}  // namespace

bool warned_today(const std::string& history_file, std::time_t now) {
    const std::string today = local_time_text(now).substr(0, 10);
    const std::string marker = std::string("\t") + kExpiryStep + "\t";
    bool warned = false;
    // A history that cannot be read (or is no regular file) holds no warning.
    (void)for_each_history_line(history_file, [&](std::string_view line) {
        warned = warned || (line.substr(0, today.size()) == today && line.find(marker) != std::string_view::npos);
    });
    return warned;
}

std::string relogin_command() {
    const std::string& profile = kernel::member_folders().profile;
    return profile.empty() ? "quilbex --login" : "quilbex --login --profile " + profile;
}

bool warn_of_cookie_expiry(std::optional<std::int64_t> expires, std::time_t now, int warn_days) {
    std::optional<int> days_left = days_until_expiry(expires, now, warn_days);
    const std::string history = kernel::member_folders().history_file();
    if (!days_left || warned_today(history, now))
        return false;
    const std::string summary = expiry_text(*days_left);
    const std::string body =
        describe_cookie_expiry(expires) + "。请重新登录论坛：" + relogin_command() + "，或在窗口中点“登录”后“保存”。";
    std::fprintf(stderr, "quilbex: %s（%s）\n", summary.c_str(), body.c_str());
    append_history_line(history, format_history_note(now, RunSource::command_line, kExpiryStep, summary + "；" + body));
    notify_desktop(summary, body);
    alert_member_notice(summary, body);
    return true;
}

}  // namespace quilbex::app

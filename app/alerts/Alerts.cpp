#include "app/alerts/Alerts.h"

#include "app/alerts/MailChannel.h"
#include "app/alerts/WebhookChannel.h"
#include "app/member/History.h"
#include "app/net/NetConfig.h"
#include "platform/kernel/MemberFolders.h"
#include "platform/kernel/Paths.h"

#include <cstdio>
#include <memory>

namespace quilbex::app {

namespace {

// "webhook（push.example.com）"
std::string channel_label(const ChannelReport& report) {
    return report.host.empty() ? report.channel : report.channel + "（" + report.host + "）";
}

void record(std::vector<ChannelReport>& reports, AlertChannel& channel, const AlertMessage& message) {
    ChannelResult result = channel.send(message);
    reports.push_back({channel.name(), channel.host(), result.sent, result.detail});
}

AlertConfig member_alert_config() { return read_alert_config(config_file_path(kernel::program_folder_text())); }

// Who the alert is about: the profile's name, or the program folder for its
// own member.
std::string member_name() {
    const kernel::MemberFolders& folders = kernel::member_folders();
    return folders.profile.empty() ? folders.program_folder : folders.profile;
}

}  // namespace

std::vector<ChannelReport> send_alert_message(const AlertConfig& config, const AlertMessage& message) {
    std::vector<ChannelReport> reports;
    for (const ChannelProblem& problem : config.problems)
        reports.push_back({problem.channel, problem.host, false, problem.error});
    if (config.webhook) {
        WebhookChannel webhook(*config.webhook);
        record(reports, webhook, message);
    }
    if (config.mail) {
        MailChannel mail(*config.mail);
        record(reports, mail, message);
    }
    return reports;
}

std::vector<ChannelReport> send_alerts(const AlertConfig& config, RunStatus status, const std::string& summary,
                                       const std::string& body, const std::string& member, std::time_t when) {
    if (!run_outcome(status).tells_member())
        return {};
    return send_alert_message(config, alert_message(summary, body, member, when));
}

void alert_member(RunStatus status, const std::string& summary, const std::string& body) {
    const std::string history = kernel::member_folders().history_file();
    for (const ChannelReport& report :
         send_alerts(member_alert_config(), status, summary, body, member_name(), std::time(nullptr))) {
        if (report.sent)
            continue;
        std::fprintf(stderr, "quilbex: 提醒没有送出：%s：%s\n", channel_label(report).c_str(), report.detail.c_str());
        append_history_line(history,
                            format_history_note(std::time(nullptr), RunSource::command_line, "alert",
                                                "提醒没有送出：" + channel_label(report) + "：" + report.detail));
    }
}

int notify_test() {
    AlertConfig config = member_alert_config();
    if (!config.any()) {
        std::fputs("quilbex: Config.ini 的 [NOTIFY] 节没有设置提醒渠道（webhook 或 smtp）。\n", stderr);
        return static_cast<int>(RunStatus::failed);
    }
    bool all_sent = true;
    for (const ChannelReport& report :
         send_alert_message(config, test_alert_message(member_name(), std::time(nullptr)))) {
        all_sent = all_sent && report.sent;
        std::printf("%s：%s：%s\n", channel_label(report).c_str(), report.sent ? "已送出" : "没有送出",
                    report.detail.c_str());
    }
    std::fflush(stdout);
    return all_sent ? 0 : static_cast<int>(RunStatus::failed);
}

}  // namespace quilbex::app

#include "app/alerts/Alerts.h"

#include "app/alerts/AlertEncoding.h"
#include "app/member/History.h"
#include "app/net/SettingsFile.h"
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
    reports.push_back({channel.name(), channel.host(), channel.send(message)});
}

// From the member's settings file as the process read it at its start.
AlertConfig member_alert_config() { return read_alert_config(*member_settings()); }

// Who the alert is about: the profile's name, or "默认" for the program
// folder's own member (the folder's path says nothing to a member reading
// an alert on a phone, and may not even be UTF-8).
std::string member_name() {
    const kernel::MemberFolders& folders = kernel::member_folders();
    return folders.profile.empty() ? kDefaultMemberName : folders.profile;
}

// The expiry that Cookie.ini records beside the cookie, when it does.
std::optional<std::time_t> cookie_expires() {
    std::string text =
        read_setting_utf8(kernel::program_folder_text() + "\\" + kernel::kCookieFileName, "COOKIE", "expires");
    if (text.empty() || text.size() > 12 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return static_cast<std::time_t>(std::stoll(text));
}

// Each channel that did not send, on standard error and in History.log.
void report_failures(const std::vector<ChannelReport>& reports) {
    const std::string history = kernel::member_folders().history_file();
    for (const ChannelReport& report : reports) {
        if (report.sent)
            continue;
        const std::string& reason = report.sent.reason();
        std::fprintf(stderr, "quilbex: 提醒没有送出：%s：%s\n", channel_label(report).c_str(), reason.c_str());
        append_history_line(history, format_history_note(std::time(nullptr), RunSource::command_line, "alert",
                                                         "提醒没有送出：" + channel_label(report) + "：" + reason));
    }
}

RunFacts member_facts(RunFacts facts) {
    facts.member = member_name();
    facts.cookie_expires = cookie_expires();
    return facts;
}

}  // namespace

std::vector<ChannelReport> send_alert_message(const AlertConfig& config, const AlertMessage& message) {
    const AlertMessage clean{valid_utf8(message.title), valid_utf8(message.text)};
    std::vector<ChannelReport> reports;
    for (const ChannelProblem& problem : config.problems)
        reports.push_back({problem.channel, problem.host, kernel::Failure{problem.error}});
    for (const auto& channel : config.channels)
        record(reports, *channel, clean);
    return reports;
}

bool alert_wanted(const AlertConfig& config, RunStatus status) {
    return config.when == AlertWhen::always || run_outcome(status).tells_member();
}

std::vector<ChannelReport> send_alerts(const AlertConfig& config, const RunOutcome& outcome, const RunFacts& facts,
                                       std::time_t when) {
    const RunStatus status = outcome.status;
    if (!alert_wanted(config, status))
        return {};
    const char* title = outcome.tells_member()      ? outcome.summary
                        : status == RunStatus::done ? "Quilbex 签到：完成"
                                                    : "Quilbex 签到：出错";
    std::string body = outcome.tells_member() ? outcome.body : outcome.meaning;
    if (!facts.detail.empty())
        body += "\n" + facts.detail;
    return send_alert_message(config, alert_message(title, body, facts, when));
}

void alert_member(const RunOutcome& outcome, RunFacts facts) {
    AlertConfig config = member_alert_config();
    if (config.any() && alert_wanted(config, outcome.status))
        report_failures(send_alerts(config, outcome, member_facts(std::move(facts)), std::time(nullptr)));
}

void alert_member_notice(const std::string& summary, const std::string& body) {
    AlertConfig config = member_alert_config();
    if (config.any())
        report_failures(send_alert_message(config, alert_message(summary, body, member_facts({}), std::time(nullptr))));
}

int notify_test() {
    AlertConfig config = member_alert_config();
    if (!config.any()) {
        std::fputs(
            "quilbex: 没有设置提醒渠道：Config.ini 的 [NOTIFY] 节和环境变量里都没有（见 README 的“提醒”一节）。\n",
            stderr);
        return static_cast<int>(RunStatus::failed);
    }
    if (config.from_environment)
        std::puts("提醒渠道取自环境变量（Config.ini 的 [NOTIFY] 节没有设置渠道）。");
    bool all_sent = true;
    for (const ChannelReport& report :
         send_alert_message(config, test_alert_message(member_facts({}), std::time(nullptr)))) {
        all_sent = all_sent && report.sent;
        std::printf("%s：%s：%s\n", channel_label(report).c_str(), report.sent ? "已送出" : "没有送出",
                    report.detail().c_str());
    }
    std::fflush(stdout);
    return all_sent ? 0 : static_cast<int>(RunStatus::failed);
}

}  // namespace quilbex::app

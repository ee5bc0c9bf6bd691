#include "app/daily/SignInRun.h"

#include "app/daily/History.h"
#include "app/daily/Notifier.h"
#include "app/daily/RunLock.h"
#include "app/flows/Globals.h"
#include "app/flows/Lottery.h"
#include "app/flows/Quote.h"
#include "app/flows/SignIn.h"
#include "app/net/HttpClient.h"
#include "app/net/NetConfig.h"
#include "app/net/SettingsFile.h"
#include "app_flows_texts/FlowTexts.h"
#include "commands/Facade.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/Paths.h"

#include <cstdio>
#include <cstring>

namespace quilbex::app {

namespace {

// Sent when no message of the day could be found; the forum takes any text.
constexpr const char* kFixedMessage = "每天签到，天天开心";

bool contains(const char* text, const std::string& phrase) {
    return text && std::strstr(text, phrase.c_str()) != nullptr;
}

std::string gbk(const char* utf8) { return kernel::utf8_to_gbk(utf8); }

std::string read_setting(const std::string& file, const char* section, const char* key) {
    commands::Text value = commands::read_config(file.c_str(), section, key);
    return value ? value.get() : "";
}

// The message of the day in GBK: --message, else [DAILY] message of the
// settings file, else a fresh quote, else the fixed message.
std::string message_of_the_day(const SignInOptions& options, const std::string& folder, StatusSink& sink) {
    if (options.message)
        return gbk(options.message->c_str());
    std::string configured = read_setting_text(config_file_path(folder), "DAILY", "message");
    if (!configured.empty())
        return configured;
    commands::Text quote = fetch_quote();
    if (quote) {
        sink.report(FlowStep::quote, 0, quote.get());
        return quote.get();
    }
    std::fputs("quilbex: 没有得到每日一句，改用固定的签到文本。\n", stderr);
    return gbk(kFixedMessage);
}

void explain(RunStatus status) {
    const char* summary = nullptr;
    const char* body = nullptr;
    switch (status) {
    case RunStatus::not_logged_in:
        summary = "Quilbex 签到：未登录";
        body = "登录已失效，请打开程序重新登录";
        break;
    case RunStatus::no_answer:
        summary = "Quilbex 签到：网络无应答";
        body = "网络无应答或证书被拒绝，请检查网络后再试";
        break;
    case RunStatus::refused:
        summary = "Quilbex 签到：签到失败";
        body = "论坛拒绝了签到，请修改签到文本后再试";
        break;
    default: return;
    }
    std::fprintf(stderr, "quilbex: %s\n", body);
    notify_desktop(summary, body);
}

}  // namespace

RunStatus classify_sign_in(const char* status, bool answered) {
    std::string text = status ? status : "";
    if (!answered)
        return RunStatus::no_answer;
    if (text == texts::signed_in() || text == texts::signed_today())
        return RunStatus::done;
    if (text == texts::sign_failed())
        return RunStatus::refused;
    if (contains(status, texts::not_logged_in()) || contains(status, gbk("需要先登录")) ||
        contains(status, gbk("请先登录")))
        return RunStatus::not_logged_in;
    return RunStatus::failed;
}

RunStatus run_sign_in(const SignInOptions& options, const std::string& program_dir) {
    TerminalSink terminal(stdout, options.verbosity);
    HistorySink history(history_file_path(program_dir), RunSource::command_line);
    SinkList sinks{&terminal, &history};

    // The program's own text for its folder, as every file name of the program begins.
    const std::string folder = kernel::folder_text(program_dir);
    std::string cookie = read_setting(folder + "/Cookie.ini", "COOKIE", "cookie");
    if (cookie.empty()) {
        std::fputs("quilbex: Cookie.ini 里没有保存的 Cookie。\n", stderr);
        explain(RunStatus::not_logged_in);
        return RunStatus::not_logged_in;
    }
    auto lock = RunLock::acquire(program_dir, options.wait);
    if (!lock) {
        std::fprintf(stderr, "quilbex: 另一次签到仍在进行，等了 %lld 秒后放弃。\n",
                     static_cast<long long>(options.wait.count() / 1000));
        return RunStatus::failed;
    }
    // The run waited for one that has just drawn: the forum takes a member's
    // draws only some seconds apart, so this run keeps the lottery's pause
    // before it starts instead of drawing straight after the other's last draw.
    if (lock->waited())
        commands::delay(kDrawPauseMs);
    set_forum_cookie(cookie.c_str());
    std::string message = message_of_the_day(options, folder, sinks);
    commands::Text formhash = fetch_formhash();
    bool answered = last_request_answered();
    commands::Text status = post_sign_in(message.c_str(), formhash.get());
    answered = answered && last_request_answered();
    sinks.report(FlowStep::sign_in, 0, status ? status.get() : "");

    RunStatus result = classify_sign_in(status.get(), answered);
    if (result == RunStatus::done || result == RunStatus::refused)
        run_lottery_series(sinks);
    release_forum_cookie();
    explain(result);
    return result;
}

}  // namespace quilbex::app

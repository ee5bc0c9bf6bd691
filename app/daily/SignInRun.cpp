#include "app/daily/SignInRun.h"

#include "app/alerts/Alerts.h"
#include "app/alerts/Notifier.h"
#include "app/daily/ExpiryWarning.h"
#include "app/daily/Relogin.h"
#include "app/flows/Globals.h"
#include "app/flows/Lottery.h"
#include "app/flows/Quote.h"
#include "app/flows/SignIn.h"
#include "app/member/History.h"
#include "app/member/RunLock.h"
#include "app/member/SavedCookie.h"
#include "app/net/HttpClient.h"
#include "app/net/NetConfig.h"
#include "app_flows_texts/FlowTexts.h"
#include "commands/Facade.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/MemberFolders.h"
#include "platform/kernel/Paths.h"

#include <cstdio>
#include <cstring>
#include <optional>
#include <thread>

namespace quilbex::app {

namespace {

// Sent when no message of the day could be found; the forum takes any text.
constexpr const char* kFixedMessage = "每天签到，天天开心";
// The sign-in status shown and recorded when a request got no answer.
constexpr const char* kNoAnswer = "网络无应答";

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
std::string message_of_the_day(const SignInOptions& options, StatusSink& sink) {
    if (options.message)
        return gbk(options.message->c_str());
    std::string configured = kernel::utf8_to_gbk(net_config().daily_message);
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

// `began`: when the run began, which bounds the wait its notification may add.
void explain(RunStatus status, std::chrono::steady_clock::time_point began) {
    const RunOutcome& outcome = run_outcome(status);
    if (!outcome.tells_member())
        return;
    std::fprintf(stderr, "quilbex: %s\n", outcome.body);
    if (status == RunStatus::not_logged_in) {
        // The channels first: the notification may wait minutes for a press.
        alert_member(status, outcome.summary, outcome.body);
        offer_relogin(outcome.summary, outcome.body, relogin_wait(std::chrono::steady_clock::now() - began));
        return;
    }
    notify_desktop(outcome.summary, outcome.body);
    alert_member(status, outcome.summary, outcome.body);
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

namespace {

// One try: the run lock, the sign-in and, when the login works, the draws.
// Nothing when another run still holds the lock after the wait.
std::optional<RunStatus> sign_in_once(const SignInOptions& options, const std::string& cookie, StatusSink& sinks) {
    auto lock = RunLock::acquire(kernel::member_folders().state_folder, options.wait);
    if (!lock) {
        std::fprintf(stderr, "quilbex: 另一次签到仍在进行，等了 %lld 秒后放弃。\n",
                     static_cast<long long>(options.wait.count() / 1000));
        return std::nullopt;
    }
    // The run waited for one that has just drawn: the forum takes a member's
    // draws only some seconds apart, so this run keeps the lottery's pause
    // before it starts instead of drawing straight after the other's last draw.
    if (lock->waited())
        commands::delay(kDrawPauseMs);
    set_forum_cookie(cookie.c_str());
    std::string message = message_of_the_day(options, sinks);
    commands::Text formhash = fetch_formhash();
    bool answered = last_request_answered();
    commands::Text status = post_sign_in(message.c_str(), formhash.get());
    answered = answered && last_request_answered();
    RunStatus result = classify_sign_in(status.get(), answered);
    // The flows' text for a request without an answer is "未登录", which
    // would send the member to log in again for nothing.
    sinks.report(FlowStep::sign_in, 0, answered ? (status ? status.get() : "") : gbk(kNoAnswer).c_str());
    if (result == RunStatus::done || result == RunStatus::refused)
        run_lottery_series(sinks);
    release_forum_cookie();
    return result;
}

}  // namespace

RunStatus run_sign_in(const SignInOptions& options) {
    const auto began = std::chrono::steady_clock::now();
    TerminalSink terminal(stdout, options.verbosity);
    HistorySink history(kernel::member_folders().history_file(), RunSource::command_line);
    SinkList sinks{&terminal, &history};

    // The file the window saves, by the same name: the kernel puts it where the member's files live.
    std::string cookie =
        read_setting(kernel::program_folder_text() + "\\" + kernel::kCookieFileName, "COOKIE", "cookie");
    if (cookie.empty()) {
        std::fputs("quilbex: Cookie.ini 里没有保存的 Cookie。\n", stderr);
        explain(RunStatus::not_logged_in, began);
        return RunStatus::not_logged_in;
    }
    warn_of_cookie_expiry(read_saved_cookie(member_cookie_file()).expires, std::time(nullptr), net_config().warn_days);
    RunStatus result = RunStatus::failed;
    for (std::size_t retries = 0;; ++retries) {
        std::optional<RunStatus> tried = sign_in_once(options, cookie, sinks);
        if (!tried)
            return RunStatus::failed;
        result = *tried;
        if (result != RunStatus::no_answer || retries == options.retry_waits.size())
            break;
        // No lock is held while waiting: a click in the window or another
        // run may sign in meanwhile.
        std::fprintf(stderr, "quilbex: 网络无应答，%lld 秒后再试。\n",
                     static_cast<long long>(options.retry_waits[retries].count()));
        std::this_thread::sleep_for(options.retry_waits[retries]);
    }
    // The notification may take seconds; the lock is already free by now.
    explain(result, began);
    return result;
}

}  // namespace quilbex::app

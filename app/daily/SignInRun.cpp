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

#include <chrono>
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
constexpr const char* kCertificateRefused = "证书被拒绝";

const char* kind_text(wininet::FailureKind kind) {
    using wininet::FailureKind;
    switch (kind) {
    case FailureKind::name_not_resolved: return "域名无法解析";
    case FailureKind::refused: return "连接被拒绝";
    case FailureKind::timeout: return "连接超时";
    case FailureKind::certificate_untrusted: return "证书不受信任";
    case FailureKind::certificate_expired: return "证书已过期或尚未生效";
    case FailureKind::certificate_wrong_name: return "证书不是为这个主机签发的";
    case FailureKind::tls: return "TLS 握手失败";
    case FailureKind::none:
    case FailureKind::other: break;
    }
    return "连接中断";
}

// What the terminal, the history and the alert say of a try that got no
// answer (UTF-8): which host, what kind of fault, and for a certificate the
// TLS library's own reason, since that is what the member must act on.
std::string failure_text(const wininet::RequestFailure& failure) {
    std::string text = failure.is_certificate() ? kCertificateRefused : kNoAnswer;
    if (failure.kind == wininet::FailureKind::none)
        return text;
    text += "（" + failure.host + "：" + kind_text(failure.kind);
    if (failure.is_certificate() || failure.kind == wininet::FailureKind::tls)
        text += "，" + failure.reason;
    return text + "）";
}

bool contains(const char* text, const std::string& phrase) {
    return text && std::strstr(text, phrase.c_str()) != nullptr;
}

std::string gbk(const char* utf8) { return kernel::utf8_to_gbk(utf8); }

std::string read_setting(const std::string& file, const char* section, const char* key) {
    commands::Text value = commands::read_config(file.c_str(), section, key);
    return value ? value.get() : "";
}

// The message of the day in GBK: --message, else [DAILY] message of the
// settings file, else a fresh quote when a quote service is set, else the
// fixed message.
std::string message_of_the_day(const SignInOptions& options, StatusSink& sink) {
    if (options.message)
        return gbk(options.message->c_str());
    std::string configured = kernel::utf8_to_gbk(net_config().daily_message);
    if (!configured.empty())
        return configured;
    // Without a quote service the fixed message is the member's choice, not a fault.
    if (net_config().hosts.quote.empty())
        return gbk(kFixedMessage);
    commands::Text quote = fetch_quote();
    if (quote) {
        sink.report(FlowStep::quote, 0, quote.get());
        return quote.get();
    }
    std::fputs("quilbex: 没有得到每日一句，改用固定的签到文本。\n", stderr);
    return gbk(kFixedMessage);
}

// The member is told on the desktop when the outcome says so; the alert
// channels decide for themselves (they may be set to report every run).
// `detail` (UTF-8): what went wrong in words of this run, after the
// outcome's own text; empty when the outcome says it all. `began`: when the
// run began, which bounds the wait for a press on a lost login's notification.
void explain(const RunOutcome& outcome, RunFacts facts, std::chrono::steady_clock::time_point began,
             const std::string& detail = {}) {
    std::string body = outcome.tells_member() ? outcome.body : "";
    if (outcome.tells_member()) {
        if (!detail.empty())
            body += "\n" + detail;
        std::fprintf(stderr, "quilbex: %s\n", outcome.body);
        if (!detail.empty())
            std::fprintf(stderr, "quilbex: %s\n", detail.c_str());
    }
    // A lost login: the channels first, as the notification may then wait
    // minutes for a press on its "重新登录".
    const bool relogin = outcome.tells_member() && outcome.status == RunStatus::not_logged_in;
    if (outcome.tells_member() && !relogin)
        notify_desktop(outcome.summary, body);
    facts.detail = detail;
    alert_member(outcome, std::move(facts));
    if (relogin)
        offer_relogin(outcome.summary, body, relogin_wait(std::chrono::steady_clock::now() - began));
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

struct TryResult {
    RunStatus status;
    wininet::RequestFailure failure;  // why the sign-in got no answer
};

// One try: the run lock, the sign-in and, when the login works, the draws.
// Nothing when another run still holds the lock after the wait.
std::optional<TryResult> sign_in_once(const SignInOptions& options, const std::string& cookie, StatusSink& sinks) {
    auto lock = RunLock::acquire(kernel::member_folders(), options.wait);
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
    // The first request's fault is the one to report: the second only repeats it.
    wininet::RequestFailure failure = wininet::last_request_failure();
    commands::Text status = post_sign_in(message.c_str(), formhash.get());
    if (answered && !last_request_answered()) {
        answered = false;
        failure = wininet::last_request_failure();
    }
    RunStatus result = classify_sign_in(status.get(), answered);
    // The flows' text for a request without an answer is "未登录", which
    // would send the member to log in again for nothing.
    sinks.report(FlowStep::sign_in, 0,
                 answered ? (status ? status.get() : "") : gbk(failure_text(failure).c_str()).c_str());
    if (result == RunStatus::done || result == RunStatus::refused)
        run_lottery_series(sinks);
    release_forum_cookie();
    return TryResult{result, answered ? wininet::RequestFailure{} : failure};
}

}  // namespace

RunStatus run_sign_in(const SignInOptions& options) {
    const auto began = std::chrono::steady_clock::now();
    TerminalSink terminal(stdout, options.verbosity);
    HistorySink history(kernel::member_folders().history_file(), RunSource::command_line);
    RunFacts facts;
    RunFactsSink alert_facts(facts);
    SinkList sinks{&terminal, &history, &alert_facts};

    // The file the window saves, by the same name: the kernel puts it where the member's files live.
    std::string cookie =
        read_setting(kernel::program_folder_text() + "\\" + kernel::kCookieFileName, "COOKIE", "cookie");
    if (cookie.empty()) {
        std::fprintf(stderr, "quilbex: %s 里没有保存的 Cookie。\n", kernel::member_folders().cookie_file().c_str());
        sinks.report(FlowStep::sign_in, 0, gbk(kNoSavedCookieHistory).c_str());
        explain(no_saved_cookie(), facts, began);
        return RunStatus::not_logged_in;
    }
    warn_of_cookie_expiry(read_saved_cookie(member_cookie_file()).expires, std::time(nullptr), net_config().warn_days);
    RunStatus result = RunStatus::failed;
    wininet::RequestFailure failure;
    for (std::size_t retries = 0;; ++retries) {
        std::optional<TryResult> tried = sign_in_once(options, cookie, sinks);
        if (!tried)
            return RunStatus::failed;
        result = tried->status;
        failure = tried->failure;
        if (result != RunStatus::no_answer || retries == options.retry_waits.size() || !worth_retrying(failure))
            break;
        // No lock is held while waiting: a click in the window or another
        // run may sign in meanwhile.
        std::fprintf(stderr, "quilbex: 网络无应答，%lld 秒后再试。\n",
                     static_cast<long long>(options.retry_waits[retries].count()));
        std::this_thread::sleep_for(options.retry_waits[retries]);
    }
    // The notification may take seconds; the lock is already free by now.
    explain(run_outcome(result), facts, began, result == RunStatus::no_answer ? failure_text(failure) : std::string());
    return result;
}

}  // namespace quilbex::app

#include "app/windows/MainWindow.h"

#include "app/flows/Globals.h"
#include "app/flows/Lottery.h"
#include "app/flows/MainWindowAccess.h"
#include "app/flows/Quote.h"
#include "app/flows/SignIn.h"
#include "app/member/History.h"
#include "app/member/RunLock.h"
#include "app/member/SavedCookie.h"
#include "app/net/HttpClient.h"
#include "app/net/NetConfig.h"
#include "app/windows/Controls.h"
#include "app/windows/LoginWindow.h"
#include "app/windows/Skin.h"
#include "app_constants/AppConstants.h"
#include "app_flows_texts/FlowTexts.h"
#include "app_templates/WindowTemplates.h"
#include "commands/Facade.h"
#include "forms/WindowCommands.h"
#include "forms/units/WindowUnit.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/MemberFolders.h"
#include "runtime/CallFrame.h"

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

namespace quilbex::app {
namespace {

namespace main_window = forms::main_window;
namespace login_window = forms::login_window;

void show_message(const char* text) {
    rt::ArgRecord args[] = {rt::ArgRecord::of_pointer(text, rt::kTypeText), rt::ArgRecord::of_int(0)};
    rt::call_core_command(quilbex::forms::lib::message_box, 2, args);
}

// What the click hands to its lottery worker: the run lock, which the worker
// holds until its last draw, and whether the sign-in's history line failed.
std::mutex g_lock_mutex;
std::unique_ptr<RunLock> g_pending_lock;
bool g_pending_unrecorded = false;

std::string history_file() { return kernel::member_folders().history_file(); }

// Said once after a run's lines when one of them could not go into the
// history: the member would otherwise see a complete run and a history
// without it.
void show_history_problem() {
    MainWindowAccess& window = main_window_access();
    if (!window.display_exists())
        return;
    std::string line = std::string(constants::history_unwritten()) + kernel::utf8_to_gbk(last_history_problem()) +
                       constants::line_end();
    window.append_to_display(line.c_str());
}

win::DWORD lottery_worker(win::LPVOID) {
    std::unique_ptr<RunLock> lock;
    bool unrecorded = false;
    {
        std::lock_guard guard(g_lock_mutex);
        lock = std::move(g_pending_lock);
        unrecorded = std::exchange(g_pending_unrecorded, false);
    }
    WindowStatusSink window;
    HistorySink history(history_file(), RunSource::window);
    SinkList sinks{&window, &history};
    run_lottery_series(sinks);
    if (unrecorded || history.failed())
        show_history_problem();
    return 0;
}

// A named member's window says whose it is, after the template's title.
void show_member_in_title() {
    const std::string& profile = kernel::member_folders().profile;
    if (profile.empty())
        return;
    constexpr std::int32_t kTitleProperty = kContentProperty + quilbex::forms::WindowUnit::kTitle;
    auto value =
        rt::entry_points().read_property(main_window::kWindowId, main_window::window_unit, kTitleProperty, kNoElement);
    rt::OwnedText title(reinterpret_cast<char*>(static_cast<std::uintptr_t>(value)));
    std::string text = std::string(title ? title.get() : "") + " - " + profile;
    rt::entry_points().write_property(main_window::kWindowId, main_window::window_unit, kTitleProperty, kNoElement,
                                      reinterpret_cast<std::uintptr_t>(text.c_str()));
}

}  // namespace

std::string cookie_file() {
    commands::Text folder = commands::run_directory();
    return std::string(folder ? folder.get() : "") + constants::cookie_file_name();
}

bool save_cookie(const char* cookie) {
    // The value is always given, so an empty box keeps the key with an empty value.
    bool saved = commands::write_config(cookie_file().c_str(), constants::cookie_section(), constants::cookie_key(),
                                        cookie ? cookie : constants::empty_text());
    // The login's expiry is kept only for the very text the login window
    // captured; any other text makes a stale one go.
    if (saved) {
        const std::optional<CapturedLogin>& captured = captured_login();
        const bool same = captured && captured->cookie == (cookie ? cookie : "");
        save_cookie_expiry(cookie_file(), same ? captured->expires : std::nullopt);
    }
    return saved;
}

void append_status_line(const char* text) {
    std::string line = std::string(text ? text : "") + constants::line_end();
    rt::ArgRecord args[] = {rt::ArgRecord::of_unit(main_window::kWindowId, main_window::status_box, 0x00010005),
                            rt::ArgRecord::of_pointer(line.c_str(), rt::kTypeText)};
    rt::call_core_command(quilbex::forms::lib::append_edit_text, 2, args);
}

rt::HandlerResult main_window_created(const rt::HandlerCall&) {
    show_member_in_title();
    attach_skin(constants::skin_data());
    commands::Text cookie =
        commands::read_config(cookie_file().c_str(), constants::cookie_section(), constants::cookie_key());
    write_control_text(main_window::kWindowId, main_window::cookie_box, cookie.get());
    return {};
}

rt::HandlerResult clock_tick(const rt::HandlerCall&) {
    commands::Text now = commands::to_text(rt::ArgRecord::of_double(commands::current_time(), rt::kTypeDateTime));
    write_control_text(main_window::kWindowId, main_window::time_label, now.get());
    return {};
}

rt::HandlerResult quote_button_click(const rt::HandlerCall&) {
    // A deployment without a quote service leaves the message to the member.
    if (net_config().hosts.quote.empty()) {
        show_message(
            kernel::utf8_to_gbk("没有设置每日一句服务（Config.ini 的 [HOSTS] quote），请自己写一段签到文本。").c_str());
        return {};
    }
    // The previous handle is overwritten without being closed, as the
    // start-thread command's caller keeps only the latest.
    std::int32_t handle = 0;
    commands::start_thread(quote_worker, std::nullopt, &handle);
    quote_thread = handle;
    return {};
}

rt::HandlerResult login_button_click(const rt::HandlerCall&) {
    hold_login_address();
    rt::ArgRecord args[] = {
        rt::ArgRecord::of_unit(login_window::kWindowId, login_window::window_unit, rt::kTypeWindowReference),
        rt::ArgRecord{}, rt::ArgRecord::of_bool(true)};
    rt::call_core_command(quilbex::forms::lib::load_window, 3, args);
    return {};
}

rt::HandlerResult save_button_click(const rt::HandlerCall&) {
    rt::OwnedText cookie = read_control_text(main_window::kWindowId, main_window::cookie_box);
    bool saved = save_cookie(cookie.get());
    // A failed write must not look like a saved cookie.
    show_message(saved ? constants::saved_message() : constants::save_failed_message());
    return {};
}

rt::HandlerResult sign_button_click(const rt::HandlerCall&) {
    // One run at a time per member: while an unattended run or an
    // earlier click's series is still going, the click only says so. The
    // window thread must not wait for a series that can take a minute.
    auto lock = RunLock::acquire(kernel::member_folders(), std::chrono::milliseconds(0));
    if (!lock) {
        append_status_line(constants::sign_busy());
        return {};
    }
    set_forum_cookie(read_control_text(main_window::kWindowId, main_window::cookie_box).get());
    commands::Text formhash = fetch_formhash();
    bool answered = last_request_answered();
    rt::OwnedText message = read_control_text(main_window::kWindowId, main_window::message_edit);
    commands::Text status = post_sign_in(message.get(), formhash.get());
    answered = answered && last_request_answered();
    append_status_line(status.get());
    // The display keeps the flow's text; the history says what happened.
    bool recorded = append_history(history_file(), RunSource::window, FlowStep::sign_in, 0,
                                   answered ? status.get() : texts::no_answer());
    {
        std::lock_guard guard(g_lock_mutex);
        g_pending_lock = std::move(lock);
        g_pending_unrecorded = !recorded;
    }
    std::int32_t handle = 0;
    if (!commands::start_thread(lottery_worker, std::nullopt, &handle)) {
        std::lock_guard guard(g_lock_mutex);
        g_pending_lock.reset();
        g_pending_unrecorded = false;
        if (!recorded)
            show_history_problem();
    }
    lottery_thread = handle;
    return {};
}

void release_globals(int) { release_forum_cookie(); }

}  // namespace quilbex::app

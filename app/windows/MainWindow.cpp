#include "app/windows/MainWindow.h"

#include "app/flows/Globals.h"
#include "app/flows/Lottery.h"
#include "app/flows/Quote.h"
#include "app/flows/SignIn.h"
#include "app/windows/Controls.h"
#include "app/windows/LoginWindow.h"
#include "app/windows/Skin.h"
#include "app_constants/AppConstants.h"
#include "app_templates/WindowTemplates.h"
#include "commands/Facade.h"
#include "forms/WindowCommands.h"
#include "runtime/CallFrame.h"

#include <string>

namespace quilbex::app {
namespace {

namespace main_window = forms::main_window;
namespace login_window = forms::login_window;

std::string cookie_file() {
    commands::Text folder = commands::run_directory();
    return std::string(folder ? folder.get() : "") + constants::cookie_file_name();
}

void show_message(const char* text) {
    rt::ArgRecord args[] = {rt::ArgRecord::of_pointer(text, rt::kTypeText), rt::ArgRecord::of_int(0)};
    rt::call_core_command(quilbex::forms::lib::message_box, 2, args);
}

win::DWORD lottery_worker(win::LPVOID) {
    run_lottery();
    return 0;
}

}  // namespace

rt::HandlerResult main_window_created(const rt::HandlerCall&) {
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
    // The value is always given, so an empty box keeps the key with an empty value.
    bool saved = commands::write_config(cookie_file().c_str(), constants::cookie_section(), constants::cookie_key(),
                                        cookie ? cookie.get() : constants::empty_text());
    // A failed write must not look like a saved cookie.
    show_message(saved ? constants::saved_message() : constants::save_failed_message());
    return {};
}

rt::HandlerResult sign_button_click(const rt::HandlerCall&) {
    set_forum_cookie(read_control_text(main_window::kWindowId, main_window::cookie_box).get());
    commands::Text formhash = fetch_formhash();
    rt::OwnedText message = read_control_text(main_window::kWindowId, main_window::message_edit);
    commands::Text status = post_sign_in(message.get(), formhash.get());
    std::string line = std::string(status ? status.get() : "") + constants::line_end();
    rt::ArgRecord args[] = {
        rt::ArgRecord::of_unit(main_window::kWindowId, main_window::status_box, 0x00010005),
        rt::ArgRecord::of_pointer(line.c_str(), rt::kTypeText)};
    rt::call_core_command(quilbex::forms::lib::append_edit_text, 2, args);
    std::int32_t handle = 0;
    commands::start_thread(lottery_worker, std::nullopt, &handle);
    lottery_thread = handle;
    return {};
}

void release_globals(int) { release_forum_cookie(); }

}  // namespace quilbex::app

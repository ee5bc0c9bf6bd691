#include "app/windows/LoginWindow.h"

#include "app/member/SavedCookie.h"
#include "app/net/Cookies.h"
#include "app/net/NetConfig.h"
#include "app/net/TextHelpers.h"
#include "app/windows/Controls.h"
#include "app/windows/MainWindow.h"
#include "app_constants/AppConstants.h"
#include "app_templates/WindowTemplates.h"
#include "browser/BrowserLibrary.h"
#include "forms/FormsApi.h"
#include "forms/WindowCommands.h"
#include "forms/blocks/BrowserBlock.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/MemberFolders.h"
#include "platform/kernel/Paths.h"
#include "runtime/CallFrame.h"

#include <string>

namespace quilbex::app {
namespace {

namespace main_window = forms::main_window;
namespace login_window = forms::login_window;

rt::ArgRecord browser_reference() {
    return rt::ArgRecord::of_unit(login_window::kWindowId, login_window::browser, browser::kBrowserUnitType);
}

// The account site's login page, with the forum's home page as the address
// to come back to, on the configured hosts. Without an account site the
// forum's own login page opens; the browser follows wherever the forum sends
// it (its central account site, most often) and back.
std::string login_address() {
    const ServiceHosts& hosts = net_config().hosts;
    if (hosts.account.empty())
        return "https://" + hosts.forum + "/member.php?mod=logging&action=login";
    return "https://" + hosts.account + "/index.html?&callback=https%3A%2F%2F" + hosts.forum + "%2F";
}

// An installed copy keeps the login at once, as the save button would: its
// member may close the window without saving and would lose it. The
// portable layout leaves saving to the member, as it always has.
void keep_login(const char* cookie) {
    if (kernel::member_folders().layout != kernel::Layout::installed)
        return;
    std::string line = save_cookie(cookie) ? "登录已保存到 " + kernel::native_path(cookie_file())
                                           : "登录未能保存到 " + kernel::native_path(cookie_file()) + "，请点“保存”";
    append_status_line(kernel::utf8_to_gbk(line).c_str());
}

std::optional<CapturedLogin> g_captured;

}  // namespace

const std::optional<CapturedLogin>& captured_login() { return g_captured; }

void hold_login_address() {
    quilbex::forms::LoadedWindow* window = quilbex::forms::find_loaded_window(login_window::kWindowId);
    quilbex::forms::UnitRecord* record = window ? window->working.find_unit(login_window::browser) : nullptr;
    if (!record)
        return;
    auto block = quilbex::forms::read_browser_block(record->property_block);
    if (!block || block.value().address.empty())
        return;
    block.value().address.clear();
    if (auto bytes = quilbex::forms::write_browser_block(block.value()))
        record->property_block = std::move(bytes.value());
}

rt::HandlerResult login_window_created(const rt::HandlerCall&) {
    rt::ArgRecord args[] = {browser_reference()};
    rt::call_library_command(browser::clear_cookie_command, 2, 1, args);
    // The control was created without an address (hold_login_address); the
    // page opens now, on the configured hosts, with the cookies cleared.
    std::string address = login_address();
    write_control_text(login_window::kWindowId, login_window::browser, address.c_str());
    return {};
}

rt::HandlerResult login_clock_tick(const rt::HandlerCall&) {
    capture_login_cookie();
    return {};
}

rt::HandlerResult capture_button_click(const rt::HandlerCall&) {
    capture_login_cookie();
    return {};
}

void capture_login_cookie() {
    rt::ArgRecord args[] = {browser_reference()};
    rt::OwnedText cookie(
        static_cast<char*>(rt::call_library_command(browser::get_cookie_command, 2, 1, args).pointer()));
    // The login marker and the name are read by their exact item names, so
    // that a marker standing last in the text still counts.
    rt::OwnedText marker = read_cookie(cookie.get(), "UM_distinctid");
    if (!marker)
        return;
    rt::OwnedText encoded_name = read_cookie(cookie.get(), "BBS_UNAME");
    rt::OwnedText name = url_decode(encoded_name.get(), true);
    // Asked before the window closes: the expiry lives in the browser's store.
    g_captured = CapturedLogin{
        cookie.get(), browser::cookie_expiry(login_window::kWindowId, login_window::browser, kLoginCookieName)};

    // Opened alone (--login) there is no main window to take the text.
    const quilbex::forms::LoadedWindow* main = quilbex::forms::find_loaded_window(main_window::kWindowId);
    if (main && main->loaded) {
        write_control_text(main_window::kWindowId, main_window::cookie_box, cookie.get());
        keep_login(cookie.get());
    }
    write_control_number(login_window::kWindowId, login_window::poll_timer, 0);
    rt::ArgRecord window =
        rt::ArgRecord::of_unit(login_window::kWindowId, login_window::window_unit, rt::kTypeWindowReference);
    rt::call_core_command(quilbex::forms::lib::close_window, 1, &window);
    std::string greeting = std::string(constants::login_greeting()) + (name ? name.get() : "");
    rt::ArgRecord box[] = {rt::ArgRecord::of_pointer(greeting.c_str(), rt::kTypeText), rt::ArgRecord::of_int(0)};
    rt::call_core_command(quilbex::forms::lib::message_box, 2, box);
}

}  // namespace quilbex::app

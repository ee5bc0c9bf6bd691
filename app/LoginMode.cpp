#include "app/LoginMode.h"

#include "app/alerts/Notifier.h"
#include "app/member/SavedCookie.h"
#include "app/windows/LoginWindow.h"
#include "app/windows/MainWindow.h"
#include "app_templates/WindowTemplates.h"
#include "platform/kernel/MemberFolders.h"
#include "runtime/ProcessEntry.h"
#include "runtime/Startup.h"

#include <cstdio>

namespace quilbex::app {

namespace {

SignInOptions g_options;
RunStatus g_status = RunStatus::not_logged_in;

// Saves what the window captured and signs in once, while the runtime and
// its libraries are still loaded (the end of the program unloads them).
RunStatus finish_login() {
    const std::optional<CapturedLogin>& captured = captured_login();
    if (!captured) {
        std::fputs("quilbex: 没有登录，保存的 Cookie 没有改动。\n", stderr);
        return RunStatus::not_logged_in;
    }
    const kernel::MemberFolders& folders = kernel::member_folders();
    if (!save_cookie(member_cookie_file(), {captured->cookie, captured->expires})) {
        std::fprintf(stderr, "quilbex: 写不进 %s。\n", folders.cookie_file().c_str());
        return RunStatus::failed;
    }
    std::printf("已保存 Cookie：%s（%s）\n", folders.cookie_file().c_str(),
                describe_cookie_expiry(captured->expires).c_str());
    std::fflush(stdout);
    RunStatus status = run_sign_in(g_options);
    // Started from the desktop there is no terminal for the report, and the
    // greeting box does not outlast the only window: a sign-in that went
    // well says so here (the others are told by the run itself).
    if (status == RunStatus::done)
        notify_desktop("已重新登录", describe_cookie_expiry(captured->expires) + "，今天已签到。");
    return status;
}

std::int32_t login_entry() {
    rt::ApplicationStartup startup;
    startup.exit_routine = release_globals;
    // The window opens on the configured account site, as from "登录".
    startup.initialise_modules = hold_login_address;
    startup.startup_window = forms::login_window::kWindowId;
    rt::run_application_entry(startup);
    g_status = finish_login();
    return 0;
}

}  // namespace

int run_login_mode(const SignInOptions& options) {
    g_options = options;
    prepare_process();
    rt::run_program(program_header(), login_entry);
    return static_cast<int>(g_status);
}

}  // namespace quilbex::app

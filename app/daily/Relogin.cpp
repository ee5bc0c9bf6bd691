#include "app/daily/Relogin.h"

#include "app/alerts/Notifier.h"
#include "app/daily/ExpiryWarning.h"
#include "app/member/RunTimeLimit.h"
#include "platform/kernel/MemberFolders.h"
#include "platform/kernel/Paths.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <spawn.h>

extern char** environ;

namespace quilbex::app {

namespace {

bool running_as_systemd_service() {
    const char* invocation = std::getenv("INVOCATION_ID");
    return invocation && *invocation;
}

// Starts the login window in a session of its own and does not wait for it.
bool start_relogin() {
    std::vector<std::string> words = relogin_argv(running_as_systemd_service());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    int error = ::posix_spawnp(&pid, argv[0], nullptr, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    return error == 0;
}

}  // namespace

std::vector<std::string> relogin_argv(bool under_systemd) {
    std::vector<std::string> words;
    if (under_systemd)
        words = {"systemd-run", "--user", "--collect", "--quiet", "--"};
    words.push_back(kernel::executable_path());
    words.push_back("--login");
    if (const std::string& profile = kernel::member_folders().profile; !profile.empty()) {
        words.push_back("--profile");
        words.push_back(profile);
    }
    return words;
}

std::chrono::milliseconds relogin_wait(std::chrono::steady_clock::duration elapsed) {
    using std::chrono::milliseconds;
    const auto left = std::chrono::duration_cast<milliseconds>(kRunTimeLimit - std::chrono::minutes(1) - elapsed);
    return std::clamp(left, milliseconds(0), milliseconds(kReloginWait));
}

void offer_relogin(const std::string& summary, const std::string& body, std::chrono::milliseconds wait) {
    const std::string command = relogin_command();
    const std::string with_command = body + "\n重新登录：" + command;
    std::fprintf(stderr, "quilbex: 重新登录：%s\n", command.c_str());
    std::fflush(stderr);
    if (wait <= std::chrono::milliseconds(0)) {
        notify_desktop(summary, with_command);
        return;
    }
    ActionOutcome outcome = notify_desktop_with_button(summary, body, with_command, "重新登录", wait);
    if (outcome != ActionOutcome::pressed)
        return;
    if (start_relogin())
        std::fprintf(stderr, "quilbex: 已打开登录窗口（%s）。\n", command.c_str());
    else
        std::fprintf(stderr, "quilbex: 打不开登录窗口，请运行 %s。\n", command.c_str());
}

}  // namespace quilbex::app

#include "app/schedule/UserManager.h"

#include "platform/kernel/ChildProcess.h"

#include <sys/stat.h>

namespace quilbex::app {

namespace {

ChildResult systemctl(std::vector<std::string> args) {
    args.insert(args.begin(), {"systemctl", "--user"});
    return run_child(args);
}

std::string trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

}  // namespace

bool user_manager_reachable() {
    ChildResult version = systemctl({"show", "--property=Version", "--value"});
    return version.ok() && !trimmed(version.out).empty();
}

kernel::Result<void> user_systemctl(const std::vector<std::string>& args) {
    ChildResult result = systemctl(args);
    if (!result.ok())
        return kernel::Failure{trimmed(result.started ? result.err : "systemctl 无法运行")};
    return {};
}

std::string user_unit_property(const std::string& unit, const std::string& property) {
    ChildResult result = systemctl({"show", "--property=" + property, "--value", "--", unit});
    return result.ok() ? trimmed(result.out) : "";
}

bool system_runs_systemd() {
    // As sd_booted() decides.
    struct stat info {};
    return ::lstat("/run/systemd/system", &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace quilbex::app

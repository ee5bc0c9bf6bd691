#include "app/schedule/LegacyTimer.h"

#include "app/schedule/SystemdUnits.h"
#include "platform/kernel/AtomicFile.h"

namespace quilbex::app {

std::optional<std::string> legacy_program_path(const std::string& service_text) {
    // Earlier versions wrote ExecStart="PATH" --sign-in --quiet, with "\" and
    // '"' escaped by a backslash and "%" and "$" doubled.
    std::string exec = unit_value(service_text, "ExecStart");
    const std::string tail = "\" --sign-in --quiet";
    if (exec.size() < 1 + tail.size() || exec[0] != '"' || exec.compare(exec.size() - tail.size(), tail.size(), tail))
        return std::nullopt;
    std::string quoted = exec.substr(1, exec.size() - 1 - tail.size());
    std::string path;
    for (std::size_t i = 0; i < quoted.size(); ++i) {
        char c = quoted[i];
        if (c == '\\' || c == '%' || c == '$') {
            if (i + 1 == quoted.size() ||
                (c == '\\' ? quoted[i + 1] != '\\' && quoted[i + 1] != '"' : quoted[i + 1] != c))
                return std::nullopt;
            ++i;
            c = quoted[i];
        } else if (c == '"') {
            return std::nullopt;
        }
        path += c;
    }
    return path;
}

bool legacy_timer_belongs_to(const std::string& unit_dir, const DailyMember& member) {
    std::string text;
    if (!member.profile.empty() || !kernel::read_file_contents(unit_dir + "/" + kLegacyServiceName, text))
        return false;
    return legacy_program_path(text) == member.program_path;
}

}  // namespace quilbex::app

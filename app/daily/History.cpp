#include "app/daily/History.h"

#include "platform/kernel/CodePage.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace quilbex::app {

namespace {

std::atomic<bool> g_failure_reported{false};

void report_failure_once(const std::string& file, int error) {
    if (g_failure_reported.exchange(true))
        return;
    std::fprintf(stderr, "quilbex: 无法写入历史记录 %s：%s\n", file.c_str(), std::strerror(error));
}

std::string step_name(FlowStep step, int draw) {
    switch (step) {
    case FlowStep::sign_in: return "sign-in";
    case FlowStep::draw: return "draw " + std::to_string(draw);
    case FlowStep::quote: return "quote";
    }
    return "?";
}

}  // namespace

std::string format_history_line(std::time_t when, RunSource source, FlowStep step, int draw, std::string_view status) {
    std::tm local{};
    localtime_r(&when, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    std::string line = stamp;
    line += source == RunSource::window ? "\twindow\t" : "\tcommand-line\t";
    line += step_name(step, draw);
    line += '\t';
    for (char c : status)
        line += (c == '\t' || c == '\r' || c == '\n') ? ' ' : c;
    line += '\n';
    return line;
}

bool append_history(const std::string& file, RunSource source, FlowStep step, int draw, const char* status_gbk) {
    std::string status = kernel::gbk_to_utf8(status_gbk ? status_gbk : "");
    std::string line = format_history_line(std::time(nullptr), source, step, draw, status);
    int fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        report_failure_once(file, errno);
        return false;
    }
    ssize_t written = ::write(fd, line.data(), line.size());
    int error = errno;
    ::close(fd);
    if (written != static_cast<ssize_t>(line.size())) {
        report_failure_once(file, written < 0 ? error : ENOSPC);
        return false;
    }
    return true;
}

}  // namespace quilbex::app

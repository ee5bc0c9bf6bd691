#include "app/member/History.h"

#include "app/member/ReplyText.h"
#include "app_flows_texts/FlowTexts.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/RegularFile.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quilbex::app {

namespace {

std::atomic<bool> g_failure_reported{false};
std::mutex g_problem_mutex;
std::string g_last_problem;

void report_failure_once(const std::string& file, const std::string& problem) {
    {
        std::lock_guard guard(g_problem_mutex);
        g_last_problem = file + "：" + problem;
    }
    if (g_failure_reported.exchange(true))
        return;
    std::fprintf(stderr, "quilbex: 无法写入历史记录 %s：%s\n", file.c_str(), problem.c_str());
}

std::string step_name(FlowStep step, int draw) {
    switch (step) {
    case FlowStep::sign_in: return "sign-in";
    case FlowStep::draw: return "draw " + std::to_string(draw);
    case FlowStep::quote: return "quote";
    }
    return "?";
}

OpenedFile open_for_append(const std::string& file) { return open_regular_file(file, O_WRONLY | O_APPEND | O_CREAT); }

// Moves a full history file to "<file>.1" (replacing the older one) while
// holding an flock on it, so that of several writers that find it full only
// one moves it: the others find that the name has gone to a new file. True
// when the file was moved. Never waits for another writer.
bool rotate(const std::string& file, int fd) {
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return false;
    struct stat opened {
    }, named{};
    if (::fstat(fd, &opened) != 0 || ::lstat(file.c_str(), &named) != 0 || opened.st_dev != named.st_dev ||
        opened.st_ino != named.st_ino)
        return false;
    return ::rename(file.c_str(), (file + ".1").c_str()) == 0;
}

}  // namespace

std::string last_history_problem() {
    std::lock_guard guard(g_problem_mutex);
    return g_last_problem;
}

std::string local_time_text(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    return stamp;
}

std::string format_history_note(std::time_t when, RunSource source, std::string_view step, std::string_view text) {
    std::string line = local_time_text(when);
    line += source == RunSource::window ? "\twindow\t" : "\tcommand-line\t";
    line += step;
    line += '\t';
    line += printable_status(text);
    return line + '\n';
}

std::string format_history_line(std::time_t when, RunSource source, FlowStep step, int draw, std::string_view status) {
    return format_history_note(when, source, step_name(step, draw), status);
}

bool append_history_line(const std::string& file, const std::string& line) {
    OpenedFile opened = open_for_append(file);
    if (!opened.fd) {
        report_failure_once(file, opened.problem);
        return false;
    }
    struct stat info {};
    if (::fstat(opened.fd.get(), &info) == 0 &&
        static_cast<std::uint64_t>(info.st_size) + line.size() > kHistoryFileLimit && rotate(file, opened.fd.get())) {
        opened = open_for_append(file);
        if (!opened.fd) {
            report_failure_once(file, opened.problem);
            return false;
        }
    }
    ssize_t written = ::write(opened.fd.get(), line.data(), line.size());
    if (written != static_cast<ssize_t>(line.size())) {
        report_failure_once(file, std::strerror(written < 0 ? errno : ENOSPC));
        return false;
    }
    return true;
}

void HistorySink::report_unanswered(FlowStep step, int draw, const char*) { report(step, draw, texts::no_answer()); }

bool append_history(const std::string& file, RunSource source, FlowStep step, int draw, const char* status_gbk) {
    std::string status = kernel::gbk_to_utf8(status_gbk ? status_gbk : "");
    return append_history_line(file, format_history_line(std::time(nullptr), source, step, draw, status));
}

}  // namespace quilbex::app

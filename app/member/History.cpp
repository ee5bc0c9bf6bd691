#include "app/member/History.h"

#include "app/member/ReplyText.h"
#include "app_flows_texts/FlowTexts.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/MemberFolders.h"
#include "platform/kernel/RegularFile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
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

kernel::Result<kernel::UniqueFd> open_for_append(const std::string& file) {
    return kernel::open_regular_file(file, O_RDWR | O_APPEND | O_CREAT,
                                     kernel::member_file_mode(kernel::kHistoryFileName));
}

// An exclusive flock on the open history file, so that a cut-short write can
// be taken back before another writer appends. Another writer holds it for
// one write; a file held longer (a stuck or hostile process) is written
// without it after kLockWait, so that the window never freezes on it.
constexpr auto kLockWait = std::chrono::seconds(2);

bool lock_for_append(int fd) {
    const auto deadline = std::chrono::steady_clock::now() + kLockWait;
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

bool ends_in_line_end(int fd, off_t size) {
    char last = '\n';
    return size == 0 || (::pread(fd, &last, 1, size - 1) == 1 && last == '\n');
}

// Takes back the `written` bytes of a cut-short append, which end at the
// file offset. Without the lock it does so only while nothing stands after
// them: another writer's line is never cut.
void take_back(int fd, ssize_t written, bool locked) {
    off_t end = ::lseek(fd, 0, SEEK_CUR);
    struct stat now {};
    if (end >= written && ::fstat(fd, &now) == 0 && (locked || now.st_size == end))
        (void)::ftruncate(fd, end - written);
}

constexpr std::size_t kTimeLength = 19;

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// "2026-12-07 08:31:02"
bool is_local_time_text(std::string_view text) {
    constexpr std::string_view kShape = "0000-00-00 00:00:00";
    if (text.size() != kShape.size())
        return false;
    for (std::size_t i = 0; i < kShape.size(); ++i)
        if (kShape[i] == '0' ? !is_digit(text[i]) : text[i] != kShape[i])
            return false;
    return true;
}

// Where the last history line that begins inside `line` begins, or 0. Such a
// line follows the cut line that an older release left on a full disk.
std::size_t last_line_start(std::string_view line) {
    std::size_t start = 0;
    for (std::string_view source : {"\twindow\t", "\tcommand-line\t"}) {
        for (std::size_t at = line.find(source, 1); at != std::string_view::npos; at = line.find(source, at + 1))
            if (at > kTimeLength && is_local_time_text(line.substr(at - kTimeLength, kTimeLength)))
                start = std::max(start, at - kTimeLength);
    }
    return start;
}

// Whether the text ends inside a UTF-8 character: the tail of a write that
// a full disk cut short.
bool ends_inside_a_character(std::string_view text) {
    std::size_t lead = text.size();
    while (lead > 0 && text.size() - lead < 4 && (static_cast<unsigned char>(text[lead - 1]) & 0xC0) == 0x80)
        --lead;
    if (lead == 0)
        return false;
    unsigned char c = static_cast<unsigned char>(text[lead - 1]);
    std::size_t needed = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    return text.size() - (lead - 1) < needed;
}

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

std::optional<HistoryFields> parse_history_line(std::string_view line) {
    line.remove_prefix(last_line_start(line));
    HistoryFields parsed;
    for (std::string_view* field : {&parsed.when, &parsed.source, &parsed.step}) {
        std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos || tab == 0)
            return std::nullopt;
        *field = line.substr(0, tab);
        line.remove_prefix(tab + 1);
    }
    parsed.status = line;
    if (!is_local_time_text(parsed.when) || ends_inside_a_character(parsed.status))
        return std::nullopt;
    return parsed;
}

bool append_history_line(const std::string& file, const std::string& line) {
    kernel::Result<kernel::UniqueFd> opened = open_for_append(file);
    if (!opened) {
        report_failure_once(file, opened.reason());
        return false;
    }
    struct stat info {};
    if (::fstat(opened->get(), &info) == 0 &&
        static_cast<std::uint64_t>(info.st_size) + line.size() > kHistoryFileLimit && rotate(file, opened->get())) {
        opened = open_for_append(file);
        if (!opened) {
            report_failure_once(file, opened.reason());
            return false;
        }
    }
    const int fd = opened->get();
    const bool locked = lock_for_append(fd);
    if (::fstat(fd, &info) != 0) {
        report_failure_once(file, std::strerror(errno));
        return false;
    }
    std::string whole = ends_in_line_end(fd, info.st_size) ? line : '\n' + line;
    ssize_t written = ::write(fd, whole.data(), whole.size());
    if (written != static_cast<ssize_t>(whole.size())) {
        int error = written < 0 ? errno : ENOSPC;
        if (written > 0)
            take_back(fd, written, locked);
        report_failure_once(file, std::strerror(error));
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

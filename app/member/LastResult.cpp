#include "app/member/LastResult.h"

#include "app/member/History.h"
#include "app/member/ReplyText.h"
#include "platform/kernel/UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quilbex::app {

namespace {

// History lines are short; the last one lies within this many bytes of the end.
constexpr off_t kTailBytes = 16384;

}  // namespace

std::optional<HistoryEntry> last_history_entry(const std::string& file) {
    // Neither a link nor a FIFO: a file that is not a plain file has no history.
    kernel::UniqueFd fd(::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (!fd || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0)
        return std::nullopt;
    off_t start = st.st_size > kTailBytes ? st.st_size - kTailBytes : 0;
    std::string tail(static_cast<std::size_t>(st.st_size - start), '\0');
    ssize_t got = ::pread(fd.get(), tail.data(), tail.size(), start);
    if (got <= 0)
        return std::nullopt;
    tail.resize(static_cast<std::size_t>(got));
    // A line still being written has no "\n" yet: the lines before it count.
    std::string_view text(tail);
    text = text.substr(0, text.rfind('\n') + 1);
    while (!text.empty()) {
        text.remove_suffix(1);  // its "\n"
        std::size_t begin = text.rfind('\n');
        begin = begin == std::string_view::npos ? 0 : begin + 1;
        if (begin == 0 && start > 0)
            return std::nullopt;  // the line began before the bytes read
        if (auto fields = parse_history_line(text.substr(begin)))
            return HistoryEntry{std::string(fields->when), std::string(fields->source), std::string(fields->step),
                                std::string(fields->status)};
        text = text.substr(0, begin);
    }
    return std::nullopt;
}

std::string step_label(const std::string& step) {
    if (step == "sign-in")
        return "签到";
    if (step == "quote")
        return "每日一句";
    if (step.rfind("draw ", 0) == 0)
        return "第 " + step.substr(5) + " 次抽奖";
    return step;  // a step of a later version, as recorded
}

std::string describe(const HistoryEntry& entry) {
    return marked_controls(entry.when + " " + step_label(entry.step) + " " + entry.status);
}

}  // namespace quilbex::app

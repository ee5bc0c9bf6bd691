#include "app/member/LastResult.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quilbex::app {

namespace {

// History lines are short; the last one lies within this many bytes of the end.
constexpr off_t kTailBytes = 16384;

// Closes the descriptor when it goes out of scope.
class OpenFile {
public:
    explicit OpenFile(int fd) : m_fd(fd) {}
    ~OpenFile() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

}  // namespace

std::optional<HistoryEntry> parse_history_line(std::string_view line) {
    HistoryEntry entry;
    std::string* fields[] = {&entry.when, &entry.source, &entry.step};
    for (std::string* field : fields) {
        std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos || tab == 0)
            return std::nullopt;
        *field = line.substr(0, tab);
        line.remove_prefix(tab + 1);
    }
    entry.status = line;
    return entry;
}

std::optional<HistoryEntry> last_history_entry(const std::string& file) {
    // Neither a link nor a FIFO: a file that is not a plain file has no history.
    OpenFile fd(::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0)
        return std::nullopt;
    off_t start = st.st_size > kTailBytes ? st.st_size - kTailBytes : 0;
    std::string tail(static_cast<std::size_t>(st.st_size - start), '\0');
    ssize_t got = ::pread(fd.get(), tail.data(), tail.size(), start);
    if (got <= 0)
        return std::nullopt;
    tail.resize(static_cast<std::size_t>(got));
    // A line still being written has no "\n" yet: the one before it is the last.
    std::size_t end = tail.rfind('\n');
    if (end == std::string::npos || end == 0)
        return std::nullopt;
    std::size_t begin = tail.rfind('\n', end - 1);
    begin = begin == std::string::npos ? 0 : begin + 1;
    if (begin == 0 && start > 0)
        return std::nullopt;  // the line began before the bytes read
    return parse_history_line(std::string_view(tail).substr(begin, end - begin));
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
    return entry.when + " " + step_label(entry.step) + " " + entry.status;
}

}  // namespace quilbex::app

#pragma once
// "History.log" in the member's state folder: one UTF-8 line per sign-in, draw and
// quote, from the window or from the command line:
//
//   2026-12-07 08:31:02<TAB>command-line<TAB>draw 2<TAB>恭喜您抽中 金币 x1
//
// Fields are local time, source ("window" or "command-line"), step
// ("sign-in", "draw N", "quote") and the status text as printable_status
// shows it (one line, no control characters). Each line goes out in one
// write() on a file opened for appending, so concurrent writers never
// interleave. A line is written whole or not at all: a write that a full
// disk cuts short is taken back, and a line after a file that does not end
// in a line end (an older release's cut line) starts a line of its own.
//
// The file is used only when it is a regular file: it is opened without
// following a link and without blocking, so a FIFO or a link in its place
// never holds up a writer (the window thread among them). When a line would
// take it past kHistoryFileLimit bytes, the file becomes "History.log.1"
// (replacing the older one) and a new one is begun. A file that cannot be
// written never stops a run; the first failure of the process is reported
// once on standard error.

#include "app/flows/StatusSink.h"

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace quilbex::app {

enum class RunSource { window, command_line };

inline constexpr std::uint64_t kHistoryFileLimit = 1024 * 1024;

// "2026-12-07 08:31:02": the local time as the history file and the alerts write it.
std::string local_time_text(std::time_t when);

// One line, "\n" included. `status` is UTF-8.
std::string format_history_line(std::time_t when, RunSource source, FlowStep step, int draw, std::string_view status);

// One line for a step of another kind (an alert's, for example), "\n"
// included; `text` is UTF-8. The history table skips such lines.
std::string format_history_note(std::time_t when, RunSource source, std::string_view step, std::string_view text);

// Why the last line that could not be written was not, in words for the
// member (UTF-8, the file's name included); empty while every line was.
std::string last_history_problem();

// The four fields of a stored history line, as views into the line.
struct HistoryFields {
    std::string_view when;
    std::string_view source;
    std::string_view step;
    std::string_view status;  // the rest of the line, as stored: clean it before showing it
};

// The fields of one line of a history file (without its "\n"); nothing for
// a line that is not a history line or that a full disk cut inside a
// character. A line onto which an older release appended the next one after
// such a cut is read as that next line.
std::optional<HistoryFields> parse_history_line(std::string_view line);

// Appends a formatted line ("\n" included); false when it could not be written.
bool append_history_line(const std::string& file, const std::string& line);
// Appends one line for a GBK status text; false when it could not be written.
bool append_history(const std::string& file, RunSource source, FlowStep step, int draw, const char* status_gbk);

// Writes every report of the flows to the history file.
class HistorySink final : public StatusSink {
public:
    HistorySink(std::string file, RunSource source) : m_file(std::move(file)), m_source(source) {}
    void report(FlowStep step, int draw, const char* status) override {
        if (!append_history(m_file, m_source, step, draw, status))
            m_failed = true;
    }
    // Recorded as "网络无应答": the service may have counted the step.
    void report_unanswered(FlowStep step, int draw, const char* status) override;
    // Whether a line of this sink could not be written.
    bool failed() const { return m_failed; }

private:
    std::string m_file;
    RunSource m_source;
    bool m_failed = false;
};

}  // namespace quilbex::app

#pragma once
// The terminal as a status sink: every status line in UTF-8 on standard
// output as it comes, and, when standard output is a terminal, a one-line
// note while the run waits between draws (erased again before the next line).
// Statuses are shown as printable_status makes them: one line, no control
// characters of the reply's. Output that cannot be written (a closed or
// unread standard output) is dropped and never ends the run.

#include "app/flows/StatusSink.h"

#include <cstdio>

namespace quilbex::app {

enum class Verbosity { normal, quiet };

class TerminalSink final : public StatusSink {
public:
    TerminalSink(std::FILE* out, Verbosity verbosity);
    void report(FlowStep step, int draw, const char* status) override;
    // Shown as "网络无应答".
    void report_unanswered(FlowStep step, int draw, const char* status) override;
    void pausing(int draw, std::int32_t milliseconds) override;

private:
    std::FILE* m_out;
    bool m_quiet;
    bool m_terminal;
    bool m_note_shown = false;
};

}  // namespace quilbex::app

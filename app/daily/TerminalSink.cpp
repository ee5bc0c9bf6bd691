#include "app/daily/TerminalSink.h"

#include "app/member/ReplyText.h"
#include "app_flows_texts/FlowTexts.h"
#include "platform/kernel/CodePage.h"

#include <string>
#include <unistd.h>

namespace quilbex::app {

TerminalSink::TerminalSink(std::FILE* out, Verbosity verbosity)
    : m_out(out), m_quiet(verbosity == Verbosity::quiet), m_terminal(::isatty(::fileno(out)) != 0) {}

void TerminalSink::report(FlowStep step, int draw, const char* status) {
    if (m_quiet)
        return;
    if (m_note_shown) {
        std::fputs("\r\033[K", m_out);
        m_note_shown = false;
    }
    std::string label;
    switch (step) {
    case FlowStep::sign_in: label = "签到"; break;
    case FlowStep::draw: label = "抽奖 " + std::to_string(draw); break;
    case FlowStep::quote: label = "每日一句"; break;
    }
    std::string line = label + "：" + printable_status(kernel::gbk_to_utf8(status ? status : "")) + "\n";
    std::fputs(line.c_str(), m_out);
    std::fflush(m_out);
}

void TerminalSink::report_unanswered(FlowStep step, int draw, const char*) { report(step, draw, texts::no_answer()); }

void TerminalSink::pausing(int draw, std::int32_t milliseconds) {
    if (m_quiet || !m_terminal)
        return;
    std::fprintf(m_out, "%d 秒后抽第 %d 次……", static_cast<int>((milliseconds + 999) / 1000), draw + 1);
    std::fflush(m_out);
    m_note_shown = true;
}

}  // namespace quilbex::app

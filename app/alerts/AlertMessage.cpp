#include "app/alerts/AlertMessage.h"

#include "app/alerts/AlertEncoding.h"
#include "app/member/History.h"
#include "platform/kernel/CodePage.h"

namespace quilbex::app {

namespace {

// More than a day's draws ever are: a number beyond it is not kept.
constexpr int kMaxDraws = 100;

std::string one_line(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    return out;
}

std::string fact_lines(const RunFacts& facts) {
    std::string lines = "\n成员：" + one_line(facts.member);
    if (!facts.sign_in.empty())
        lines += "\n签到：" + one_line(facts.sign_in);
    if (!facts.draws.empty()) {
        lines += "\n抽奖：";
        for (std::size_t i = 0; i < facts.draws.size(); ++i)
            lines += (i ? "；" : "") + std::string("第 ") + std::to_string(i + 1) + " 次：" + one_line(facts.draws[i]);
    }
    if (facts.cookie_expires)
        lines += *facts.cookie_expires == 0 ? std::string("\nCookie 有效期：到浏览器关闭为止")
                                            : "\nCookie 有效至：" + local_time_text(*facts.cookie_expires);
    return lines;
}

// A status text longer than this is cut: it is one line of the alert.
constexpr std::size_t kMaxFactBytes = 300;

}  // namespace

AlertMessage alert_message(const std::string& summary, const std::string& body, const RunFacts& facts,
                           std::time_t when) {
    return {summary, body + fact_lines(facts) + "\n时间：" + local_time_text(when)};
}

AlertMessage alert_message(const std::string& summary, const std::string& body, const std::string& member,
                           std::time_t when) {
    RunFacts facts;
    facts.member = member;
    return alert_message(summary, body, facts, when);
}

AlertMessage test_alert_message(const RunFacts& facts, std::time_t when) {
    return alert_message("Quilbex 提醒测试", "这是一条测试提醒：签到出问题时，您会在这里收到同样的消息。", facts, when);
}

namespace {

// A reply's words without its markup: the forum answers some requests with
// an XML or HTML fragment, and an alert on a phone should say what it says.
std::string words_of(const std::string& reply) {
    std::string out;
    bool in_tag = false;
    for (std::size_t i = 0; i < reply.size(); ++i) {
        char c = reply[i];
        if (c == '<') {
            in_tag = true;
        } else if (c == '>' && in_tag) {
            in_tag = false;
        } else if (!in_tag && reply.compare(i, 3, "]]>") != 0) {
            bool space = static_cast<unsigned char>(c) <= 0x20 || c == 0x7F;
            if (!space)
                out += c;
            else if (!out.empty() && out.back() != ' ')
                out += ' ';
        } else if (!in_tag) {
            i += 2;
        }
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

}  // namespace

void RunFactsSink::report(FlowStep step, int draw, const char* status) {
    std::string text = cut_utf8(valid_utf8(words_of(kernel::gbk_to_utf8(status ? status : ""))), kMaxFactBytes);
    if (step == FlowStep::sign_in) {
        m_facts.sign_in = std::move(text);
    } else if (step == FlowStep::draw && draw > 0 && draw <= kMaxDraws) {
        auto index = static_cast<std::size_t>(draw) - 1;
        if (m_facts.draws.size() <= index)
            m_facts.draws.resize(index + 1);
        m_facts.draws[index] = std::move(text);
    }
}

}  // namespace quilbex::app

#pragma once
// What an alert says: the notice's summary as its title, and its text
// followed by what the member wants to know about the run:
//
//   title   Quilbex 签到：未登录
//   text    登录已失效，请打开程序重新登录
//           成员：默认                       the profile's name, or 默认
//           签到：未登录                     the forum's answer, when there was one
//           抽奖：第 1 次：谢谢参与；第 2 次：…  when the run drew
//           Cookie 有效至：2026-12-10 08:00:00 when Cookie.ini records it
//           时间：2026-12-07 08:31:02
//
// Texts are UTF-8; lines are separated by "\n".

#include "app/flows/StatusSink.h"

#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace quilbex::app {

struct AlertMessage {
    std::string title;
    std::string text;
};

// The member's name for alerts when the run is the default member's.
inline constexpr const char* kDefaultMemberName = "默认";

struct RunFacts {
    std::string member;  // the profile's name, or kDefaultMemberName
    std::string detail;  // what went wrong in words of this run, after the notice's text; may be empty
    std::string sign_in;  // the sign-in's status text; empty when there was none
    std::vector<std::string> draws;  // each draw's status text, in order
    // Cookie.ini's "expires": seconds since the epoch, 0 for a cookie that
    // ends with the browser session; nothing when it is not recorded.
    std::optional<std::time_t> cookie_expires;
};

// Control characters in the facts (a status text may hold a line break)
// each become "?", so that every fact stays on its own line.
AlertMessage alert_message(const std::string& summary, const std::string& body, const RunFacts& facts,
                           std::time_t when);

// The same with the member's name as the only fact.
AlertMessage alert_message(const std::string& summary, const std::string& body, const std::string& member,
                           std::time_t when);

// The message that `quilbex --notify-test` sends.
AlertMessage test_alert_message(const RunFacts& facts, std::time_t when);

// Collects the run's status texts (GBK, as the flows report them) as UTF-8
// facts for the alert.
class RunFactsSink final : public StatusSink {
public:
    explicit RunFactsSink(RunFacts& facts) : m_facts(facts) {}
    void report(FlowStep step, int draw, const char* status) override;

private:
    RunFacts& m_facts;
};

}  // namespace quilbex::app

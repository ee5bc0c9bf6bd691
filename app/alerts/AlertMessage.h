#pragma once
// What an alert says: the desktop notification's summary as its title, and
// its text followed by the member and the time of the run:
//
//   title   Quilbex 签到：未登录
//   text    登录已失效，请打开程序重新登录
//           成员：/home/zhang/quilbex
//           时间：2026-12-07 08:31:02
//
// Texts are UTF-8; lines are separated by "\n".

#include <ctime>
#include <string>

namespace quilbex::app {

struct AlertMessage {
    std::string title;
    std::string text;
};

// `member` is the program folder or the profile name; control characters in
// it (a folder name may hold a line break) each become "?", so that it
// stays on its own line.
AlertMessage alert_message(const std::string& summary, const std::string& body, const std::string& member,
                           std::time_t when);

// The message that `quilbex --notify-test` sends.
AlertMessage test_alert_message(const std::string& member, std::time_t when);

}  // namespace quilbex::app

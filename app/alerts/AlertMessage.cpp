#include "app/alerts/AlertMessage.h"

#include "app/member/History.h"

namespace quilbex::app {

namespace {

std::string one_line(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    return out;
}

}  // namespace

AlertMessage alert_message(const std::string& summary, const std::string& body, const std::string& member,
                           std::time_t when) {
    return {summary, body + "\n成员：" + one_line(member) + "\n时间：" + local_time_text(when)};
}

AlertMessage test_alert_message(const std::string& member, std::time_t when) {
    return alert_message("Quilbex 提醒测试", "这是一条测试提醒：签到出问题时，您会在这里收到同样的消息。", member,
                         when);
}

}  // namespace quilbex::app

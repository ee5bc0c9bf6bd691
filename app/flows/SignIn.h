#pragma once
// The forum's daily sign-in, in two requests on the window thread: the sign
// page's form token, then the sign form with the member's message of the day.
// Both carry a copy of forum_cookie (and so never the process cookie store).

#include "commands/Facade.h"

namespace quilbex::app {

inline constexpr const char* kDesktopAgent =
    "Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/50.0.2661.87 Safari/537.36";
inline constexpr const char* kMobileAgent =
    "Mozilla/5.0 (Linux; U; Android 8.1.0; zh-cn; BLA-AL00 Build/HUAWEIBLA-AL00) AppleWebKit/537.36 (KHTML, "
    "like Gecko) Version/4.0 Chrome/57.0.2987.132 MQQBrowser/8.9 Mobile Safari/537.36";
inline constexpr const char* kSignPagePath = "/plugin-dsu_paulsign:sign.html";
inline constexpr const char* kSignActionPath = "/plugin.php?id=dsu_paulsign:sign&operation=qiandao&infloat=1&inajax=1";

// The token between "formhash=" and "&amp;" of the sign page (letter case
// ignored), or the empty text.
commands::Text fetch_formhash();

// Posts the sign form and turns the reply into one status text: "签到成功",
// "签到失败", "未登录", "今日已经签到", or the reply itself.
commands::Text post_sign_in(const char* message, const char* formhash);

// The classification of a sign reply (GBK), in its fixed order.
commands::Text classify_sign_reply(const char* reply);

}  // namespace quilbex::app

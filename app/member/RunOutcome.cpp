#include "app/member/RunOutcome.h"

#include <array>

namespace quilbex::app {

namespace {

constexpr std::array kOutcomes{
    RunOutcome{RunStatus::done, "已签到或今日已经签到", nullptr, nullptr},
    RunOutcome{RunStatus::failed, "用法错误、另一次签到仍在进行或其他错误", nullptr, nullptr},
    RunOutcome{RunStatus::not_logged_in, "未登录：还没有保存 Cookie，或登录已失效，请打开程序登录",
               "Quilbex 签到：未登录", "登录已失效，请打开程序重新登录"},
    RunOutcome{RunStatus::no_answer, "网络无应答或证书被拒绝", "Quilbex 签到：网络无应答",
               "网络无应答或证书被拒绝，请检查网络后再试"},
    RunOutcome{RunStatus::refused, "论坛拒绝签到（签到失败）", "Quilbex 签到：签到失败",
               "论坛拒绝了签到，请修改签到文本后再试"},
};

static_assert(
    [] {
        for (std::size_t i = 0; i < kOutcomes.size(); ++i)
            if (static_cast<std::size_t>(kOutcomes[i].status) != i)
                return false;
        return true;
    }(),
    "the table is indexed by exit status");

// Status 2 for a member who never saved a cookie: nothing has expired, the
// member has yet to log in once.
constexpr RunOutcome kNoSavedCookie{RunStatus::not_logged_in, kOutcomes[2].meaning, "Quilbex 签到：还没有保存 Cookie",
                                    "还没有保存 Cookie，请打开程序登录并保存"};

}  // namespace

const RunOutcome& no_saved_cookie() { return kNoSavedCookie; }

std::span<const RunOutcome> run_outcomes() { return kOutcomes; }

const RunOutcome& run_outcome(RunStatus status) { return kOutcomes.at(static_cast<std::size_t>(status)); }

}  // namespace quilbex::app

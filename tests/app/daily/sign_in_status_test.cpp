// How a sign-in status text becomes the unattended run's exit status.

#include "app/daily/SignInRun.h"
#include "support/Gbk.h"

#include <gtest/gtest.h>

namespace quilbex::app {
namespace {

using quilbex::testing::gbk;

TEST(SignInStatus, each_reply_maps_to_its_exit_status) {
    EXPECT_EQ(classify_sign_in(gbk("签到成功").c_str(), true), RunStatus::done);
    EXPECT_EQ(classify_sign_in(gbk("今日已经签到").c_str(), true), RunStatus::done);
    EXPECT_EQ(classify_sign_in(gbk("签到失败").c_str(), true), RunStatus::refused);
    EXPECT_EQ(classify_sign_in(gbk("未登录").c_str(), true), RunStatus::not_logged_in);
    // A forum page that asks for a login instead of an empty body.
    EXPECT_EQ(classify_sign_in(gbk("<p>您需要先登录才能继续本操作</p>").c_str(), true), RunStatus::not_logged_in);
    EXPECT_EQ(classify_sign_in(gbk("{\"msg\":\"请先登录\"}").c_str(), true), RunStatus::not_logged_in);
    EXPECT_EQ(classify_sign_in(gbk("<div>您还未登录</div>").c_str(), true), RunStatus::not_logged_in);
    // Any other reply is not success, whatever it says around the phrase.
    EXPECT_EQ(classify_sign_in("OK", true), RunStatus::failed);
    EXPECT_EQ(classify_sign_in(nullptr, true), RunStatus::failed);
}

TEST(SignInStatus, a_request_without_an_answer_is_a_network_failure_not_a_lost_login) {
    EXPECT_EQ(classify_sign_in(gbk("未登录").c_str(), false), RunStatus::no_answer);
}

}  // namespace
}  // namespace quilbex::app

// The forum's sign page and sign action, and the mobile API's draw.

#include "SimClient.h"

namespace quilbex::sim::testing {
namespace {

constexpr const char* kSignPage = "/plugin-dsu_paulsign:sign.html";
constexpr const char* kSignAction = "/plugin.php?id=dsu_paulsign:sign&operation=qiandao&infloat=1&inajax=1";
constexpr const char* kForm = "Content-Type: application/x-www-form-urlencoded\r\nCookie: UM_distinctid=sim-member-0001";
constexpr const char* kDraw =
    "/api/mobile/index.php?version=6&module=choujiang&do=draw&sign=3f1c9a0e5b7d2468ace013579bdf2468ace01357";

using SignIn = SimTest;
using Draw = SimTest;

TEST_F(SignIn, the_sign_page_carries_the_token_only_for_a_logged_in_member) {
    Reply page = call(sim->forum_port(), "GET", kSignPage, std::string("Cookie: BBS_UNAME=x; ") + kMember);
    ASSERT_TRUE(page.sent);
    EXPECT_NE(page.body.find("formhash=1a2b3c4d&amp;"), std::string::npos);
    Reply guest = call(sim->forum_port(), "GET", kSignPage, "Cookie: UM_distinctid=someone-else");
    EXPECT_EQ(guest.body.find("formhash="), std::string::npos);
}

TEST_F(SignIn, a_well_formed_sign_succeeds_once_and_then_reports_already_signed) {
    const std::string form = "formhash=1a2b3c4d&qdxq=tp&qdmode=1&todaysay=%E4%BD%A0%E5%A5%BD";
    EXPECT_NE(call(sim->forum_port(), "POST", kSignAction, kForm, form).body.find("签到成功"), std::string::npos);
    EXPECT_NE(call(sim->forum_port(), "POST", kSignAction, kForm, form).body.find("您今日已经签到"),
              std::string::npos);
    scenario("sign=retry");
    EXPECT_NE(call(sim->forum_port(), "POST", kSignAction, kForm, form).body.find("请修改后再次提交"),
              std::string::npos);
}

TEST_F(SignIn, a_sign_without_the_member_cookie_gets_an_empty_body) {
    Reply r = call(sim->forum_port(), "POST", kSignAction, "Content-Type: application/x-www-form-urlencoded",
                   "formhash=1a2b3c4d&qdxq=tp&qdmode=1&todaysay=");
    ASSERT_TRUE(r.sent);
    EXPECT_EQ(r.status, 200u);
    EXPECT_EQ(r.body, "");
}

TEST_F(SignIn, a_wrong_token_fields_or_content_type_are_refused_and_never_count_as_signed) {
    const std::string good = "formhash=1a2b3c4d&qdxq=tp&qdmode=1&todaysay=";
    for (const auto& [headers, body] : std::vector<std::pair<std::string, std::string>>{
             {kForm, "formhash=bad&qdxq=tp&qdmode=1&todaysay="},
             {kForm, "formhash=1a2b3c4d&qdxq=tp&qdmode=1"},
             {kForm, "qdxq=tp&formhash=1a2b3c4d&qdmode=1&todaysay="},
             {std::string("Content-Type: text/plain\r\nCookie: ") + kMember, good}}) {
        Reply r = call(sim->forum_port(), "POST", kSignAction, headers, body);
        EXPECT_NE(r.body.find("表单验证串不符"), std::string::npos) << body;
        EXPECT_EQ(r.body.find("签到成功"), std::string::npos);
    }
    EXPECT_NE(call(sim->forum_port(), "POST", kSignAction, kForm, good).body.find("签到成功"), std::string::npos);
}

TEST_F(Draw, draws_win_until_the_configured_count_then_are_used_up_in_escaped_json) {
    scenario("draws=2");
    std::string cookie = std::string("Cookie: ") + kMember;
    EXPECT_EQ(call(sim->api_port(), "POST", kDraw, cookie).body,
              "{\"ret\":0,\"msg\":\"\\u606d\\u559c\\u60a8\\u62bd\\u4e2d \\u91d1\\u5e01 x1\"}");
    EXPECT_NE(call(sim->api_port(), "POST", kDraw, cookie).body.find("x2"), std::string::npos);
    // "抽奖次数已用完" as the API escapes it.
    EXPECT_NE(call(sim->api_port(), "POST", kDraw, cookie).body.find("\\u62bd\\u5956\\u6b21\\u6570\\u5df2\\u7528\\u5b8c"),
              std::string::npos);
}

TEST_F(Draw, too_fast_not_logged_in_and_a_wrong_signature_each_have_their_answer) {
    std::string cookie = std::string("Cookie: ") + kMember;
    scenario("too_fast=1");
    EXPECT_NE(call(sim->api_port(), "POST", kDraw, cookie).body.find("\\u592a\\u5feb"), std::string::npos);
    EXPECT_EQ(call(sim->api_port(), "POST", kDraw, "Cookie: UM_distinctid=").body, "");
    std::string wrong = std::string(kDraw).substr(0, std::string(kDraw).size() - 1) + "0";
    EXPECT_NE(call(sim->api_port(), "POST", wrong, cookie).body.find("\"ret\":-3"), std::string::npos);
    EXPECT_NE(call(sim->api_port(), "GET", kDraw, cookie).body.find("\"ret\":-3"), std::string::npos);
}

}  // namespace
}  // namespace quilbex::sim::testing

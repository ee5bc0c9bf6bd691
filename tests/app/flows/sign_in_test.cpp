// The sign-in flow against the local forum: the requests it sends and the
// status it makes of each reply.

#include "FlowFixture.h"
#include "app/flows/SignIn.h"

namespace quilbex::app::testing {
namespace {

using SignIn = FlowTest;

TEST_F(SignIn, the_token_request_carries_the_desktop_agent_the_standard_block_and_the_cookie) {
    EXPECT_EQ(str(fetch_formhash()), "1a2b3c4d");
    auto entries = log();
    ASSERT_EQ(entries.size(), 1u);
    std::string url = "https://" + forum() + kSignPagePath;
    EXPECT_EQ(entries[0].request.head, std::string("GET /plugin-dsu_paulsign:sign.html HTTP/1.1\r\n") +
                                           "Host: " + forum() + "\r\n" + "User-Agent: " + kDesktopAgent + "\r\n" +
                                           "Accept: */*\r\nReferer: " + url + "\r\nAccept-Language: zh-cn\r\n" +
                                           "Cookie: " + kMemberCookie + "\r\n\r\n");
}

TEST_F(SignIn, a_member_who_is_not_logged_in_gets_no_token_and_no_cookie_line_goes_out) {
    set_forum_cookie("");
    EXPECT_EQ(str(fetch_formhash()), "");
    EXPECT_FALSE(log().back().request.header("Cookie"));
}

TEST_F(SignIn, the_form_goes_with_the_mobile_agent_and_the_message_as_encoded_utf8) {
    Text status = post_sign_in(gbk("你好 a+b").c_str(), "1a2b3c4d");
    EXPECT_EQ(str(status), gbk("签到成功"));
    const sim::Request r = log().back().request;
    std::string url = "https://" + forum() + kSignActionPath;
    std::string body = "formhash=1a2b3c4d&qdxq=tp&qdmode=1&todaysay=%E4%BD%A0%E5%A5%BD%20a%2Bb";
    EXPECT_EQ(r.head, std::string("POST ") + kSignActionPath + " HTTP/1.1\r\n" + "Host: " + forum() + "\r\n" +
                          "User-Agent: " + kMobileAgent + "\r\n" + "Accept: */*\r\nReferer: " + url +
                          "\r\nAccept-Language: zh-cn\r\n" + "Content-Type: application/x-www-form-urlencoded\r\n" +
                          "Cookie: " + kMemberCookie + "\r\n" + "Content-Length: " + std::to_string(body.size()) +
                          "\r\n\r\n");
    EXPECT_EQ(r.body, body);
}

TEST_F(SignIn, each_reply_of_the_forum_becomes_its_status) {
    EXPECT_EQ(str(post_sign_in("hi", "1a2b3c4d")), gbk("签到成功"));
    EXPECT_EQ(str(post_sign_in("again", "1a2b3c4d")), gbk("今日已经签到"));
    // The forum refuses an empty message: the field goes out empty all the same.
    EXPECT_EQ(str(post_sign_in("", "1a2b3c4d")), gbk("签到失败"));
    EXPECT_EQ(log().back().request.body, "formhash=1a2b3c4d&qdxq=tp&qdmode=1&todaysay=");
    sim->state().scenario.set("sign", "retry");
    EXPECT_EQ(str(post_sign_in("x", "1a2b3c4d")), gbk("签到失败"));
    // A guest gets the forum's notice, which is shown as it stands; only an
    // empty reply means "not logged in".
    set_forum_cookie("UM_distinctid=stranger");
    std::string notice = str(post_sign_in("x", "1a2b3c4d"));
    EXPECT_NE(notice.find(gbk("您需要先登录才能继续本操作")), std::string::npos) << notice;
    EXPECT_EQ(notice.rfind("<?xml", 0), 0u);
    sim->state().scenario.set("guest_reply", "empty");
    EXPECT_EQ(str(post_sign_in("x", "1a2b3c4d")), gbk("未登录"));
}

TEST_F(SignIn, a_token_from_the_page_signs_in_a_session_opened_by_a_login) {
    set_forum_cookie(("UM_distinctid=" + sim->state().open_forum_session()).c_str());
    Text token = fetch_formhash();
    ASSERT_EQ(str(token).size(), 8u);
    EXPECT_NE(str(token), "1a2b3c4d");
    EXPECT_EQ(str(post_sign_in(gbk("今天也要加油").c_str(), token.get())), gbk("签到成功"));
}

TEST_F(SignIn, an_unreachable_forum_means_not_logged_in) {
    NetConfig config = net_config();
    sim->stop();
    install_net_config(config);
    EXPECT_EQ(str(fetch_formhash()), "");
    EXPECT_EQ(str(post_sign_in("x", "")), gbk("未登录"));
}

TEST(SignReply, phrases_are_classified_in_their_fixed_order) {
    EXPECT_EQ(str(classify_sign_reply(gbk("签到成功…请修改后再次提交").c_str())), gbk("签到成功"));
    EXPECT_EQ(str(classify_sign_reply(gbk("您今日已经签到，请明天再来").c_str())), gbk("今日已经签到"));
    EXPECT_EQ(str(classify_sign_reply(gbk("请修改后再次提交").c_str())), gbk("签到失败"));
    EXPECT_EQ(str(classify_sign_reply("OK")), "OK");
    EXPECT_EQ(str(classify_sign_reply(nullptr)), gbk("未登录"));
}

}  // namespace
}  // namespace quilbex::app::testing

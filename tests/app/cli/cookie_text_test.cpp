// The texts --import-cookie takes: what --export-cookie prints, a browser's
// header line, the bare cookie, a Cookie.ini; and the texts it refuses.

#include "app/cli/CookieCommands.h"
#include "tests/support/Gbk.h"

#include <gmock/gmock.h>

namespace quilbex::app {
namespace {

using ::testing::HasSubstr;

constexpr const char* kLogin = "BBS_UNAME=%E5%BC%A0%E4%B8%89; UM_distinctid=17a-0b";

ImportedCookie taken(const std::string& text) {
    ParsedCookieText parsed = parse_cookie_text(text);
    EXPECT_TRUE(parsed.cookie) << parsed.refusal;
    return parsed.cookie.value_or(ImportedCookie{});
}

std::string refusal(const std::string& text) {
    ParsedCookieText parsed = parse_cookie_text(text);
    EXPECT_FALSE(parsed.cookie) << text;
    return parsed.refusal;
}

TEST(CookieText, what_export_prints_comes_back_unchanged_with_or_without_an_expiry) {
    for (std::optional<std::int64_t> expires :
         {std::optional<std::int64_t>(1796877072), std::optional<std::int64_t>(0), std::optional<std::int64_t>()}) {
        ImportedCookie back = taken(format_cookie_export(kLogin, expires));
        EXPECT_EQ(back.cookie, kLogin);
        EXPECT_EQ(back.expires, expires);
    }
    // A Chinese value travels as UTF-8 and is kept as the program keeps texts (GBK).
    const std::string gbk = quilbex::testing::gbk("BBS_UNAME=张三; x=1");
    EXPECT_EQ(taken(format_cookie_export(gbk, std::nullopt)).cookie, gbk);
}

TEST(CookieText, a_browsers_header_line_the_bare_text_and_a_settings_file_are_taken) {
    EXPECT_EQ(taken("\xEF\xBB\xBF"
                    "cookie:   " +
                    std::string(kLogin) + "  \r\n")
                  .cookie,
              kLogin);
    ImportedCookie bare = taken(std::string(kLogin) + "\n");
    EXPECT_EQ(bare.cookie, kLogin);
    EXPECT_FALSE(bare.expires);

    ImportedCookie ini = taken("; saved by the window\r\n[Other]\r\ncookie=BBS_UNAME=wrong\r\n[cookie]\r\n"
                               "cookie=\"" +
                               std::string(kLogin) + "\"\r\nexpires = 1796877072\r\n");
    EXPECT_EQ(ini.cookie, kLogin) << "the COOKIE section's key, quotes removed";
    EXPECT_EQ(ini.expires, 1796877072);
    // A GBK file (not UTF-8) keeps its bytes.
    const std::string gbk = quilbex::testing::gbk("BBS_UNAME=张三");
    EXPECT_EQ(taken("[COOKIE]\r\ncookie=" + gbk + "\r\n").cookie, gbk);
}

TEST(CookieText, a_text_without_the_forums_login_is_refused_with_the_reason) {
    EXPECT_THAT(refusal("Cookie: UM_distinctid=17a-0b; XBBS_UNAME=a\n"), HasSubstr("BBS_UNAME"));
    EXPECT_THAT(refusal("Cookie: BBS_UNAME= ; UM_distinctid=1\n"), HasSubstr("BBS_UNAME"));
    EXPECT_THAT(refusal(""), HasSubstr("没有 Cookie"));
    EXPECT_THAT(refusal("Expires: 1796877072\n"), HasSubstr("没有 Cookie"));
    EXPECT_THAT(refusal("[COOKIE]\nexpires=1\n"), HasSubstr("cookie"));
    EXPECT_THAT(refusal(std::string("Cookie: BBS_UNAME=a\x01; b=1\n")), HasSubstr("控制字符"));
    // An expiry that is no whole number is not made up.
    EXPECT_FALSE(taken("Cookie: BBS_UNAME=a\nExpires: soon\n").expires);
    EXPECT_FALSE(taken("Cookie: BBS_UNAME=a\nExpires: 12ab\n").expires);
}

}  // namespace
}  // namespace quilbex::app

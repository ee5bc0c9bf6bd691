// Cookie texts: collecting, merging, de-duplicating and reading one cookie.

#include "app/net/Cookies.h"

#include <gtest/gtest.h>

namespace quilbex::app {
namespace {

std::string merged(const char* sent, const char* returned) {
    Text sent_text = make_text(sent);
    Text result = merge_cookies(sent_text, returned);
    EXPECT_EQ(str(result), str(sent_text)) << "the sent variable holds the merge too";
    return str(result);
}

TEST(CollectSetCookies, takes_name_and_value_of_each_exactly_spelt_set_cookie_line) {
    EXPECT_EQ(str(collect_set_cookies("HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\n\r\n")),
              "a=1; b=2");
    EXPECT_EQ(str(collect_set_cookies("HTTP/1.1 200 OK\r\nContent-Type: x\r\n\r\n")), "");
    EXPECT_EQ(str(collect_set_cookies("set-cookie: a=1\r\nSet-Cookie:b=2\r\nSet-Cookie: c=3;x")), "c=3");
    EXPECT_EQ(str(collect_set_cookies(nullptr)), "");
}

TEST(MergeCookies, returned_cookies_win_and_come_first) {
    EXPECT_EQ(merged("a=1; b=2", "b=3; c=4"), "b=3; c=4; a=1");
    EXPECT_EQ(merged("a=1; b=2;", "c=3"), "c=3; a=1; b=2");
    EXPECT_EQ(merged("a=1; a=2", ""), "a=1");
    EXPECT_EQ(merged("", ""), "");
}

TEST(MergeCookies, deleted_cookies_and_exact_duplicates_go) {
    EXPECT_EQ(merged("a=1; b=2", "b=deleted"), "a=1");
    EXPECT_EQ(merged("x=1", "y=2; y=2"), "y=2; x=1");
    EXPECT_EQ(merged("x=1", "y=2; y=3"), "y=2; y=3; x=1");
}

TEST(CookieName, is_the_trimmed_part_before_the_first_equals) {
    EXPECT_EQ(str(cookie_name(" sid =a=b")), "sid");
    EXPECT_EQ(str(cookie_name(" flag ")), "flag");
    EXPECT_EQ(str(remove_duplicate_items("a,b,a,,b,", ",")), "a,b,");
}

TEST(ReadCookie, finds_the_exact_name_anywhere_including_the_last_item) {
    const char* jar = "UM_distinctid=abc; BBS_UNAME=%E5%BC%A0";
    EXPECT_EQ(str(read_cookie(jar, "BBS_UNAME")), "%E5%BC%A0");
    EXPECT_EQ(str(read_cookie(jar, "UM_distinctid")), "abc");
    EXPECT_EQ(str(read_cookie(jar, "UM_distinctid=")), "abc");
    EXPECT_EQ(str(read_cookie("bbs_uname=x;", "BBS_UNAME")), "x");
}

TEST(ReadCookie, a_longer_name_with_the_same_tail_or_an_empty_value_does_not_count) {
    EXPECT_EQ(str(read_cookie("SID=1; a=2", "ID")), "");
    EXPECT_EQ(str(read_cookie("SID=1; ID=7", "ID")), "7");
    EXPECT_EQ(str(read_cookie("UM_distinctid=; x=1", "UM_distinctid")), "");
    EXPECT_EQ(str(read_cookie("UM_distinctid=", "UM_distinctid")), "");
    EXPECT_EQ(str(read_cookie(nullptr, "a")), "");
}

}  // namespace
}  // namespace quilbex::app

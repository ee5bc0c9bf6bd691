// The header block and proxy list parsers.

#include "platform/wininet/ProxyList.h"
#include "platform/wininet/RequestHeaders.h"

#include <gtest/gtest.h>

namespace quilbex::wininet {
namespace {

using Lines = std::vector<std::string>;

TEST(HeaderBlock, lines_split_at_crlf_or_lf_and_empty_or_nameless_lines_go) {
    EXPECT_EQ(split_header_block("A: 1\r\nB: 2"), (Lines{"A: 1", "B: 2"}));
    EXPECT_EQ(split_header_block("A: 1\nB: 2\r\n\r\n"), (Lines{"A: 1", "B: 2"}));
    EXPECT_EQ(split_header_block("junk\r\n: no name\r\nC:3"), (Lines{"C:3"}));
    EXPECT_EQ(split_header_block(""), Lines{});
}

TEST(HeaderBlock, names_compare_without_case_and_values_are_trimmed) {
    Lines lines{"user-agent:  X  ", "Cookie: a=1"};
    EXPECT_TRUE(has_header(lines, "User-Agent"));
    EXPECT_FALSE(has_header(lines, "User"));
    EXPECT_EQ(header_value(lines, "USER-AGENT"), "X");
    remove_header(lines, "COOKIE");
    EXPECT_EQ(lines, Lines{"user-agent:  X  "});
}

TEST(HeaderBlock, the_curl_list_switches_off_what_the_block_does_not_name) {
    EXPECT_EQ(curl_header_lines({"X-A: 1", "X-B:"}, false),
              (Lines{"X-A: 1", "X-B;", "Accept:", "Expect:", "Proxy-Connection:"}));
    EXPECT_EQ(curl_header_lines({"accept: text/html", "Content-Type: a/b"}, true),
              (Lines{"accept: text/html", "Content-Type: a/b", "Expect:", "Proxy-Connection:"}));
    EXPECT_EQ(curl_header_lines({}, true), (Lines{"Accept:", "Expect:", "Proxy-Connection:", "Content-Type:"}));
}

TEST(ProxyList, an_entry_for_the_scheme_wins_over_a_general_one) {
    EXPECT_EQ(proxy_for_scheme("proxy:8080", "https"), "http://proxy:8080");
    EXPECT_EQ(proxy_for_scheme("http=p1:1", "http"), "http://p1:1");
    EXPECT_EQ(proxy_for_scheme("http=p1:1", "https"), "");
    EXPECT_EQ(proxy_for_scheme("all:9 https=s:2;http=h:3", "https"), "http://s:2");
    EXPECT_EQ(proxy_for_scheme("HTTP=http://h:3", "http"), "http://h:3");
    EXPECT_EQ(proxy_for_scheme("  ;; ", "http"), "");
}

}  // namespace
}  // namespace quilbex::wininet

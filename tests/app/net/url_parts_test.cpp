// Splitting URLs into host, port and path, and normalising header names.

#include "app/net/HttpClient.h"

#include <gtest/gtest.h>

namespace quilbex::app {
namespace {

TEST(UrlParts, a_url_splits_into_lower_case_host_port_and_path_with_query) {
    EXPECT_EQ(str(url_host("https://Example:8443/a?b=1")), "example");
    EXPECT_EQ(str(url_host("https://Example:8443/a?b=1", true)), "example:8443");
    EXPECT_EQ(url_port("https://example:8443/a?b=1"), 8443);
    EXPECT_EQ(str(url_path("https://example:8443/a?b=1")), "/a?b=1");
}

TEST(UrlParts, defaults_fill_in_the_port_and_path) {
    EXPECT_EQ(url_port("http://example"), 80);
    EXPECT_EQ(url_port("HTTPS://example/x"), 443);
    EXPECT_EQ(str(url_path("http://example")), "/");
    EXPECT_EQ(str(url_host("example.com/x")), "example.com");
    EXPECT_EQ(url_port("example.com:81/x"), 81);
}

TEST(UrlParts, a_bracketed_ipv6_host_keeps_its_colons_and_brackets) {
    EXPECT_EQ(str(url_host("https://[::1]:18443/a:b")), "[::1]");
    EXPECT_EQ(str(url_host("https://[::1]:18443/a", true)), "[::1]:18443");
    EXPECT_EQ(url_port("https://[::1]:18443/a"), 18443);
    EXPECT_EQ(url_port("https://[fe80::1]/a"), 443);
    EXPECT_EQ(str(url_path("http://[::1]:81/p?q=1")), "/p?q=1");
}

TEST(NormaliseHeaderNames, each_name_piece_gets_a_capital_and_the_rest_stays) {
    EXPECT_EQ(str(normalise_header_names("content-type: x")), "Content-Type: x");
    EXPECT_EQ(str(normalise_header_names("x-requested-with:1\r\nuser-agent: a-b")),
              "X-Requested-With:1\r\nUser-Agent: a-b");
    EXPECT_EQ(str(normalise_header_names("accept: */*\r\n\r\nno colon\r\ncookie: a=1\r\n")),
              "Accept: */*\r\nCookie: a=1");
    EXPECT_EQ(str(normalise_header_names("nothing here")), "");
    EXPECT_EQ(str(normalise_header_names("x-: v")), "X-: v");
}

}  // namespace
}  // namespace quilbex::app

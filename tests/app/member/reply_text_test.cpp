// Reply texts made safe for a terminal and the history file.

#include "app/member/ReplyText.h"

#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

namespace quilbex::app {
namespace {

constexpr const char* kMark = "\xEF\xBF\xBD";

TEST(ReplyText, control_characters_become_a_visible_mark_and_line_breaks_a_space) {
    // ESC sequences (clear screen, window title), BEL, NUL-free C0, DEL.
    EXPECT_EQ(printable_status("\x1b[2J签到\x1b]0;pwned\x07ok\x7f"),
              std::string(kMark) + "[2J签到" + kMark + "]0;pwned" + kMark + "ok" + kMark);
    EXPECT_EQ(printable_status("a\tb\r\nc"), "a b  c");
    // C1 controls (U+0085, U+009B CSI) and bytes that are not UTF-8 (a raw 0x9B).
    EXPECT_EQ(printable_status("x\xC2\x85y\xC2\x9B"
                               "z\x9B"),
              std::string("x") + kMark + "y" + kMark + "z" + kMark);
    // Characters around them stay: U+00A0 and above, Chinese, four-byte forms.
    EXPECT_EQ(printable_status("\xC2\xA0金币 x1 \xF0\x9F\x8E\x81"), "\xC2\xA0金币 x1 \xF0\x9F\x8E\x81");
    // A truncated sequence at the end.
    EXPECT_EQ(printable_status("签\xE5\x88"), std::string("签") + kMark + kMark);
}

TEST(ReplyText, a_page_is_reduced_to_its_text_on_one_line) {
    EXPECT_EQ(printable_status("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<root><![CDATA[<div class=\"c\">\r\n"
                               "您需要先登录才能继续本操作</div>]]></root>"),
              "您需要先登录才能继续本操作");
    EXPECT_EQ(printable_status("<!DOCTYPE html><html><head><title>提示信息</title>\n"
                               "<script type=\"text/javascript\">var a = '<b>x</b>';</script>"
                               "<STYLE>p { color: red }</STYLE></head><body>\n<!-- a <comment> -->"
                               "<p>金币&nbsp;x1 &amp; &lt;b&gt; &#25104;&#x529F; &bogus; a&b</p>\n"
                               "<a href=\"x\">登录</a>\x1b[31m</body></html>"),
              std::string("提示信息 金币 x1 & <b> 成功 &bogus; a&b 登录 ") + kMark + "[31m");
    // A text that merely holds a "<" is no page.
    EXPECT_EQ(printable_status("1 < 2 > 0"), "1 < 2 > 0");
}

TEST(ReplyText, a_long_reply_is_cut_at_a_character_boundary) {
    std::string reply;
    for (int i = 0; i < 1000; ++i)
        reply += "签";
    std::string shown = printable_status(reply);
    EXPECT_LE(shown.size(), kShownStatusLimit + 3);
    EXPECT_EQ(shown.substr(shown.size() - 3), "…");
    EXPECT_EQ(shown.substr(0, 3), "签");
    EXPECT_EQ((shown.size() - 3) % 3, 0u);
}

// A hostile page: markup, then 4 MiB of lone '&'. Each '&' used to start a search to the end of the text (minutes
// for this size); the search now stops after the longest entity. The ceiling
// is far above the milliseconds it takes, and the run is left behind if it
// is ever passed.
TEST(ReplyText, a_page_full_of_lone_ampersands_takes_time_in_proportion_to_its_length) {
    auto shown = std::make_shared<std::promise<std::string>>();
    std::future<std::string> result = shown->get_future();
    std::thread([shown] {
        std::string page = "<p>" + std::string(4 * 1024 * 1024, '&') + "&amp;</p>";
        shown->set_value(printable_status(page));
    }).detach();
    ASSERT_EQ(result.wait_for(std::chrono::seconds(60)), std::future_status::ready);
    EXPECT_EQ(result.get(), std::string(kShownStatusLimit, '&') + "…");
    // Entities of up to eleven bytes still read; a longer one is text.
    EXPECT_EQ(printable_status("<b>&#x10FFFF;&#00000065;&#000000065;</b>"), "\xF4\x8F\xBF\xBF"
                                                                            "A&#000000065;");
}

}  // namespace
}  // namespace quilbex::app

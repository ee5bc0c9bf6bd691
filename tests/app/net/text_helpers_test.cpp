#include "app/net/TextHelpers.h"
#include "commands/com/ComFacade.h"
#include "commands/com/ComInit.h"
#include "platform/com/Apartment.h"
#include "runtime/Blocks.h"
#include "runtime/Memory.h"
#include "support/Gbk.h"

#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <string>
#include <thread>

using namespace quilbex;
using namespace quilbex::app;
using quilbex::testing::gbk;

namespace {

std::string str(const Text& t) { return t ? std::string(t.get()) : std::string(); }

std::string bytes(const ByteSet& b) {
    auto span = rt::byte_set_bytes(b.get());
    return std::string(reinterpret_cast<const char*>(span.data()), span.size());
}

ByteSet byte_set(std::string_view s) { return ByteSet(rt::make_byte_set(s.data(), s.size())); }

}  // namespace

TEST(TextBetween, takes_the_bytes_strictly_between_the_markers) {
    EXPECT_EQ(str(text_between("a=1; b=2;", "b=", ";")), "2");
    EXPECT_EQ(text_between("a=1; b=2", "b=", ";"), nullptr);
    EXPECT_EQ(text_between("a=1;", "a=1", ";"), nullptr);  // markers touch
    EXPECT_EQ(text_between("x", "nothing", "x"), nullptr);
    // The right marker is searched only after the left one.
    EXPECT_EQ(str(text_between(";k=v;", "k=", ";")), "v");
    EXPECT_EQ(str(text_between("K=1;k=2;", "k=", ";", 1, true)), "1");
    EXPECT_EQ(str(text_between("k=1;k=2;", "k=", ";", 3)), "2");
    std::string left = gbk("id=#引号");
    EXPECT_EQ(str(text_between("<a id=\"main\">", left.c_str(), "#\xD2\xFD\xBA\xC5")), "main");
}

TEST(UrlEncode, escapes_every_unsafe_byte_in_upper_case_hex) {
    EXPECT_EQ(str(url_encode("a b/c", true, false)), "a%20b%2Fc");
    EXPECT_EQ(str(url_encode("a b/c", false, false)), "%61%20%62%2F%63");
    EXPECT_EQ(str(url_encode("-._~+\n", true, false)), "-.%5F%7E%2B%0A");
    EXPECT_EQ(url_encode("", true, false), nullptr);
    std::string zhong = gbk("中");
    EXPECT_EQ(str(url_encode(zhong.c_str(), true, true)), "%E4%B8%AD");
    EXPECT_EQ(str(url_encode(zhong.c_str(), true, false)), "%D6%D0");
}

TEST(UrlDecode, decodes_escapes_and_keeps_what_is_not_one) {
    EXPECT_EQ(str(url_decode("%E5%BC%A0", true)), gbk("张"));
    EXPECT_EQ(str(url_decode("a+b")), "a+b");
    EXPECT_EQ(str(url_decode("%41%42")), "AB");
    EXPECT_EQ(str(url_decode("%4a%4A")), "JJ");
    EXPECT_EQ(str(url_decode("100%")), "100%");
    EXPECT_EQ(str(url_decode("%4")), "%4");
    EXPECT_EQ(str(url_decode("%zz%41")), "%zzA");
    EXPECT_EQ(str(url_decode("a%00b")), "ab");
    EXPECT_EQ(url_decode(nullptr), nullptr);
}

TEST(CodePages, gbk_and_utf8_convert_both_ways) {
    std::string text = gbk("签到 ok");
    EXPECT_EQ(str(gbk_to_utf8(text.c_str())), "签到 ok");
    EXPECT_EQ(str(utf8_to_gbk("签到 ok")), text);
    EXPECT_EQ(gbk_to_utf8(""), nullptr);
    EXPECT_EQ(utf8_to_gbk(nullptr), nullptr);
}

TEST(ConvertCharset, turns_a_utf8_body_into_gbk) {
    ByteSet body = byte_set("{\"msg\":\"签到成功\"}");
    EXPECT_EQ(bytes(convert_charset(body.get())), gbk("{\"msg\":\"签到成功\"}"));
    EXPECT_EQ(bytes(convert_charset(body.get(), "utf-8", "gb2312")), gbk("{\"msg\":\"签到成功\"}"));
    EXPECT_EQ(convert_charset(nullptr), nullptr);
    // GBK to UTF-8 writes the mark first; skipping it gives the plain bytes.
    ByteSet back = byte_set(gbk("中"));
    EXPECT_EQ(bytes(convert_charset(back.get(), "GBK", "UTF-8")), "\xEF\xBB\xBF中");
    EXPECT_EQ(bytes(convert_charset(back.get(), "GBK", "UTF-8", 3)), "中");
}

// The text passes through the program's GBK text between reading and
// writing: each half of a character GBK lacks is "?" whatever the target,
// and the text ends at a zero byte.
TEST(ConvertCharset, keeps_what_the_programs_text_can_hold) {
    ByteSet lacking = byte_set("a\xF0\x9F\x98\x80"
                               "b中");  // an emoji between
    EXPECT_EQ(bytes(convert_charset(lacking.get())), gbk("a??b中"));
    EXPECT_EQ(bytes(convert_charset(lacking.get(), "UTF-8", "UTF-8", 3)), "a??b中");
    EXPECT_EQ(bytes(convert_charset(lacking.get(), "UTF-8", "unicode", 2)), std::string("a\0?\0?\0b\0\x2D\x4E", 10));
    ByteSet zero = byte_set(std::string("ab\0cd", 5));
    EXPECT_EQ(bytes(convert_charset(zero.get())), "ab");
    EXPECT_EQ(bytes(convert_charset(zero.get(), "UTF-8", "UTF-8", 3)), "ab");
    ByteSet leading_zero = byte_set(std::string("\0x", 2));
    EXPECT_EQ(convert_charset(leading_zero.get()), nullptr);
    EXPECT_EQ(bytes(convert_charset(leading_zero.get(), "UTF-8", "UTF-8")), "\xEF\xBB\xBF");
}

// Large bodies pass through blocks that the thread keeps between calls; a
// smaller body after a larger one must not pick up any of its bytes.
TEST(ConvertCharset, large_bodies_in_turn_convert_exactly) {
    std::string large, small;
    while (large.size() < 900 * 1024)
        large += "签到成功，获得积分 12 点。Quote: keep going! ";
    while (small.size() < 300 * 1024)
        small += "今天也要开心 ";
    for (const std::string* utf8 : {&large, &small, &large}) {
        ByteSet body = byte_set(*utf8);
        EXPECT_EQ(bytes(convert_charset(body.get())), gbk(*utf8));
    }
    ByteSet back = byte_set(gbk(small));
    EXPECT_EQ(bytes(convert_charset(back.get(), "GBK", "UTF-8", 3)), small);
}

TEST(ConvertCharset, leaves_com_as_it_found_it_on_the_thread) {
    std::thread worker([] {
        ByteSet body = byte_set("abc");
        EXPECT_EQ(bytes(convert_charset(body.get())), "abc");
        EXPECT_FALSE(com::com_initialized_on_this_thread());
    });
    worker.join();
}

TEST(UnescapeUnicode, turns_escapes_into_characters_and_keeps_the_rest) {
    EXPECT_EQ(str(unescape_unicode("x\\u4e2d")), gbk("x中"));
    EXPECT_EQ(str(unescape_unicode("it's\r\nok %41")), "it's\r\nok A");
    EXPECT_EQ(str(unescape_unicode("\\u7b7e\\u5230")), gbk("签到"));
    EXPECT_EQ(unescape_unicode(""), nullptr);
}

TEST(UnescapeUnicode, reply_text_stays_data_whatever_bytes_stand_before_a_quote) {
    // A lead byte without a valid second byte before an apostrophe: the
    // apostrophe and the "code" after it come back as plain text.
    std::string attack = "\x81';return 'pwned'}//";
    std::string out = str(unescape_unicode(attack.c_str()));
    EXPECT_EQ(out.substr(out.size() - 19), "';return 'pwned'}//");
    EXPECT_NE(out, "pwned");
    // Line feeds, backslashes, JSON escapes and the marks once used to park
    // line breaks and quotes are left alone.
    EXPECT_EQ(str(unescape_unicode("ab\ncd")), "ab\ncd");
    EXPECT_EQ(str(unescape_unicode("{\"msg\":\"a\\\"b\\\\c\\/d\\n\"}")), "{\"msg\":\"a\\\"b\\\\c\\/d\\n\"}");
    EXPECT_EQ(str(unescape_unicode(gbk("{$}’\\u2019").c_str())), gbk("{$}’’"));
    // Odd UTF-8 before an apostrophe no longer loses the text.
    std::string utf8 = "\xe6\x8a\xbd'x";
    EXPECT_NE(str(unescape_unicode(utf8.c_str())).find("'x"), std::string::npos);
    EXPECT_EQ(str(unescape_unicode("\r\rx")), "\rx");
}

// The same text given to the script engine as an argument, which turns "\u"
// into "%u" and unescapes it.
class EngineUnescape {
public:
    EngineUnescape() {
        commands::object_create(m_script, "ScriptControl");
        commands::object_set_property(m_script, "Language", commands::text_argument("JScript"));
        commands::object_call(m_script, "ExecuteStatement",
                              {commands::text_argument("function un(x){return unescape(x.replace(/\\\\u/g, '%u'));}")});
    }
    std::string operator()(const std::string& text) {
        return str(commands::object_call_text(m_script, "Run",
                                              {commands::text_argument("un"), commands::text_argument(text.c_str())}));
    }

private:
    commands::ComInitScope m_com;
    commands::ObjectVar m_script;
};

TEST(UnescapeUnicode, matches_the_script_engines_unescape_on_random_text) {
    static const std::string pieces[] = {
        "a", "%", "u",    "\\u",      "\\",       "'",    "\"",   "\r\n",     "\n",  "0",  "4e2d", "D8",    "dc00",
        "F", "2", "\x81", "\xd6\xd0", "\xa1\xaf", "\xff", "\x80", "\xe6\x8a", "{$}", "%u", "%4",   "\xd6\\"};
    EngineUnescape engine;
    std::mt19937 random(14);
    int compared = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        for (int n = random() % 12; n >= 0; --n)
            text += pieces[random() % std::size(pieces)];
        if (text[0] == '\r')
            text.insert(0, "a");
        std::string expected = engine(text);
        if (expected.empty())
            continue;  // the fallback case
        ++compared;
        ASSERT_EQ(str(unescape_unicode(text.c_str())), expected) << "text: " << text;
    }
    EXPECT_GT(compared, 2500);
}

TEST(BytesAsUnicodeText, reads_utf16le) {
    std::string le("h\0i\0", 4);
    EXPECT_EQ(str(bytes_as_unicode_text(byte_set(le).get())), "hi");
    EXPECT_EQ(bytes_as_unicode_text(nullptr), nullptr);
}

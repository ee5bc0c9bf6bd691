// Reading a draw's reply: JSON first, then the script engine's unescape on the
// values, compared over random replies with the reading the program used to
// make (every escape decoded in the JSON text, then the text parsed).

#include "app/flows/JsonDocument.h"
#include "app/flows/Lottery.h"
#include "app/net/NetProgram.h"
#include "app/net/TextHelpers.h"
#include "app/net/TextOps.h"
#include "support/Gbk.h"

#include <gtest/gtest.h>
#include <optional>
#include <random>

namespace quilbex::app {
namespace {

using quilbex::testing::gbk;

// The earlier reading, kept as the reference: "\u" turned into "%u" and every
// escape decoded in the reply's text, then the text parsed. Nothing when the
// result is not JSON with a "ret".
std::optional<std::string> earlier_reading(const std::string& reply) {
    Text unescaped = unescape_unicode(reply.c_str());
    JsonDocument json;
    json.parse(unescaped.get());
    if (!json.get_text("ret"))
        return std::nullopt;
    return str(json.get_text("msg"));
}

int hex_value(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool hex_run(const std::string& s, std::size_t at, std::size_t count, int& value) {
    value = 0;
    if (at + count > s.size())
        return false;
    for (std::size_t k = at; k < at + count; ++k) {
        int d = hex_value(s[k]);
        if (d < 0)
            return false;
        value = value * 16 + d;
    }
    return true;
}

// The inputs on which the two readings differ by design. `msg` is the JSON
// text of the message (ASCII escapes, GBK bytes). The earlier reading decoded
// escapes before the JSON was read, so:
//  1. an escape ("\uXXXX", "%uXXXX", "%XX") of a quote, a backslash or a
//     control character became JSON syntax, as did any escape right after a
//     backslash (it completed a JSON escape): now it is the character itself;
//  2. an escape of "%", a hex digit or "u" could be decoded once where the
//     value now holds a percent escape that the unescape of the value decodes;
//  3. a "\u" without four hex digits stayed as "%u…" text: now the reply is
//     not JSON ("未登录"), as JSON says.
bool differs_by_design(const std::string& msg) {
    std::string text = msg;
    for (std::size_t at = text.find("\\u"); at != std::string::npos; at = text.find("\\u", at + 2)) {
        int ignored = 0;
        if (!hex_run(text, at + 2, 4, ignored))
            return true;  // 3
        text[at] = '%';
    }
    for (std::size_t k = 0; k < text.size(); ++k) {
        if (static_cast<unsigned char>(text[k]) >= 0x81) {
            ++k;  // a GBK character
            continue;
        }
        int value = 0;
        std::size_t length = 0;
        if (text[k] == '%' && k + 1 < text.size() && text[k + 1] == 'u' && hex_run(text, k + 2, 4, value))
            length = 6;
        else if (text[k] == '%' && hex_run(text, k + 1, 2, value))
            length = 3;
        if (length == 0)
            continue;
        std::size_t backslashes = 0;
        while (backslashes < k && text[k - 1 - backslashes] == '\\')
            ++backslashes;
        bool syntax = value == '"' || value == '\\' || value < 0x20 || backslashes % 2 == 1;  // 1
        bool percent_part =
            value == '%' || value == 'u' || value == 'U' || (value < 0x80 && hex_value(char(value)) >= 0);
        if (syntax || percent_part)  // 2
            return true;
        k += length - 1;
    }
    return false;
}

class DrawReply : public ::testing::Test {
protected:
    quilbex::testing::NetProgram program;
};

TEST_F(DrawReply, agrees_with_the_earlier_reading_wherever_that_parsed_outside_the_documented_classes) {
    const std::vector<std::string> pieces = {"a",         "Z",        " ",       "u",       "%",       "22",
                                             "5C",        "41",       "e9",      "u4E2D",   "\"",      "\\",
                                             "\\\"",      "\\\\",     "\\n",     "\\/",     "\\u4e2d", "\\u0022",
                                             "\\u005c",   "\\u000a",  "\\u0025", "\\u0067", "\\u00e9", "\\ud83d\\ude00",
                                             "%u606D",    "%22",      "%5C",     "%25",     "%0A",     gbk("抽奖"),
                                             gbk("恭喜"), "\xe9\xa5", "'",       "}",       "\\u12",   "\\\\u0067"};
    std::mt19937 random(20261207);
    int compared = 0, documented = 0;
    for (int round = 0; round < 1500; ++round) {
        std::string msg;
        for (int n = std::uniform_int_distribution<int>(0, 8)(random); n > 0; --n)
            msg += pieces[std::uniform_int_distribution<std::size_t>(0, pieces.size() - 1)(random)];
        const std::string reply = "{\"ret\":" + std::string(round % 3 ? "0" : "\"-1\"") + ",\"msg\":\"" + msg + "\"}";
        std::optional<std::string> earlier = earlier_reading(reply);
        if (!earlier)
            continue;
        if (differs_by_design(msg)) {
            ++documented;
            continue;
        }
        ++compared;
        EXPECT_EQ(str(read_draw_reply(reply.c_str())), *earlier) << reply;
    }
    // The comparison covers most of what parsed before.
    EXPECT_GT(compared, 300);
    EXPECT_GT(compared, documented);
}

// A reply with a "ret" only once its escapes are turned into characters (a
// percent-escaped reply, a malformed "\u" escape) is read that way; one
// without a "ret" either way is not logged in.
TEST_F(DrawReply, a_reply_without_a_ret_as_json_is_read_again_unescaped) {
    EXPECT_EQ(str(read_draw_reply("{\"msg\":\"x\"}")), gbk("未登录"));
    EXPECT_EQ(str(read_draw_reply("%7B\"ret\":0,\"msg\":\"x\"%7D")), "x");
    EXPECT_EQ(str(read_draw_reply("{\"ret\":0,\"msg\":\"x\\u12\"}")), "x%u12");
}

}  // namespace
}  // namespace quilbex::app

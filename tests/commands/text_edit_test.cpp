#include "CommandTestSupport.h"
#include "commands/text/TextCommands.h"
#include "fuzz/commands/TextReference.h"
#include "support/Gbk.h"

#include <gtest/gtest.h>
#include <random>

namespace quilbex::commands {
namespace {

using testing::gbk;
using testing::str;

std::vector<std::string> elements(const TextArray& array) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < array.size(); ++i)
        out.push_back(array[i] ? array[i] : "<null>");
    return out;
}

TEST(replace_text, replacements_never_overlap_and_honour_count_and_start) {
    EXPECT_EQ(str(replace_text("aaaa", "aa", "b")), "bb");
    EXPECT_EQ(str(replace_text("aaaa", "aa", "b", std::nullopt, 1)), "baa");
    EXPECT_EQ(str(replace_text("aaaa", "aa", "b", 2)), "aba");
    EXPECT_EQ(str(replace_text("aaaa", "a", "aa")), "aaaaaaaa") << "replaced text is not searched again";
    EXPECT_EQ(str(replace_text("abab", "b", nullptr)), "aa");
    EXPECT_EQ(str(replace_text("aaaa", "a", "b", std::nullopt, -7)), "bbbb") << "other negative counts do not limit";
    EXPECT_EQ(str(replace_text("aaaa", "a", "b", std::nullopt, 0)), "aaaa");
    EXPECT_EQ(str(replace_text("aaaa", "a", "b", 5)), "aaaa");
}

TEST(replace_text, ignores_letter_case_unless_asked_to_respect_it) {
    std::string header = "Set-Cookie: a\r\nset-cookie: b";
    EXPECT_EQ(str(replace_text(header.c_str(), "Set-Cookie:", "X")), "X a\r\nX b");
    EXPECT_EQ(str(replace_text(header.c_str(), "Set-Cookie:", "X", std::nullopt, std::nullopt, true)),
              "X a\r\nset-cookie: b");
}

TEST(replace_text, steps_over_two_byte_characters) {
    // The second byte of 0xB0 0x61 is "a" and must survive.
    std::string text = std::string("\xB0"
                                   "a") +
                       "a";
    EXPECT_EQ(str(replace_text(text.c_str(), "a", "x")), std::string("\xB0"
                                                                     "a") +
                                                             "x");
    std::string cn = gbk("我的签到我的");
    EXPECT_EQ(str(replace_text(cn.c_str(), gbk("我的").c_str(), "")), gbk("签到"));
}

TEST(replace_text, empty_inputs_and_results_are_null) {
    EXPECT_EQ(replace_text("", "a", "b"), nullptr);
    EXPECT_EQ(replace_text("a", "a", ""), nullptr);
    EXPECT_EQ(str(replace_text("abc", "", "x")), "abc");
}

TEST(split_text, keeps_inner_empty_elements_but_no_empty_last_one) {
    EXPECT_EQ(elements(split_text("a,,b,")), (std::vector<std::string>{"a", "<null>", "b"}));
    EXPECT_EQ(elements(split_text(",a")), (std::vector<std::string>{"<null>", "a"}));
    EXPECT_EQ(elements(split_text("a,b,c", ",", 2)), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(elements(split_text("a; b; c", "; ")), (std::vector<std::string>{"a", "b", "c"}));
}

TEST(split_text, empty_text_or_zero_maximum_give_an_empty_array_and_empty_delimiter_the_whole_text) {
    TextArray none = split_text("");
    ASSERT_NE(none.block(), nullptr);
    EXPECT_EQ(none.size(), 0u);
    EXPECT_EQ(split_text("a,b", ",", 0).size(), 0u);
    EXPECT_EQ(elements(split_text("a,b", ",", -3)).size(), 0u);
    EXPECT_EQ(elements(split_text("a,b", "")), (std::vector<std::string>{"a,b"}));
}

TEST(split_text, default_delimiter_is_a_comma_and_compares_with_case) {
    rt::ArgRecord result = testing::call(lib::split_text, {testing::text_record("x,yAz")});
    TextArray array(static_cast<unsigned char*>(result.pointer()));
    EXPECT_EQ(elements(array), (std::vector<std::string>{"x", "yAz"}));
    EXPECT_EQ(elements(split_text("xAyaz", "a")), (std::vector<std::string>{"xAy", "z"}));
}

TEST(split_text, delimiter_never_matches_inside_a_character) {
    std::string text = std::string("\xB0,") + "," + "x";  // 0xB0 0x2C is one character
    EXPECT_EQ(elements(split_text(text.c_str())), (std::vector<std::string>{"\xB0,", "x"}));
}

TEST(to_upper_and_to_lower, change_ascii_letters_only) {
    std::string text = std::string("aZ\xB0"
                                   "a") +
                       gbk("中") + "q";
    EXPECT_EQ(str(to_upper(text.c_str())), std::string("AZ\xB0"
                                                       "a") +
                                               gbk("中") + "Q");
    EXPECT_EQ(str(to_lower(text.c_str())), std::string("az\xB0"
                                                       "a") +
                                               gbk("中") + "q");
    EXPECT_EQ(to_upper(""), nullptr);
}

TEST(trim_spaces, removes_ascii_and_full_width_spaces_at_both_ends_only) {
    std::string full = "\xA1\xA1";
    EXPECT_EQ(str(trim_spaces((full + " a b  ").c_str())), "a b");
    EXPECT_EQ(str(trim_spaces(("x" + full).c_str())), "x");
    EXPECT_EQ(str(trim_spaces(("x " + full + " y").c_str())), "x " + full + " y");
    EXPECT_EQ(trim_spaces("   "), nullptr);
    EXPECT_EQ(str(trim_spaces("ab\xB0")), "ab") << "a lead byte standing last is cut";
    // 0xB0 0xA1 then 0xA1: the walk pairs 0xB0 0xA1, so no full-width space.
    EXPECT_EQ(str(trim_spaces("x\xB0\xA1\xA1")), "x\xB0\xA1");
}

TEST(replace_and_split, agree_with_the_plain_walk_on_random_texts) {
    std::mt19937 rng(777);
    const char kAlphabet[] = {'a', 'A', ',', '\xB0', '\x81', 'b'};
    auto random_text = [&](std::size_t max) {
        std::string s(std::uniform_int_distribution<std::size_t>(0, max)(rng), 'a');
        for (char& c : s)
            c = kAlphabet[std::uniform_int_distribution<std::size_t>(0, sizeof kAlphabet - 1)(rng)];
        return s;
    };
    std::uniform_int_distribution<int> small(-2, 6);
    for (int round = 0; round < 3000; ++round) {
        std::string text = random_text(12), needle = random_text(3), replacement = random_text(2);
        int s = small(rng), c = small(rng);
        std::optional<std::int32_t> start = s < -1 ? std::nullopt : std::optional<std::int32_t>(s);
        std::optional<std::int32_t> count = c < -1 ? std::nullopt : std::optional<std::int32_t>(c);
        bool exact = round % 3 == 0;
        ASSERT_EQ(str(replace_text(text.c_str(), needle.c_str(), replacement.c_str(), start, count, exact)),
                  reference::replace(text, needle, replacement, start, count, exact))
            << ::testing::PrintToString(text) << " / " << ::testing::PrintToString(needle);
        std::vector<std::string> expected = reference::split(text, needle, count);
        for (auto& e : expected)
            if (e.empty())
                e = "<null>";
        ASSERT_EQ(elements(split_text(text.c_str(), needle.c_str(), count)), expected)
            << ::testing::PrintToString(text) << " / " << ::testing::PrintToString(needle);
    }
}

}  // namespace
}  // namespace quilbex::commands

#include "CommandTestSupport.h"
#include "commands/text/TextCommands.h"
#include "fuzz/commands/TextReference.h"
#include "support/Gbk.h"

#include <gtest/gtest.h>
#include <random>

namespace quilbex::commands {
namespace {

using testing::gbk;

TEST(find_text, positions_count_from_the_start_of_the_whole_text) {
    EXPECT_EQ(find_text("abcb", "b"), 2);
    EXPECT_EQ(find_text("abcb", "b", 3), 4);
    EXPECT_EQ(find_text("abcb", "b", 9), -1);
    EXPECT_EQ(find_text("abcb", "a", 0), 1);
    EXPECT_EQ(find_text("abcb", "a", -5), 1);
    EXPECT_EQ(find_text("abcb", "bcb"), 2);
    EXPECT_EQ(find_text("abcb", "bcbx"), -1);
}

TEST(find_text_reverse, match_must_end_before_the_end_position) {
    EXPECT_EQ(find_text_reverse("abcb", "b"), 4);
    EXPECT_EQ(find_text_reverse("abcb", "b", 4), 2);
    EXPECT_EQ(find_text_reverse("abcb", "b", 5), 4);
    EXPECT_EQ(find_text_reverse("abcb", "a", 1), -1);
    EXPECT_EQ(find_text_reverse("abcb", "a", 0), -1);
    EXPECT_EQ(find_text_reverse("abcb", "a", 2), 1);
}

TEST(find_text, empty_search_text_finds_position_one_only_in_a_non_empty_region) {
    EXPECT_EQ(find_text("abc", ""), 1);
    EXPECT_EQ(find_text("abc", "", 3), 1);
    EXPECT_EQ(find_text("abc", "", 4), -1);
    EXPECT_EQ(find_text("", ""), -1);
    EXPECT_EQ(find_text_reverse("abc", ""), 1);
    EXPECT_EQ(find_text_reverse("abc", "", 1), -1);
}

TEST(find_text, never_matches_on_the_second_byte_of_a_character) {
    // 0xB0 0x61 is one character whose second byte is "a".
    std::string text = std::string("\xB0"
                                   "a") +
                       "xa";
    EXPECT_EQ(find_text(text.c_str(), "a"), 4);
    EXPECT_EQ(find_text_reverse(text.c_str(), "a"), 4);
    EXPECT_EQ(find_text_reverse(text.c_str(), "a", 4), -1);
    std::string two = gbk("签到签到");
    EXPECT_EQ(find_text(two.c_str(), gbk("到").c_str()), 3);
    EXPECT_EQ(find_text_reverse(two.c_str(), gbk("到").c_str()), 7);
    // A second byte equal to a first byte: "\xB0\xB0\xB0\xB0" holds two
    // characters, so the pair at index 1 is not a character.
    EXPECT_EQ(find_text("\xB1\xB0\xB0\xB0", "\xB0\xB0"), 3);
}

TEST(find_text, a_start_inside_a_character_walks_from_there) {
    // Starting at the second byte treats it as a first byte.
    std::string text = "\xB0\xB1\xB2"
                       "a";
    EXPECT_EQ(find_text(text.c_str(), "\xB1\xB2", 2), 2);
    EXPECT_EQ(find_text(text.c_str(), "\xB1\xB2"), -1);
}

TEST(find_text, ignore_case_folds_only_ascii_letters) {
    EXPECT_EQ(find_text("xabc", "ABC", std::nullopt, true), 2);
    EXPECT_EQ(find_text("xabc", "ABC"), -1);
    EXPECT_EQ(find_text("x[abc", "{", std::nullopt, true), -1);
    EXPECT_EQ(find_text_reverse("ABCabc", "abc", std::nullopt, true), 4);
    // Only the value 1 asks for it.
    EXPECT_EQ(testing::call(lib::find_text, {testing::text_record("xabc"), testing::text_record("ABC"), rt::ArgRecord{},
                                             rt::ArgRecord::of_int(2, rt::kTypeBool)})
                  .as_int(),
              -1);
}

TEST(find_text, lead_byte_standing_last_still_matches_and_ends_the_walk) {
    EXPECT_EQ(find_text("a\xB0", "\xB0"), 2);
    EXPECT_EQ(find_text_reverse("\xB0"
                                "a\xB0",
                                "\xB0"),
              3);
}

TEST(starts_with, compares_bytes_exactly) {
    EXPECT_TRUE(starts_with("Set-Cookie: a", "Set-Cookie:"));
    EXPECT_FALSE(starts_with("set-cookie: a", "Set-Cookie:"));
    EXPECT_FALSE(starts_with("ab", "abc"));
    EXPECT_TRUE(starts_with("ab", ""));
    EXPECT_TRUE(starts_with(nullptr, nullptr));
}

// Random texts over a small alphabet of ASCII letters, lead bytes and second
// bytes that look like letters, so boundaries and case folding both matter.
std::string random_text(std::mt19937& rng, std::size_t max_length) {
    static const char kAlphabet[] = {'a', 'A', 'b', 'B', ',', ' ', '\xB0', '\xA1', '\x81', 'a'};
    std::uniform_int_distribution<std::size_t> length(0, max_length);
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kAlphabet - 1);
    std::string s(length(rng), ' ');
    for (char& c : s)
        c = kAlphabet[pick(rng)];
    return s;
}

TEST(find_text, agrees_with_the_plain_walk_on_random_texts) {
    std::mt19937 rng(12345);
    std::uniform_int_distribution<int> position(-1, 14);
    for (int round = 0; round < 4000; ++round) {
        std::string text = random_text(rng, 12);
        std::string needle = random_text(rng, 3);
        int p = position(rng);
        std::optional<std::int32_t> pos = p < 0 ? std::nullopt : std::optional<std::int32_t>(p);
        bool ignore = round % 2 == 0;
        ASSERT_EQ(find_text(text.c_str(), needle.c_str(), pos, ignore),
                  reference::find(text, needle, pos, ignore, false))
            << "text=" << ::testing::PrintToString(text) << " needle=" << ::testing::PrintToString(needle);
        ASSERT_EQ(find_text_reverse(text.c_str(), needle.c_str(), pos, ignore),
                  reference::find(text, needle, pos, ignore, true))
            << "text=" << ::testing::PrintToString(text) << " needle=" << ::testing::PrintToString(needle);
    }
}

}  // namespace
}  // namespace quilbex::commands

#include "CommandTestSupport.h"
#include "commands/text/TextCommands.h"
#include "support/Gbk.h"

#include <climits>
#include <gtest/gtest.h>

namespace quilbex::commands {
namespace {

using testing::str;

TEST(left_right_mid_text, count_raw_bytes_and_clip_to_the_text) {
    EXPECT_EQ(str(left_text("abcdef", 2)), "ab");
    EXPECT_EQ(str(left_text("abc", 99)), "abc");
    EXPECT_EQ(str(right_text("abcdef", 2)), "ef");
    EXPECT_EQ(str(right_text("abc", 99)), "abc");
    EXPECT_EQ(str(mid_text("abcdef", 5, 10)), "ef");
    EXPECT_EQ(str(mid_text("abcdef", 2, 3)), "bcd");
    EXPECT_EQ(str(left_text("\xB0\xA1x", 1)), "\xB0") << "cutting may split a character";
}

TEST(left_right_mid_text, out_of_range_gives_the_null_empty_text) {
    EXPECT_EQ(left_text("abc", 0), nullptr);
    EXPECT_EQ(left_text("abc", -1), nullptr);
    EXPECT_EQ(right_text("abc", INT_MIN), nullptr);
    EXPECT_EQ(mid_text("abcdef", 0, 3), nullptr);
    EXPECT_EQ(mid_text("abcdef", 7, 3), nullptr);
    EXPECT_EQ(mid_text("abcdef", INT_MIN, 3), nullptr);
    EXPECT_EQ(mid_text("abcdef", 1, 0), nullptr);
    EXPECT_EQ(left_text(nullptr, 3), nullptr);
}

TEST(char_code, reads_one_byte_sign_extended_and_zero_outside) {
    EXPECT_EQ(char_code("\xB0"
                        "a"),
              -80);
    EXPECT_EQ(char_code("ab", 2), 'b');
    EXPECT_EQ(char_code("ab", 3), 0) << "the terminating zero";
    EXPECT_EQ(char_code("ab", 4), 0);
    EXPECT_EQ(char_code("ab", 0), 0);
    EXPECT_EQ(char_code("ab", -1), 0);
    EXPECT_EQ(char_code(""), 0);
}

TEST(char_from_code, makes_one_byte_and_zero_makes_nothing) {
    EXPECT_EQ(str(char_from_code('A')), "A");
    EXPECT_EQ(str(char_from_code(0xB0)), "\xB0");
    EXPECT_EQ(char_from_code(0), nullptr);
}

TEST(space_text_and_length, build_and_measure_bytes) {
    EXPECT_EQ(str(space_text(3)), "   ");
    EXPECT_EQ(space_text(0), nullptr);
    EXPECT_EQ(space_text(-4), nullptr);
    EXPECT_EQ(length_of_text(testing::gbk("中文a").c_str()), 5);
    EXPECT_EQ(length_of_text(nullptr), 0);
    EXPECT_EQ(testing::call(lib::length_of_text, {rt::ArgRecord::of_pointer(nullptr, rt::kTypeText)}).as_int(), 0);
}

TEST(text_commands, omitted_arguments_are_records_of_type_zero_whatever_their_value) {
    rt::ArgRecord omitted_with_value;
    omitted_with_value.low = 3;  // type 0: omitted all the same
    EXPECT_EQ(
        testing::call(lib::find_text, {testing::text_record("abcb"), testing::text_record("b"), omitted_with_value})
            .as_int(),
        2);
    EXPECT_EQ(
        testing::take_text(testing::call(lib::replace_text, {testing::text_record("abc"), testing::text_record("b")})),
        "ac");
    EXPECT_EQ(testing::call(lib::find_text, {}).as_int(), -1) << "no arguments at all must not crash";
}

TEST(text_commands, numeric_arguments_of_other_types_are_converted) {
    EXPECT_EQ(testing::take_text(
                  testing::call(lib::left_text, {testing::text_record("abcdef"), rt::ArgRecord::of_double(2.9)})),
              "ab");
    EXPECT_EQ(testing::take_text(testing::call(
                  lib::left_text, {testing::text_record("abcdef"), rt::ArgRecord::of_int(3, rt::kTypeByte)})),
              "abc");
}

}  // namespace
}  // namespace quilbex::commands

#include "CommandTestSupport.h"
#include "commands/files/FileCommands.h"

#include <gtest/gtest.h>

namespace quilbex::commands {
namespace {

using testing::byte_set;
using testing::bytes;

TEST(left_and_mid_bytes, clip_to_the_set) {
    ByteSet abc = byte_set("abc");
    EXPECT_EQ(bytes(left_bytes(abc.get(), 5)), "abc");
    EXPECT_EQ(bytes(left_bytes(abc.get(), 2)), "ab");
    EXPECT_EQ(left_bytes(abc.get(), -1), nullptr);
    EXPECT_EQ(left_bytes(abc.get(), 0), nullptr);
    EXPECT_EQ(bytes(mid_bytes(abc.get(), 0, 2)), "ab") << "position 0 counts as 1";
    EXPECT_EQ(bytes(mid_bytes(abc.get(), 2, 9)), "bc");
    EXPECT_EQ(mid_bytes(abc.get(), 4, 1), nullptr);
    EXPECT_EQ(mid_bytes(abc.get(), 2, -3), nullptr);
    EXPECT_EQ(left_bytes(nullptr, 3), nullptr);
}

TEST(replace_bytes, replaces_with_count_and_start) {
    ByteSet set = byte_set("\x01\x02\x01\x02");
    ByteSet search = byte_set("\x01\x02");
    EXPECT_EQ(bytes(replace_bytes(set.get(), search.get(), nullptr, std::nullopt, 1)), "\x01\x02");
    EXPECT_EQ(replace_bytes(set.get(), search.get()), nullptr);
    ByteSet x = byte_set("x");
    EXPECT_EQ(bytes(replace_bytes(set.get(), search.get(), x.get(), 2)), "\x01"
                                                                         "\x02"
                                                                         "x");
    EXPECT_EQ(bytes(replace_bytes(set.get(), nullptr, x.get())), "\x01\x02\x01\x02");
}

TEST(replace_bytes, handles_zero_bytes_and_partial_matches_at_the_end) {
    ByteSet set = byte_set(std::string("a\0b\0\0", 5));
    ByteSet zero = byte_set(std::string("\0", 1));
    ByteSet dash = byte_set("-");
    EXPECT_EQ(bytes(replace_bytes(set.get(), zero.get(), dash.get())), "a-b--");
    ByteSet tail = byte_set("xab");
    ByteSet abc = byte_set("abc");
    EXPECT_EQ(bytes(replace_bytes(tail.get(), abc.get(), dash.get())), "xab");
    ByteSet aab = byte_set("aab");
    ByteSet ab = byte_set("ab");
    EXPECT_EQ(bytes(replace_bytes(aab.get(), ab.get(), dash.get())), "a-");
}

TEST(to_byte_set, gives_the_bytes_of_each_type) {
    EXPECT_EQ(bytes(to_byte_set(testing::text_record("ab"))), "ab");
    EXPECT_EQ(to_byte_set(testing::text_record("")), nullptr);
    EXPECT_EQ(bytes(to_byte_set(rt::ArgRecord::of_int(1))), std::string("\x01\0\0\0", 4));
    EXPECT_EQ(bytes(to_byte_set(rt::ArgRecord::of_int(0x1234, rt::kTypeShort))), "\x34\x12");
    EXPECT_EQ(bytes(to_byte_set(rt::ArgRecord::of_int(7, rt::kTypeByte))), "\x07");
    EXPECT_EQ(bytes(to_byte_set(rt::ArgRecord::of_double(1.0))), std::string("\0\0\0\0\0\0\xF0\x3F", 8));
    EXPECT_EQ(bytes(to_byte_set(rt::ArgRecord::of_bool(true))), std::string("\x01\0\0\0", 4));
    ByteSet set = byte_set("xyz");
    EXPECT_EQ(bytes(to_byte_set(rt::ArgRecord::of_pointer(set.get(), rt::kTypeByteSet))), "xyz");
    const std::uint32_t shorts[] = {1, 2, 0x00020001};
    EXPECT_EQ(bytes(to_byte_set(rt::ArgRecord::of_pointer(shorts, rt::kTypeShort | rt::kByReference))),
              std::string("\x01\0\x02\0", 4));
    EXPECT_EQ(to_byte_set(rt::ArgRecord::of_pointer(shorts, rt::kTypeText | rt::kByReference)), nullptr);
    EXPECT_EQ(to_byte_set(rt::ArgRecord::of_int(1, 0x00010005)), nullptr);
}

TEST(zero_bytes_and_length, make_and_measure_sets) {
    ByteSet zeros = zero_bytes(1024);
    EXPECT_EQ(byte_set_length(zeros.get()), 1024);
    EXPECT_EQ(bytes(zeros), std::string(1024, '\0'));
    EXPECT_EQ(zero_bytes(0), nullptr);
    EXPECT_EQ(zero_bytes(-5), nullptr);
    EXPECT_EQ(byte_set_length(nullptr), 0);
    EXPECT_EQ(testing::call(lib::byte_set_length, {rt::ArgRecord::of_pointer(nullptr, rt::kTypeByteSet)}).as_int(), 0);
}

}  // namespace
}  // namespace quilbex::commands

#include "CommandTestSupport.h"
#include "commands/numbers/NumberCommands.h"
#include "commands/numbers/OleDate.h"
#include "support/Gbk.h"

#include <chrono>
#include <cmath>
#include <ctime>
#include <future>
#include <gtest/gtest.h>
#include <limits>
#include <memory>
#include <thread>

namespace quilbex::commands {
namespace {

using testing::gbk;
using testing::str;

TEST(to_integer, converts_each_type_as_its_kind) {
    EXPECT_EQ(to_integer(rt::ArgRecord::of_double(-2.7)), -2);
    EXPECT_EQ(to_integer(rt::ArgRecord::of_double(2.9)), 2);
    EXPECT_EQ(to_integer(rt::ArgRecord::of_float(-7.9f)), -7);
    EXPECT_EQ(to_integer(rt::ArgRecord::of_int(200, rt::kTypeByte)), 200);
    EXPECT_EQ(to_integer(rt::ArgRecord::of_int(0xFFFB, rt::kTypeShort)), -5);
    EXPECT_EQ(to_integer(rt::ArgRecord::of_long(0x100000007LL)), 7);
    EXPECT_EQ(to_integer(rt::ArgRecord::of_bool(true)), 1);
    EXPECT_EQ(to_integer(rt::ArgRecord::of_double(44186.5, rt::kTypeDateTime)), 0);
    EXPECT_EQ(to_integer(rt::ArgRecord::of_double(1e300)), INT32_MIN) << "out of range is the indefinite value, not UB";
}

TEST(to_integer, reads_texts_in_half_width_form) {
    std::string full_width = gbk("１２３");
    EXPECT_EQ(to_integer(testing::text_record(full_width.c_str())), 123);
    std::string full_minus = gbk("－４５");
    EXPECT_EQ(to_integer(testing::text_record(full_minus.c_str())), -45);
    EXPECT_EQ(to_integer(testing::text_record("  -45abc")), -45);
    EXPECT_EQ(to_integer(testing::text_record("abc")), 0);
    EXPECT_EQ(to_integer("+17"), 17);
    EXPECT_EQ(to_integer(static_cast<const char*>(nullptr)), 0);
    EXPECT_EQ(to_integer(testing::text_record("")), 0);
    EXPECT_EQ(to_integer(testing::text_record("99999999999")), INT32_MAX);
    EXPECT_EQ(to_integer(testing::text_record("-99999999999")), INT32_MIN);
}

TEST(half_width, maps_full_width_signs_and_drops_a_lone_last_lead_byte) {
    EXPECT_EQ(half_width(gbk("Ａｂ　") + "\xA1\xAB\xA1\xEE\xA1\xEF"), "Ab ~**");
    EXPECT_EQ(half_width("1\xB0"), "1");
    EXPECT_EQ(half_width(gbk("中")), gbk("中"));
}

TEST(to_text, formats_numbers_with_their_patterns) {
    EXPECT_EQ(str(to_text(rt::ArgRecord::of_double(0.1))), "0.1");
    EXPECT_EQ(str(to_text(rt::ArgRecord::of_double(1.0 / 3))), "0.3333333333333");
    EXPECT_EQ(str(to_text(rt::ArgRecord::of_float(1.0f / 3))), "0.333333");
    EXPECT_EQ(str(to_text(rt::ArgRecord::of_float(12.3456f))), "12.3456");
    EXPECT_EQ(str(to_text(rt::ArgRecord::of_float(-0.001f))), "-0.001");
    EXPECT_EQ(str(to_text(rt::ArgRecord::of_float(123456789.0f))), "1.23457e+08");
    EXPECT_EQ(str(to_text(rt::ArgRecord::of_float(0.0f))), "0");
    EXPECT_EQ(str(to_text(rt::ArgRecord::of_int(-12))), "-12");
    EXPECT_EQ(str(to_text(0)), "0");
    EXPECT_EQ(str(to_text(rt::ArgRecord::of_int(255, rt::kTypeByte))), "255");
    EXPECT_EQ(str(to_text(rt::ArgRecord::of_int(0xFFFF, rt::kTypeShort))), "-1");
    EXPECT_EQ(str(to_text(rt::ArgRecord::of_long(-9000000000LL))), "-9000000000");
}

TEST(to_text, rounds_floats_to_six_significant_digits) {
    // 0.1f is 0.100000001490116...; shown with six digits it is 0.1.
    EXPECT_DOUBLE_EQ(round_float_to_six_digits(0.1f), 0.1);
    EXPECT_DOUBLE_EQ(round_float_to_six_digits(2.5f), 2.5);
    EXPECT_DOUBLE_EQ(round_float_to_six_digits(-1234.5678f), -1234.57);
    EXPECT_DOUBLE_EQ(round_float_to_six_digits(9.9999999f), 10.0);
}

TEST(to_text, shows_logicals_texts_byte_sets_and_arrays) {
    EXPECT_EQ(str(to_text(rt::ArgRecord::of_bool(true))), gbk("真"));
    EXPECT_EQ(str(to_text(rt::ArgRecord::of_bool(false))), gbk("假"));
    EXPECT_EQ(str(to_text(testing::text_record("abc"))), "abc");
    EXPECT_EQ(to_text(testing::text_record("")), nullptr);
    ByteSet set = testing::byte_set(std::string("ab\0cd", 5));
    EXPECT_EQ(str(to_text(rt::ArgRecord::of_pointer(set.get(), rt::kTypeByteSet))), "ab");
    const std::uint32_t array[] = {1, 2, 0x00636261, 0x00000064};  // "abc", 0, "d"
    EXPECT_EQ(str(to_text(rt::ArgRecord::of_pointer(array, rt::kTypeInt | rt::kByReference))), "abc");
    EXPECT_EQ(to_text(rt::ArgRecord::of_pointer(array, rt::kTypeText | rt::kByReference)), nullptr);
    EXPECT_EQ(to_text(rt::ArgRecord::of_int(5, 0x00010005)), nullptr);
}

TEST(to_text, shows_date_times_without_zero_time_parts) {
    DateParts parts{2020, 12, 21, 8, 5, 0};
    auto show = [&](int h, int m, int s) {
        parts.hour = h;
        parts.minute = m;
        parts.second = s;
        return testing::utf8(str(to_text(rt::ArgRecord::of_double(make_ole_date(parts), rt::kTypeDateTime))));
    };
    EXPECT_EQ(show(8, 5, 0), "2020年12月21日8时5分");
    EXPECT_EQ(show(8, 0, 0), "2020年12月21日8时");
    EXPECT_EQ(show(0, 0, 0), "2020年12月21日");
    EXPECT_EQ(show(0, 0, 7), "2020年12月21日0时0分7秒");
}

TEST(to_hex_text, shows_upper_case_digits_and_twos_complement) {
    EXPECT_EQ(str(to_hex_text(255)), "FF");
    EXPECT_EQ(str(to_hex_text(0)), "0");
    EXPECT_EQ(str(to_hex_text(-1)), "FFFFFFFF");
}

TEST(bit_or, combines_the_low_halves_of_all_arguments) {
    EXPECT_EQ(bit_or({static_cast<std::int32_t>(0x80000000u), 16}), static_cast<std::int32_t>(0x80000010u));
    EXPECT_EQ(bit_or({1, 2, 4, 8}), 15);
    EXPECT_EQ(bit_or({42}), 42);
    EXPECT_EQ(bit_or({}), 0);
    EXPECT_EQ(testing::call(lib::bit_and, {rt::ArgRecord::of_int(12), rt::ArgRecord::of_int(10)}).as_int(), 8);
    EXPECT_EQ(testing::call(lib::bit_xor, {rt::ArgRecord::of_int(12), rt::ArgRecord::of_int(10)}).as_int(), 6);
}

TEST(current_time, is_the_local_time_in_whole_seconds) {
    std::time_t before = std::time(nullptr);
    rt::ArgRecord result = testing::call(lib::current_time, {});
    std::time_t after = std::time(nullptr);
    EXPECT_EQ(result.type, rt::kTypeDateTime);
    DateParts parts = split_ole_date(result.as_double());
    std::tm local{};
    localtime_r(&before, &local);
    std::tm local_after{};
    localtime_r(&after, &local_after);
    bool matches_before = parts.year == local.tm_year + 1900 && parts.month == local.tm_mon + 1 &&
                          parts.day == local.tm_mday && parts.hour == local.tm_hour && parts.minute == local.tm_min &&
                          parts.second == local.tm_sec;
    bool matches_after = parts.second == local_after.tm_sec && parts.minute == local_after.tm_min;
    EXPECT_TRUE(matches_before || matches_after);
    double seconds = result.as_double() * 86400;
    EXPECT_NEAR(seconds, std::round(seconds), 1e-3) << "no fraction of a second";
}

TEST(delay, waits_the_time_given_and_negative_returns_at_once) {
    auto start = std::chrono::steady_clock::now();
    delay(20);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(20));
    // A negative delay taken as unsigned or as its magnitude waits days or
    // weeks; returning at all within a generous ceiling tells them apart from
    // no wait, also on a loaded machine.
    for (std::int32_t ms : {-1, -100, -86'400'000, std::numeric_limits<std::int32_t>::min()}) {
        auto done = std::make_shared<std::promise<void>>();
        std::thread([ms, done] {
            delay(ms);
            done->set_value();
        }).detach();
        EXPECT_EQ(done->get_future().wait_for(std::chrono::seconds(30)), std::future_status::ready) << ms;
    }
}

}  // namespace
}  // namespace quilbex::commands

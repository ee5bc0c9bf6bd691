#include "TestProgram.h"
#include "runtime/CallFrame.h"
#include "runtime/ErrorReport.h"
#include "runtime/Exit.h"
#include "runtime/Notifications.h"
#include "runtime/Startup.h"
#include "support/Gbk.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace quilbex;
using quilbex::testing::gbk;
using quilbex::testing::utf8;
using ::testing::ExitedWithCode;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

TEST(ErrorReportText, coded_application_error_has_code_message_and_detail_lines) {
    quilbex::testing::TestProgram program;
    program.load();
    std::string text = rt::error_report_text(rt::application_error_message(6), 6, rt::error_detail_text(12, 34));
    EXPECT_EQ(utf8(text),
              "运行时出错!\r\n\r\n错误代码：6\r\n\r\n错误信息：调用DLL命令后发现堆栈错误\r\n\r\n12, 34\r\n");
}

TEST(ErrorReportText, codes_outside_one_to_eleven_have_no_message) {
    EXPECT_EQ(rt::application_error_message(0), nullptr);
    EXPECT_EQ(rt::application_error_message(12), nullptr);
    EXPECT_EQ(utf8(rt::application_error_message(11)), "所提供参数的数据类型不符合要求");
}

TEST(ErrorReportText, a_window_identifier_that_is_not_loaded_adds_its_line) {
    quilbex::testing::TestProgram program;
    program.load();
    EXPECT_EQ(utf8(rt::error_detail_text(0x52010001, 0)), "\r\n1375797249, 0\r\n未找到所指定的窗口\r\n");
}

void record_position(int position) { std::fprintf(stderr, "exit callback %d ran\n", position); }

TEST(ErrorReportDeathTest, a_coded_error_exits_with_255_and_skips_the_exit_callbacks) {
    EXPECT_EXIT(
        {
            quilbex::testing::TestProgram program;
            program.load();
            rt::register_exit_callback(record_position);
            rt::report_application_error(1, 7, 3);
        },
        ExitedWithCode(255),
        ::testing::AllOf(
            HasSubstr(
                "[错误]\n运行时出错!\r\n\r\n错误代码：1\r\n\r\n错误信息：数组成员引用下标超出定义范围\r\n\r\n7, 3\r\n"),
            Not(HasSubstr("exit callback"))));
}

std::int32_t handler_that_informs(std::int32_t code, const char* text) {
    std::fprintf(stderr, "handler got %d: %s\n", code, utf8(text).c_str());
    return 1;
}

TEST(ErrorReportDeathTest, an_installed_error_handler_replaces_the_message_box) {
    EXPECT_EXIT(
        {
            quilbex::testing::TestProgram program;
            program.load();
            rt::runtime_app().errorHandler = handler_that_informs;
            rt::report_application_error(2, 0, 0);
        },
        ExitedWithCode(255),
        ::testing::AllOf(HasSubstr("handler got 2: 未得到所需要的数值型数据\r\n0, 0\r\n"), Not(HasSubstr("[错误]"))));
}

TEST(ErrorReportDeathTest, events_are_suppressed_once_an_error_is_reported) {
    EXPECT_EXIT(
        {
            quilbex::testing::TestProgram program;
            program.load();
            rt::runtime_app().errorHandler = [](std::int32_t, const char*) -> std::int32_t {
                std::fprintf(stderr, "suppress=%d\n", rt::runtime_app().suppressCount.load());
                return 1;
            };
            rt::report_application_error(3, 0, 0);
        },
        ExitedWithCode(255), HasSubstr("suppress=1"));
}

TEST(NumericConversion, reals_truncate_toward_zero_and_integers_keep_their_low_half) {
    EXPECT_EQ(rt::convert_to_int32(rt::ArgRecord::of_double(2.9)), 2);
    EXPECT_EQ(rt::convert_to_int32(rt::ArgRecord::of_double(-2.9)), -2);
    EXPECT_EQ(rt::convert_to_int32(rt::ArgRecord::of_float(-7.5f)), -7);
    EXPECT_EQ(rt::convert_to_int32(rt::ArgRecord::of_int(200, rt::kTypeByte)), 200);
    EXPECT_EQ(rt::convert_to_int32(rt::ArgRecord::of_int(0xFFFB, rt::kTypeShort)), -5);
    EXPECT_EQ(rt::convert_to_int32(rt::ArgRecord::of_long(0x1'0000'0005)), 5);
    EXPECT_EQ(rt::convert_to_int32(rt::ArgRecord::of_double(1e300)), INT32_MIN);
}

TEST(NumericConversionDeathTest, a_text_is_not_numeric) {
    EXPECT_EXIT(
        {
            quilbex::testing::TestProgram program;
            program.load();
            auto text = rt::ArgRecord::of_pointer("12", rt::kTypeText);
            rt::runtime_notify(2001, reinterpret_cast<std::uintptr_t>(&text), 0);
        },
        ExitedWithCode(255), HasSubstr("欲转换数据类型不是数值"));
}

}  // namespace

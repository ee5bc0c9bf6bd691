// A History.log that is a FIFO nobody reads: the window signs in and draws
// as always, its history line never holds up the window thread, and one
// line after the run's says that the history could not be written.

#include "tests/e2e/ToolFixture.h"

#include <gmock/gmock.h>
#include <sys/stat.h>

namespace quilbex::e2e {
namespace {

using namespace std::chrono_literals;

TEST_F(ToolTest, AFifoInPlaceOfTheHistoryFileNeverFreezesTheWindowAndTheRunSaysItWasNotRecorded) {
    start_services(false, {"draws=1", "check_encoding=0"});
    install_program();
    ASSERT_EQ(::mkfifo((folder() + "/History.log").c_str(), 0600), 0);
    start_program();
    ASSERT_TRUE(enter_text(kCookieBox, "UM_distinctid=sim-member-0001"));
    click(kSignButton);
    std::vector<std::string> lines;
    ASSERT_TRUE(wait_until([&] { return (lines = status_lines()).size() >= 4; }, 60s))
        << ::testing::PrintToString(lines) << program_output();
    EXPECT_EQ(lines[0], "签到成功");
    EXPECT_EQ(lines[1], "恭喜您抽中 金币 x1");
    EXPECT_THAT(lines[2], ::testing::HasSubstr("今日抽奖次数已用完"));
    EXPECT_THAT(lines[3], ::testing::StartsWith("签到记录未能写入历史记录：" + folder() + "/History.log："));
}

}  // namespace
}  // namespace quilbex::e2e

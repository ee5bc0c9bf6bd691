// The command line as a member types it: modes, their options and values,
// and the mistakes each named in the message.

#include "app/cli/CommandLine.h"

#include <gmock/gmock.h>

namespace quilbex::app {
namespace {

using ::testing::HasSubstr;

CommandLine parsed(const std::vector<std::string>& args) {
    auto result = parse_command_line(args);
    EXPECT_TRUE(result) << result.reason();
    return result ? *result : CommandLine{};
}

std::string error_of(const std::vector<std::string>& args) {
    auto result = parse_command_line(args);
    EXPECT_FALSE(result);
    return result.reason();
}

TEST(CommandLine, modes_take_their_values_as_today_and_the_profile_goes_with_any_mode) {
    EXPECT_EQ(parsed({}).mode, Mode::window);
    CommandLine window = parsed({"--profile", "wife_2"});
    EXPECT_EQ(window.mode, Mode::window);
    EXPECT_EQ(window.profile, "wife_2");

    CommandLine sign_in = parsed({"--sign-in", "--message", "早安", "--quiet", "--wait", "5", "--profile=a-b"});
    EXPECT_EQ(sign_in.mode, Mode::sign_in);
    EXPECT_EQ(sign_in.sign_in.message, "早安");
    EXPECT_EQ(sign_in.sign_in.verbosity, Verbosity::quiet);
    EXPECT_EQ(sign_in.sign_in.wait, std::chrono::seconds(5));
    EXPECT_EQ(sign_in.profile, "a-b");

    EXPECT_EQ(parsed({"--history"}).history_days, 7);
    EXPECT_EQ(parsed({"--history", "30"}).history_days, 30);
    EXPECT_EQ(parsed({"--profile", "x", "--history", "2"}).history_days, 2);
    CommandLine install = parsed({"--install-daily", "07:15"});
    EXPECT_EQ(install.mode, Mode::install_daily);
    EXPECT_EQ(install.daily_time.hour, 7);
    EXPECT_EQ(install.daily_time.minute, 15);
    EXPECT_EQ(parsed({"--install-daily"}).daily_time.hour, 8);
    EXPECT_EQ(parsed({"-h"}).mode, Mode::help);
    EXPECT_EQ(parsed({"--version"}).mode, Mode::version);
    // Parsing twice in one process starts afresh.
    EXPECT_EQ(parsed({"--where"}).mode, Mode::where);
}

TEST(CommandLine, mistakes_are_named) {
    EXPECT_THAT(error_of({"--sign-in", "--message"}), HasSubstr("--message 缺少参数"));
    EXPECT_THAT(error_of({"--profile"}), HasSubstr("--profile 缺少参数"));
    EXPECT_THAT(error_of({"--sign-in", "--message", ""}), HasSubstr("不能是空的"));
    EXPECT_THAT(error_of({"--frobnicate"}), HasSubstr("--frobnicate"));
    EXPECT_THAT(error_of({"-x"}), HasSubstr("-x"));
    EXPECT_THAT(error_of({"--sign-in", "extra"}), HasSubstr("extra"));
    EXPECT_THAT(error_of({"--history", "3", "4"}), HasSubstr("4"));
    EXPECT_THAT(error_of({"--history", "zero"}), HasSubstr("正整数"));
    EXPECT_THAT(error_of({"--install-daily", "25:00"}), HasSubstr("HH:MM"));
    EXPECT_THAT(error_of({"--sign-in", "--wait", "0"}), HasSubstr("--wait"));
    EXPECT_THAT(error_of({"--quiet"}), HasSubstr("--sign-in"));
    EXPECT_THAT(error_of({"--history", "--message", "x"}), HasSubstr("--sign-in"));
    EXPECT_THAT(error_of({"--sign-in", "--history"}), HasSubstr("一个命令"));
    for (const std::string& name :
         std::vector<std::string>{"../x", "a b", "张三", "a/b", ".", "", std::string(65, 'a')})
        EXPECT_THAT(error_of({"--profile", name, "--sign-in"}), HasSubstr("成员名")) << name;
    // An option where the name should be is not taken as the name.
    EXPECT_THAT(error_of({"--profile", "--sign-in"}), HasSubstr("不能以 '-' 开头"));
    EXPECT_THAT(error_of({"--profile=-x", "--status"}), HasSubstr("不能以 '-' 开头"));
}

}  // namespace
}  // namespace quilbex::app

// The sinks that record a run (the terminal and the history file) against a
// step that got no whole answer: they say so, whatever the flow made of it.

#include "app/daily/TerminalSink.h"
#include "app/member/History.h"
#include "support/Gbk.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

namespace quilbex::app {
namespace {

using quilbex::testing::gbk;

std::string contents(const std::string& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(RecordSinks, an_unanswered_draw_is_recorded_as_no_answer_and_an_answered_one_as_it_came) {
    std::string folder = std::filesystem::temp_directory_path() / ("record-sinks-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    std::string out_file = folder + "/out", history_file = folder + "/History.log";
    std::FILE* out = std::fopen(out_file.c_str(), "w");
    ASSERT_NE(out, nullptr);
    {
        TerminalSink terminal(out, Verbosity::normal);
        HistorySink history(history_file, RunSource::command_line);
        SinkList sinks{&terminal, &history};
        sinks.report_unanswered(FlowStep::draw, 2, gbk("未登录").c_str());
        sinks.report(FlowStep::draw, 3, gbk("未登录").c_str());
        EXPECT_FALSE(history.failed());
    }
    std::fclose(out);
    EXPECT_EQ(contents(out_file), "抽奖 2：网络无应答\n抽奖 3：未登录\n");
    std::string recorded = contents(history_file);
    EXPECT_NE(recorded.find("\tdraw 2\t网络无应答\n"), std::string::npos) << recorded;
    EXPECT_NE(recorded.find("\tdraw 3\t未登录\n"), std::string::npos) << recorded;

    // A history that cannot be written is known to the sink, with the reason.
    HistorySink unwritable(folder, RunSource::window);
    unwritable.report(FlowStep::sign_in, 0, "x");
    EXPECT_TRUE(unwritable.failed());
    EXPECT_EQ(last_history_problem().rfind(folder + "：", 0), 0u) << last_history_problem();
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace quilbex::app

// The last line of a history file, read from its end.

#include "app/member/History.h"
#include "app/member/LastResult.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace quilbex::app {
namespace {

namespace fs = std::filesystem;

TEST(LastResult, reads_the_last_complete_line_and_nothing_from_what_is_not_a_history_file) {
    std::string pattern = (fs::temp_directory_path() / "last-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    const fs::path dir = pattern;
    const std::string file = (dir / "History.log").string();

    EXPECT_FALSE(last_history_entry(file));
    std::ofstream(file) << std::string(20000, 'x') << "\n"
                        << "2026-12-06 08:30:00\tcommand-line\tsign-in\t签到成功\n"
                        << "2026-12-07 08:31:02\twindow\tdraw 2\t恭喜您\t抽中\n"
                        << "2026-12-07 08:31:09\tcommand-line\tdraw";  // still being written
    auto last = last_history_entry(file);
    ASSERT_TRUE(last);
    EXPECT_EQ(last->when, "2026-12-07 08:31:02");
    EXPECT_EQ(last->source, "window");
    EXPECT_EQ(last->step, "draw 2");
    EXPECT_EQ(last->status, "恭喜您\t抽中");
    EXPECT_EQ(describe(*last), "2026-12-07 08:31:02 第 2 次抽奖 恭喜您 抽中");

    fs::create_symlink(file, dir / "link");
    EXPECT_FALSE(last_history_entry((dir / "link").string()));
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_FALSE(last_history_entry((dir / "fifo").string()));  // and it does not wait for a writer
    std::ofstream((dir / "long").string()) << std::string(20000, 'y') << "\n";
    EXPECT_FALSE(last_history_entry((dir / "long").string()));
    EXPECT_FALSE(parse_history_line("no tabs here"));
    fs::remove_all(dir);
}

}  // namespace
}  // namespace quilbex::app

// History lines and the table made from them.

#include "app/member/History.h"
#include "app/member/HistoryTable.h"
#include "app/member/LastResult.h"
#include "support/SmallFileSystem.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace quilbex::app {
namespace {

using ::testing::HasSubstr;

std::time_t local_time(int year, int month, int day, int hour) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

TEST(History, a_line_keeps_the_status_on_one_line_whatever_the_reply_holds) {
    std::string line =
        format_history_line(local_time(2026, 3, 1, 9), RunSource::window, FlowStep::draw, 3, "a\tb\r\nc");
    EXPECT_EQ(line, "2026-03-01 09:00:00\twindow\tdraw 3\ta b  c\n");
}

TEST(History, the_table_has_a_row_per_day_with_the_last_sign_in_and_the_draws_in_order) {
    std::string log = "2026-02-26 08:00:00\tcommand-line\tsign-in\ttoo old\n"
                      "2026-02-27 08:00:00\tcommand-line\tsign-in\t未登录\n"
                      "2026-02-27 09:00:00\twindow\tsign-in\t签到成功\n"
                      "2026-02-27 09:00:01\twindow\tdraw 1\t金币 x1\n"
                      "garbage line\n"
                      "2026-02-27 09:00:06\twindow\tdraw 2\t用完\n"
                      "2026-03-01 08:00:00\tcommand-line\tquote\tq\n"
                      "2026-03-01 08:00:01\tcommand-line\tsign-in\t今日已经签到";  // no final line end
    std::string table = history_table(log, 3, local_time(2026, 3, 1, 23));
    // The draws start in one terminal column whatever the width of the sign-in texts.
    EXPECT_EQ(table, "日期        | 签到         | 抽奖\n"
                     "2026-02-27  | 签到成功     | 金币 x1；用完\n"
                     "2026-02-28  | -            | -\n"
                     "2026-03-01  | 今日已经签到 | -\n");
}

TEST(History, a_line_cut_by_a_full_disk_is_passed_over_and_what_was_appended_onto_it_counts) {
    // "签到成功" cut inside its second character, and an older release's
    // next line appended onto a line cut between characters.
    std::string log = "2026-02-28 09:00:00\tcommand-line\tsign-in\t签到成功\n"
                      "2026-02-28 09:00:05\tcommand-line\tdraw 1\t" +
                      std::string("签到成功").substr(0, 4) +
                      "\n"
                      "2026-02-28 09:00:10\tcommand-line\tdraw 2\t恭喜"
                      "2026-03-01 08:00:01\tcommand-line\tsign-in\t签到成功\n";
    EXPECT_EQ(history_table(log, 2, local_time(2026, 3, 1, 23)), "日期        | 签到     | 抽奖\n"
                                                                 "2026-02-28  | 签到成功 | -\n"
                                                                 "2026-03-01  | 签到成功 | -\n");
    EXPECT_FALSE(parse_history_line("2026-02-28 09:00\tcommand-line\tsign-in\tx"));
}

TEST(History, stored_text_is_shown_cleaned_as_it_was_written) {
    // An older release stored replies as they came.
    std::string log = "2026-03-01 08:00:01\tcommand-line\tsign-in\t\x1b]0;pwned\x07\x9b"
                      "2J\xff ok\n";
    EXPECT_EQ(history_table(log, 1, local_time(2026, 3, 1, 23)), "日期        | 签到              | 抽奖\n"
                                                                 "2026-03-01  | �]0;pwned��2J� ok | -\n");
    HistoryEntry entry{"2026-03-01 08:00:01", "command-line", "sign-in\x1b[2J", "\x1b[31mred\r\n"};
    EXPECT_EQ(describe(entry), "2026-03-01 08:00:01 sign-in�[2J �[31mred  ");
}

TEST(History, an_empty_or_missing_history_still_lists_the_days) {
    std::string table = history_table("", 1, local_time(2026, 3, 1, 0));
    EXPECT_THAT(table, HasSubstr("2026-03-01  | -    | -\n"));
}

namespace fs = std::filesystem;

std::string read_all(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class HistoryFile : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "quilbex-history-XXXXXX").string();
        folder = ::mkdtemp(pattern.data());
        file = (folder / "History.log").string();
    }
    void TearDown() override { fs::remove_all(folder); }
    void write(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

    fs::path folder;
    std::string file;
};

TEST_F(HistoryFile, a_full_file_becomes_the_older_file_and_a_new_one_begins) {
    std::string old = std::string(kHistoryFileLimit - 21, 'x') + "\n";
    write(file, old);
    write(file + ".1", "oldest\n");
    ASSERT_TRUE(append_history_line(file, "first line\n"));  // still fits
    EXPECT_EQ(read_all(file), old + "first line\n");
    ASSERT_TRUE(append_history_line(file, "second line\n"));
    EXPECT_EQ(read_all(file + ".1"), old + "first line\n");
    EXPECT_EQ(read_all(file), "second line\n");
}

TEST(HistoryDisk, a_line_cut_short_by_a_full_disk_is_taken_back_and_the_next_one_is_whole) {
    testing::SmallFileSystem disk(4 * 4096);
    if (!disk.problem().empty())
        GTEST_SKIP() << disk.problem();
    const std::string file = disk.path() + "/History.log";
    // The file's last page has room for 40 more bytes, and the disk for none.
    std::string line =
        format_history_line(std::time(nullptr), RunSource::command_line, FlowStep::sign_in, 0, "签到成功");
    std::string old;
    while (old.size() + line.size() <= 4096 - 40)
        old += line;
    old += std::string(4096 - 40 - old.size() - 1, '#') + "\n";
    std::ofstream(file, std::ios::binary) << old;
    disk.fill();

    const std::string draw =
        format_history_line(std::time(nullptr), RunSource::command_line, FlowStep::draw, 1, std::string(90, 'd'));
    EXPECT_FALSE(append_history_line(file, draw));
    EXPECT_EQ(read_all(file), old);

    std::filesystem::remove(disk.path() + "/filler");
    ASSERT_TRUE(append_history_line(file, draw));
    EXPECT_EQ(read_all(file), old + draw);
    EXPECT_EQ(last_history_entry(file)->step, "draw 1");
}

TEST_F(HistoryFile, a_line_after_a_cut_one_starts_a_line_of_its_own) {
    const std::string cut = "2026-03-01 08:00:00\tcommand-line\tdraw 3\t恭";
    write(file, "2026-03-01 07:00:00\twindow\tquote\tq\n" + cut);
    const std::string line =
        format_history_line(std::time(nullptr), RunSource::window, FlowStep::sign_in, 0, "签到成功");
    ASSERT_TRUE(append_history_line(file, line));
    EXPECT_EQ(read_all(file), "2026-03-01 07:00:00\twindow\tquote\tq\n" + cut + "\n" + line);
    EXPECT_EQ(last_history_entry(file)->status, "签到成功");
}

TEST_F(HistoryFile, a_fifo_or_a_link_in_its_place_is_left_alone_without_waiting) {
    // A FIFO without a reader would hold a blocking open() for good; with a
    // reader, a write would go to whoever reads.
    ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    EXPECT_FALSE(append_history_line(file, "line\n"));
    int reader = ::open(file.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_FALSE(append_history_line(file, "line\n"));
    char byte;
    EXPECT_LE(::read(reader, &byte, 1), 0);
    ::close(reader);

    fs::remove(file);
    fs::path target = folder / "elsewhere";
    write(target, "");
    fs::create_symlink(target, file);
    EXPECT_FALSE(append_history_line(file, "line\n"));
    EXPECT_EQ(read_all(target), "");
}

TEST_F(HistoryFile, the_table_reads_a_file_in_blocks_skipping_overlong_lines_and_bounding_a_day) {
    std::time_t now = std::time(nullptr);
    std::string day = format_history_line(now, RunSource::window, FlowStep::sign_in, 0, "x").substr(0, 19);
    // A line too long to keep is skipped whole, not cut.
    std::string text = day + "\twindow\tsign-in\t签到成功\n";
    text += day + "\twindow\tsign-in\t" + std::string(3 * kLongestHistoryLine, 'z') + "\n";
    for (std::size_t i = 0; i < kDrawsShownPerDay + 5; ++i)
        text += day + "\twindow\tdraw 1\td\n";
    write(file, text + std::string(200'000, '\0'));  // a tail without a line end, larger than a block
    HistoryTable table(1, now);
    auto added = add_history_file(table, file);
    ASSERT_TRUE(added) << added.reason();
    std::string draws;
    for (std::size_t i = 0; i < kDrawsShownPerDay; ++i)
        draws += i ? "；d" : "d";
    EXPECT_EQ(table.text(),
              "日期        | 签到     | 抽奖\n" + day.substr(0, 10) + "  | 签到成功 | " + draws + "；…\n");

    EXPECT_TRUE(add_history_file(table, (folder / "missing").string()));
    fs::remove(file);
    ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    auto fifo = add_history_file(table, file);
    EXPECT_FALSE(fifo);
    EXPECT_FALSE(fifo.reason().empty());
}

}  // namespace
}  // namespace quilbex::app

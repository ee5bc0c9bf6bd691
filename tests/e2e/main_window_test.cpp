// The main window driven through real input on its own display: cookie file,
// clock, sign-in with the lottery, quote, and the skin library beside the
// program.

#include "tests/e2e/ToolFixture.h"

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>
#include <thread>

namespace quilbex::e2e {
namespace {

using namespace std::chrono_literals;

bool maps_library(pid_t pid, const std::string& name) {
    return read_file("/proc/" + std::to_string(pid) + "/maps").find(name) != std::string::npos;
}

TEST_F(ToolTest, CookieBoxStartsEmptyAndSavesLoadAgain) {
    start_services();
    install_program();
    start_program();
    // Nothing to copy from an empty box; a typed character is then the whole text.
    EXPECT_EQ(cookie_box_text(), "");
    ASSERT_TRUE(enter_text(kCookieBox, "A"));

    // An empty box still writes the key, with an empty value.
    m_desktop->key("BackSpace");
    ASSERT_EQ(cookie_box_text(), "");
    click(kSaveButton);
    EXPECT_TRUE(dismiss_message()) << "no message after saving";
    EXPECT_EQ(read_file(folder() + "/Cookie.ini"), "[COOKIE]\r\ncookie=\r\n");

    const std::string cookie = "UM_distinctid=abc; BBS_UNAME=%E5%BC%A0";
    ASSERT_TRUE(enter_text(kCookieBox, cookie));
    click(kSaveButton);
    EXPECT_TRUE(dismiss_message());
    EXPECT_EQ(read_file(folder() + "/Cookie.ini"), "[COOKIE]\r\ncookie=" + cookie + "\r\n");

    stop_program();
    start_program();
    EXPECT_EQ(cookie_box_text(), cookie);
}

TEST_F(ToolTest, SaveThatCannotWriteSaysSoAndASaveThatWorksDiffers) {
    start_services();
    install_program();
    // A folder in the file's place fails every write, also for root.
    std::filesystem::create_directory(folder() + "/Cookie.ini");
    start_program();
    ASSERT_TRUE(enter_text(kCookieBox, "UM_distinctid=abc;"));
    click(kSaveButton);
    Image failed = message_pixels();
    ASSERT_FALSE(failed.empty()) << "no message after a failed save";
    EXPECT_TRUE(dismiss_message());
    EXPECT_TRUE(std::filesystem::is_directory(folder() + "/Cookie.ini"));

    std::filesystem::remove(folder() + "/Cookie.ini");
    click(kSaveButton);
    Image saved = message_pixels();
    ASSERT_FALSE(saved.empty());
    EXPECT_TRUE(dismiss_message());
    EXPECT_EQ(read_file(folder() + "/Cookie.ini"), "[COOKIE]\r\ncookie=UM_distinctid=abc;\r\n");
    // Same box, same place: only the text differs between failure and success.
    ASSERT_EQ(failed.width, saved.width);
    EXPECT_NE(failed, saved) << "a failed save showed the same message as a successful one";
}

TEST_F(ToolTest, ClockShowsTheTimeAndKeepsTicking) {
    start_services();
    install_program();
    start_program();
    auto label = [&] {
        // Read each time: the window manager may still be placing the window.
        Rect window = m_desktop->geometry(m_main);
        return m_desktop->screenshot().crop(
            {window.x + kTimeLabel.x, window.y + kTimeLabel.y, kTimeLabel.width, kTimeLabel.height});
    };
    Image first;
    ASSERT_TRUE(wait_until(
        [&] {
            first = label();
            return first.pixels_unlike_corner() > 20;
        },
        30s))
        << "no time shown";
    // The seconds change at the next tick; a loaded machine may be slow to
    // take the screenshots that show it.
    EXPECT_TRUE(wait_until([&] { return !(label() == first); }, 30s));
}

TEST_F(ToolTest, SignInPostsTheFormAndAppendsStatusThenEachDraw) {
    start_services(false, {"quote=今天也要加油"});
    install_program();
    start_program();
    const std::string cookie = "UM_distinctid=sim-member-0001; BBS_UNAME=%E5%BC%A0%E4%B8%89";
    ASSERT_TRUE(enter_text(kCookieBox, cookie));
    // The TLS libraries come with the first request, not with the window.
    EXPECT_FALSE(maps_library(program_pid(), "libcrypto.so"));
    click(kQuoteButton);
    // The quote fills the message box.
    std::string quote;
    EXPECT_TRUE(wait_until(
        [&] { return (quote = m_desktop->copy_text_at(m_main, kMessageBox.x, kMessageBox.y)) == "今天也要加油"; }, 30s))
        << quote;
    EXPECT_TRUE(maps_library(program_pid(), "libcrypto.so"));
    click(kSignButton);
    // The series: three wins, then the used-up reply (in raw UTF-8), each
    // draw after the program's real pause, which the API's rule against draws
    // closer than 4.5 s accepts.
    std::vector<std::string> lines;
    ASSERT_TRUE(wait_until([&] { return (lines = status_lines()).size() >= 5; }, 60s))
        << ::testing::PrintToString(lines) << program_output();
    EXPECT_EQ(lines[0], "签到成功");
    for (std::size_t i = 1; i < 4; ++i)
        EXPECT_EQ(lines[i], "恭喜您抽中 金币 x" + std::to_string(i));
    EXPECT_EQ(lines[4], "今日抽奖次数已用完，明天再来吧");
    for (const auto& line : lines)
        EXPECT_EQ(line.find("太快"), std::string::npos) << line;
    // Gaps between the draws' arrivals, by the services' clock: the pause of
    // 5 s plus the time of one request and one line.
    auto draws = requests("api");
    ASSERT_EQ(draws.size(), 4u);
    for (std::size_t i = 1; i < draws.size(); ++i) {
        auto gap = std::chrono::microseconds(draws[i].received_us - draws[i - 1].received_us);
        EXPECT_GE(gap, 5s) << "draw " << i + 1;
        EXPECT_LT(gap, 6s) << "draw " << i + 1;
    }

    auto forum = requests("forum");
    ASSERT_EQ(forum.size(), 2u);
    EXPECT_EQ(forum[0].request.method, "GET");
    const sim::Request& sign = forum[1].request;
    EXPECT_EQ(sign.head.substr(0, sign.head.find("\r\n")),
              "POST /plugin.php?id=dsu_paulsign:sign&operation=qiandao&infloat=1&inajax=1 HTTP/1.1");
    EXPECT_EQ(sign.header("Cookie").value_or("(none)"), cookie);
    EXPECT_EQ(sign.body, "formhash=1a2b3c4d&qdxq=tp&qdmode=1&todaysay=" + sim::percent_encode("今天也要加油"));
}

TEST_F(ToolTest, EmptyCookieBoxShowsTheForumsLoginNoticeAndTheDrawsSayNotLoggedIn) {
    start_services();
    install_program();
    start_program();
    click(kSignButton);
    // The forum answers a guest with its notice, shown as it came; the API
    // answers with a JSON error without "ret", which reads as not logged in.
    std::vector<std::string> lines;
    auto shows = [&](const std::string& text) {
        lines = status_lines();
        return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(text) != l.npos; });
    };
    EXPECT_TRUE(wait_until([&] { return shows("您需要先登录才能继续本操作"); }, 30s))
        << ::testing::PrintToString(lines);
    EXPECT_TRUE(wait_until([&] { return shows("未登录"); }, 30s)) << ::testing::PrintToString(lines);
    EXPECT_FALSE(requests("api").empty()) << "the lottery did not start";
    for (const auto& entry : requests("forum"))
        EXPECT_FALSE(entry.request.header("Cookie").has_value()) << entry.request.head;
}

struct FileStamp {
    ino_t inode = 0;
    long long modified_ns = 0;
};

FileStamp stamp(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return {};
    return {st.st_ino, st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec};
}

TEST_F(ToolTest, SkinLibraryIsWrittenOnceAndAnExistingFileIsLeftAlone) {
    start_services();
    install_program();
    start_program();
    const std::string skin = folder() + "/SkinH_QV.dll";
    const std::string image = read_file(built("SkinH_QV.dll"));
    ASSERT_FALSE(image.empty());
    EXPECT_EQ(read_file(skin), image);
    FileStamp first = stamp(skin);
    stop_program();

    std::this_thread::sleep_for(20ms);
    start_program();
    FileStamp second = stamp(skin);
    EXPECT_EQ(second.inode, first.inode);
    EXPECT_EQ(second.modified_ns, first.modified_ns) << "rewritten on the second start";
    stop_program();

    // A library of that name with other bytes (still loadable) is used as it is.
    write_file(skin, image + "local build");
    start_program();
    EXPECT_EQ(read_file(skin), image + "local build");
}

}  // namespace
}  // namespace quilbex::e2e

// The program started from folders of every kind the file system allows,
// with the current folder elsewhere: it writes its skin library there, reads
// the Config.ini there, saves and loads its Cookie.ini there and finds the
// engine library there.

#include "tests/e2e/ToolFixture.h"

#include <filesystem>
#include <thread>

namespace quilbex::e2e {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

struct FolderKind {
    const char* label;
    const char* name;  // UTF-8
};

void PrintTo(const FolderKind& kind, std::ostream* out) { *out << kind.label; }

class ProgramFolderTest : public ToolTest, public ::testing::WithParamInterface<FolderKind> {
protected:
    void start_in(const std::string& dir) {
        m_run = ChildProcess({dir + "/quilbex"}, {"DISPLAY=" + m_desktop->display()}, m_log, "/");
        auto window = m_desktop->wait_window(kMainTitle, 40s);
        ASSERT_TRUE(window) << "no main window; program output:\n" << read_file(m_log);
        m_main = *window;
        std::this_thread::sleep_for(800ms);  // let the window manager place and focus it
    }
    void TearDown() override {
        if (HasFailure() && m_desktop)
            m_desktop->screenshot(std::string("program-folder-") + GetParam().label + "-failure.png");
        m_run.stop();
        ToolTest::TearDown();
    }

    ChildProcess m_run;
    std::string m_log;
};

TEST_P(ProgramFolderTest, StartsAndKeepsItsFilesInItsOwnFolder) {
    start_services();
    install_program();
    const std::string dir = folder() + "/" + GetParam().name;
    fs::create_directory(dir);
    for (const char* file : {"quilbex", "quilbex-gtk.so", "node.dll", "Config.ini"})
        fs::rename(folder() + "/" + file, dir + "/" + file);
    m_log = folder() + "/program.log";
    start_in(dir);
    EXPECT_TRUE(fs::is_regular_file(dir + "/SkinH_QV.dll"));

    const std::string cookie = "UM_distinctid=abc; BBS_UNAME=x";
    ASSERT_TRUE(enter_text(kCookieBox, cookie));
    click(kSaveButton);
    EXPECT_TRUE(dismiss_message());
    EXPECT_EQ(read_file(dir + "/Cookie.ini"), "[COOKIE]\r\ncookie=" + cookie + "\r\n");

    // The services are on ports of their own, named only by the Config.ini beside the program.
    click(kQuoteButton);
    EXPECT_TRUE(wait_until([&] { return !requests("quote").empty(); }, 20s)) << read_file(m_log);

    // The engine library beside the program opens the login page.
    click(kLoginButton);
    auto login = m_desktop->wait_window(kLoginTitle, 15s);
    ASSERT_TRUE(login) << read_file(m_log);
    EXPECT_TRUE(wait_until([&] { return !requests("account").empty(); }, 20s));
    EXPECT_FALSE(m_desktop->wait_window("错误", 1s)) << "the engine library was not found";

    m_run.stop();
    start_in(dir);
    EXPECT_EQ(cookie_box_text(), cookie);
}

INSTANTIATE_TEST_SUITE_P(Folders, ProgramFolderTest,
                         ::testing::Values(FolderKind{"Gbk", "测试 目录"}, FolderKind{"OutsideGbk", "jörg"},
                                           FolderKind{"Emoji", "emoji 😀 dir"}),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace quilbex::e2e

// The main window on its own display: the clock and the skin library beside
// the program.

#include "tests/e2e/ToolFixture.h"

#include <filesystem>
#include <thread>

#include <sys/stat.h>

namespace quilbex::e2e {
namespace {

using namespace std::chrono_literals;


TEST_F(ToolTest, ClockShowsTheTimeWithinTwoSecondsAndKeepsTicking) {
    start_services();
    install_program();
    start_program();
    auto label = [&] {
        // Read each time: the window manager may still be placing the window.
        Rect window = m_desktop->geometry(m_main);
        return m_desktop->screenshot().crop(
            {window.x + kTimeLabel.x, window.y + kTimeLabel.y, kTimeLabel.width, kTimeLabel.height});
    };
    auto started = std::chrono::steady_clock::now();
    Image first;
    ASSERT_TRUE(wait_until(
        [&] {
            first = label();
            return first.pixels_unlike_corner() > 20;
        },
        2s))
        << "no time shown";
    EXPECT_LT(std::chrono::steady_clock::now() - started, 2500ms);
    // The seconds change at the next tick.
    EXPECT_TRUE(wait_until([&] { return !(label() == first); }, 4s));
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

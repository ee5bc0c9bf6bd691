// The whole program when its folder does not hold what it needs: a file named
// SkinH_QV.dll that is not a library, and a program folder where the skin
// library cannot be written (no right to, or a full disk). Each ends at
// start-up in the runtime error report (caption "错误"): the library
// binding's for a file that is no library, one that names the file and the
// reason for a library that could not be written. The program exits with
// code 255 once it is dismissed, and the folder is left as it was found.

#include "tests/e2e/ToolFixture.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <linux/fs.h>
#include <set>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quilbex::e2e {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

inline constexpr const char* kErrorTitle = "错误";

// The program started without waiting for its main window, so that its exit
// status can be read.
class Launch {
public:
    Launch(const std::string& program, const std::string& display, const std::string& log, const std::string& dir) {
        m_pid = ::fork();
        if (m_pid != 0)
            return;
        int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (out >= 0) {
            ::dup2(out, 1);
            ::dup2(out, 2);
        }
        ::setenv("DISPLAY", display.c_str(), 1);
        // A folder the program cannot write to is an installed copy's: its
        // member files go to a home of the test's own, and the services are
        // named by the Config.ini beside the program.
        ::setenv("HOME", log.substr(0, log.rfind('/')).c_str(), 1);
        ::setenv("QUILBEX_CONFIG", (dir + "/Config.ini").c_str(), 1);
        if (::chdir(dir.c_str()) != 0)
            ::_exit(127);
        ::setpgid(0, 0);
        ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ~Launch() {
        if (m_pid <= 0)
            return;
        ::kill(-m_pid, SIGKILL);
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    Launch(const Launch&) = delete;
    Launch& operator=(const Launch&) = delete;

    // The exit code once the program has ended, or nothing when it still
    // runs after `timeout`.
    std::optional<int> exit_code(std::chrono::milliseconds timeout) {
        std::optional<int> code;
        wait_until(
            [&] {
                int status = 0;
                if (m_pid <= 0 || ::waitpid(m_pid, &status, WNOHANG) != m_pid)
                    return false;
                m_pid = -1;
                code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                return true;
            },
            timeout);
        return code;
    }

private:
    pid_t m_pid = -1;
};

std::set<std::string> entries(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// Sets or clears the immutable attribute of a folder: while it is set nobody,
// root included, can create, replace or remove an entry in it.
bool set_immutable(const std::string& folder, bool on) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

class ProgramFaults : public ToolTest {
protected:
    void TearDown() override {
        // The folder must be changeable again before it is removed.
        if (m_immutable)
            set_immutable(folder(), false);
        ToolTest::TearDown();
        if (m_mounted)
            ::umount2(folder().c_str(), MNT_DETACH);
    }

    // Starts the program, waits for the error report, keeps its pixels (and
    // its text when asked) and dismisses it; the program must then end with
    // the report's exit code.
    Image run_to_error_report(std::string* text = nullptr) {
        Launch program(folder() + "/quilbex", m_desktop->display(), m_log.file("program.log"), folder());
        auto box = m_desktop->wait_window(kErrorTitle, 40s);
        EXPECT_TRUE(box) << "no error report; program output:\n" << read_file(m_log.file("program.log"));
        if (!box)
            return {};
        EXPECT_FALSE(m_desktop->wait_window(kMainTitle, 100ms)) << "the main window opened despite the error";
        std::this_thread::sleep_for(300ms);
        Rect r = m_desktop->geometry(*box);
        Image shown = m_desktop->screenshot().crop(r);
        if (text)
            *text = message_text(kErrorTitle);
        m_desktop->xdotool("windowactivate --sync " + std::to_string(*box));
        m_desktop->key("Return");
        EXPECT_EQ(program.exit_code(30s), 255) << "the program did not end with the error report's code";
        return shown;
    }

    std::string skin() const { return folder() + "/SkinH_QV.dll"; }

    TempFolder m_log;  // outside the program's folder, which may not take new files
    bool m_immutable = false;
    bool m_mounted = false;
};

// A loadable shared object of the system that exports neither skin function.
std::string foreign_library() {
    for (const char* path : {"/lib/x86_64-linux-gnu/libz.so.1", "/usr/lib/x86_64-linux-gnu/libz.so.1",
                             "/lib/aarch64-linux-gnu/libz.so.1", "/usr/lib/libz.so.1"})
        if (fs::exists(path))
            return path;
    return {};
}

TEST_F(ProgramFaults, SkinLibraryFileThatIsNotALibraryEndsInTheBindingErrorAndIsKept) {
    start_services();
    install_program();
    const std::string junk = std::string("MZ\x90\0not a library at all", 24);
    write_file(skin(), junk);
    auto before = entries(folder());

    Image not_a_library = run_to_error_report();
    ASSERT_FALSE(not_a_library.empty());
    EXPECT_GT(not_a_library.pixels_unlike_corner(), 200) << "the report shows no text";
    EXPECT_EQ(read_file(skin()), junk) << "the file was replaced";
    EXPECT_EQ(entries(folder()), before) << "files were added or removed";

    // A real library that lacks the skin functions gets the very same report:
    // a library that cannot be loaded and a missing function are one error.
    std::string foreign = foreign_library();
    if (foreign.empty())
        GTEST_SKIP() << "no system library to stand in for a foreign one";
    fs::copy_file(foreign, skin(), fs::copy_options::overwrite_existing);
    const std::string foreign_bytes = read_file(skin());
    Image foreign_report = run_to_error_report();
    ASSERT_EQ(foreign_report.width, not_a_library.width);
    EXPECT_TRUE(foreign_report == not_a_library) << "the two reports differ";
    EXPECT_EQ(read_file(skin()), foreign_bytes);
}

TEST_F(ProgramFaults, FolderThatCannotTakeTheSkinLibrarySaysSoAndStaysAsItWas) {
    start_services();
    install_program();
    auto before = entries(folder());
    // An immutable folder refuses new files to root as well.
    m_immutable = set_immutable(folder(), true);
    if (!m_immutable) {
        if (::geteuid() == 0)
            GTEST_SKIP() << "the folder cannot be made immutable here";
        ASSERT_EQ(::chmod(folder().c_str(), 0555), 0);
    }
    std::string said;
    Image unwritable = run_to_error_report(&said);
    ASSERT_FALSE(unwritable.empty());
    EXPECT_THAT(said, ::testing::HasSubstr("无法写入皮肤库文件 " + skin() + "：没有写入这个文件夹的权限"));
    EXPECT_EQ(entries(folder()), before) << "something was written into the folder";
    if (m_immutable)
        m_immutable = !set_immutable(folder(), false);
    else
        ::chmod(folder().c_str(), 0755);
    ASSERT_FALSE(m_immutable);

    // With a folder that takes the library the program starts and writes it.
    fs::remove(skin());
    start_program();
    EXPECT_EQ(read_file(skin()), read_file(built("SkinH_QV.dll")));
}

// The program folder on a file system of the test's own, filled up after
// the program was put there: the first start cannot write the skin library.
TEST_F(ProgramFaults, FullDiskAtTheFirstStartSaysTheSkinLibraryCouldNotBeWrittenAndLeavesNoPart) {
    start_services();
    if (::mount("tmpfs", folder().c_str(), "tmpfs", 0, "size=64m,mode=0755") != 0)
        GTEST_SKIP() << "no tmpfs of the test's own here: " << std::strerror(errno);
    m_mounted = true;
    install_program();
    {
        // Whatever room is left goes to one file.
        std::ofstream filler(folder() + "/filler", std::ios::binary);
        const std::string block(1 << 20, 'f');
        while (filler.write(block.data(), block.size()))
            ;
    }
    {
        std::ofstream filler(folder() + "/filler2", std::ios::binary);
        while (filler.put('f'))
            ;
    }
    struct statvfs room {};
    ASSERT_EQ(::statvfs(folder().c_str(), &room), 0);
    ASSERT_LT(room.f_bavail * room.f_frsize, 88576u) << "the file system still has room";
    auto before = entries(folder());

    std::string said;
    ASSERT_FALSE(run_to_error_report(&said).empty());
    EXPECT_THAT(said, ::testing::HasSubstr("无法写入皮肤库文件 " + skin() + "：磁盘已满"));
    EXPECT_THAT(said, ::testing::Not(::testing::HasSubstr("SkinH_Attach")));
    EXPECT_EQ(entries(folder()), before) << "a part of the library or a temporary file was left";
}

}  // namespace
}  // namespace quilbex::e2e

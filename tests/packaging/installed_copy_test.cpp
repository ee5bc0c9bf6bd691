// The program as the package installs it, started on a private display.

#include "tests/e2e/ToolFixture.h"
#include "tests/packaging/PackageFiles.h"

#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <thread>

namespace quilbex::packaging {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using ::testing::HasSubstr;

// The member the installed copy runs for: nobody, who cannot write to the
// program folder.
constexpr int kMemberId = 65534;

// Every entry under `root` with its size and change time.
std::map<std::string, std::pair<std::uintmax_t, long>> snapshot(const std::string& root) {
    std::map<std::string, std::pair<std::uintmax_t, long>> entries;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        struct stat st {};
        ::lstat(entry.path().c_str(), &st);
        entries[entry.path().string()] = {static_cast<std::uintmax_t>(st.st_size), st.st_ctim.tv_nsec + st.st_ctime};
    }
    return entries;
}

int mode_of(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
}

class InstalledCopyTest : public e2e::ToolTest {
protected:
    void SetUp() override {
        ToolTest::SetUp();
        ASSERT_TRUE(m_unpacked.ok()) << "no package in " QUILBEX_PACKAGE_DIR;
    }
    UnpackedPackage m_unpacked;
};

// The package's skin library is the file the program itself writes beside it
// at its first start, so a copy made from either behaves the same.
TEST_F(InstalledCopyTest, PackagedSkinLibraryIsTheFileTheProgramWritesAtItsFirstStart) {
    for (const char* file : {"quilbex", "quilbex-gtk.so", "node.dll"})
        fs::copy_file(m_unpacked.path(std::string("/usr/lib/quilbex/") + file), folder() + "/" + file);
    ASSERT_FALSE(fs::exists(folder() + "/SkinH_QV.dll"));
    start_program();
    const std::string written = e2e::read_file(folder() + "/SkinH_QV.dll");
    const std::string packaged = e2e::read_file(m_unpacked.path("/usr/lib/quilbex/SkinH_QV.dll"));
    ASSERT_GT(packaged.size(), 10000u);
    EXPECT_TRUE(written == packaged) << "written " << written.size() << " bytes, packaged " << packaged.size();
}

// The unpacked package run by a member who is not root, with a home of their
// own and none of the XDG variables set: the files go to the home's XDG
// folders and nothing is written into the program's folder.
class InstalledForAMemberTest : public InstalledCopyTest {
protected:
    void SetUp() override {
        InstalledCopyTest::SetUp();
        ASSERT_FALSE(HasFatalFailure());
        m_home = m_home_folder.path();
        std::error_code ignored;
        fs::permissions(m_home, fs::perms::owner_all);
        ASSERT_EQ(::chown(m_home.c_str(), kMemberId, kMemberId), 0);
    }
    // The command line that runs `args` as the member, in a clean environment.
    std::vector<std::string> as_member(std::vector<std::string> args, const std::string& display = "") const {
        std::vector<std::string> argv{"env",
                                      "-u",
                                      "XDG_CONFIG_HOME",
                                      "-u",
                                      "XDG_STATE_HOME",
                                      "-u",
                                      "XDG_CACHE_HOME",
                                      "-u",
                                      "QUILBEX_CONFIG",
                                      "HOME=" + m_home};
        if (!display.empty())
            argv.push_back("DISPLAY=" + display);
        for (const char* word : {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"})
            argv.push_back(word);
        argv.push_back(program());
        argv.insert(argv.end(), args.begin(), args.end());
        return argv;
    }
    std::string program() const { return m_unpacked.path("/usr/lib/quilbex/quilbex"); }
    // The member's Config.ini, naming the local services, as the member would fill it in.
    void write_member_config() {
        const std::string dir = m_home + "/.config/quilbex";
        fs::create_directories(dir);
        e2e::write_file(dir + "/Config.ini", "[HOSTS]\r\nforum=" + services().host(services().forum_port()) +
                                                 "\r\napi=" + services().host(services().api_port()) +
                                                 "\r\nquote=" + services().host(services().quote_port()) +
                                                 "\r\naccount=" + services().host(services().account_port()) +
                                                 "\r\n[TLS]\r\nca_file=" + services().ca_file() + "\r\n");
        run_command("chown -R 65534:65534 " + shell_quoted(m_home + "/.config"));
    }
    void start_window() {
        std::vector<std::string> argv = as_member({}, m_desktop->display());
        m_log = folder() + "/member.log";
        m_run = e2e::ChildProcess(argv, {}, m_log, "/");
        auto window = m_desktop->wait_window(e2e::kMainTitle, 40s);
        ASSERT_TRUE(window) << "no main window; program output:\n" << e2e::read_file(m_log);
        m_main = *window;
        std::this_thread::sleep_for(800ms);  // let the window manager place and focus it
    }
    void TearDown() override {
        if (HasFailure() && m_desktop)
            m_desktop->screenshot("installed-copy-failure.png");
        m_run.stop();
        InstalledCopyTest::TearDown();
    }

    e2e::TempFolder m_home_folder;
    std::string m_home;
    std::string m_log;
    e2e::ChildProcess m_run;
};

TEST_F(InstalledForAMemberTest, KeepsTheMembersFilesInTheirHomeAndNothingInTheProgramFolder) {
    start_services();
    write_member_config();
    const auto program_folder_before = snapshot(m_unpacked.root());

    start_window();
    EXPECT_FALSE(m_desktop->wait_window("错误", 1s)) << e2e::read_file(m_log);

    const std::string cookie = "UM_distinctid=abc; BBS_UNAME=x";
    ASSERT_TRUE(enter_text(e2e::kCookieBox, cookie));
    click(e2e::kSaveButton);
    EXPECT_TRUE(dismiss_message());
    const std::string cookie_file = m_home + "/.config/quilbex/Cookie.ini";
    EXPECT_EQ(e2e::read_file(cookie_file), "[COOKIE]\r\ncookie=" + cookie + "\r\n");
    EXPECT_EQ(mode_of(cookie_file), 0600);

    click(e2e::kSignButton);
    const std::string history = m_home + "/.local/state/quilbex/History.log";
    EXPECT_TRUE(e2e::wait_until([&] { return e2e::read_file(history).find("window") != std::string::npos; }, 30s))
        << e2e::read_file(m_log);
    EXPECT_EQ(mode_of(m_home + "/.local/state/quilbex"), 0700);
    m_run.stop();

    EXPECT_EQ(snapshot(m_unpacked.root()), program_folder_before);

    // --where names the files where they are.
    std::string where_command;
    for (const auto& word : as_member({"--where"}))
        where_command += shell_quoted(word) + " ";
    auto where = run_command(where_command);
    EXPECT_EQ(where.status, 0) << where.output;
    for (const std::string& path : {cookie_file, m_home + "/.config/quilbex/Config.ini", history,
                                    m_home + "/.local/state/quilbex/Daily.lock", m_unpacked.path("/usr/lib/quilbex")})
        EXPECT_THAT(where.output, HasSubstr(path));
    // Each file's path starts in one terminal column, whatever the width of its name
    // (a Chinese character takes two columns).
    std::set<std::size_t> columns;
    std::istringstream lines(where.output);
    for (std::string line; std::getline(lines, line);) {
        const auto slash = line.find(" /");
        if (!line.starts_with("  ") || slash == std::string::npos)
            continue;
        std::size_t column = 0;
        for (std::size_t i = 0; i <= slash; ++i) {
            const auto c = static_cast<unsigned char>(line[i]);
            column += c < 0x80 ? 1 : (c >= 0xE0 ? 2 : 0);  // a three-byte character is a wide one here
        }
        columns.insert(column);
    }
    EXPECT_EQ(columns.size(), 1u) << where.output;
}

}  // namespace
}  // namespace quilbex::packaging

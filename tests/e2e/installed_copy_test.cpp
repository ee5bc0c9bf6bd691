// A copy of the program in a folder its member cannot write to, run as a
// member who is not root with a home folder of their own: the member's files
// go to their XDG folders, one set per profile, and nothing is written
// beside the program.

#include "platform/kernel/WorkingFolderName.h"
#include "tests/e2e/ToolFixture.h"

#include <fcntl.h>
#include <filesystem>
#include <gmock/gmock.h>
#include <map>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quilbex::e2e {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using ::testing::HasSubstr;

constexpr uid_t kMember = 65534;  // nobody

struct MemberRun {
    int status = -1;
    std::string out, err;
};

unsigned mode_of(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// Every file below `folder` with its size and change time.
std::map<std::string, std::string> listing(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        struct stat st {};
        ::lstat(entry.path().c_str(), &st);
        files[entry.path().string()] = std::to_string(st.st_size) + "/" + std::to_string(st.st_ctim.tv_sec) + "." +
                                       std::to_string(st.st_ctim.tv_nsec);
    }
    return files;
}

class InstalledCopy : public ToolTest {
protected:
    void SetUp() override {
        ToolTest::SetUp();
        start_services();
        install_program();
        // The program folder holds the program and its libraries, the skin
        // library included, and nothing the member can write.
        m_program = folder() + "/program";
        fs::create_directory(m_program);
        for (const char* file : {"quilbex", "quilbex-gtk.so", "node.dll"})
            fs::rename(folder() + "/" + file, m_program + "/" + file);
        fs::copy_file(built("SkinH_QV.dll"), m_program + "/SkinH_QV.dll");
        fs::remove(folder() + "/Config.ini");
        ::chmod(m_program.c_str(), 0555);
        ::chmod(folder().c_str(), 0755);
        m_home = folder() + "/home";
        fs::create_directory(m_home);
        ASSERT_EQ(::chown(m_home.c_str(), kMember, kMember), 0);
        ::chmod(m_home.c_str(), 0700);
    }

    std::vector<std::string> member_env() const {
        return {"HOME=" + m_home,  "XDG_CONFIG_HOME=",          "XDG_STATE_HOME=",          "XDG_CACHE_HOME=",
                "QUILBEX_CONFIG=", "DBUS_SESSION_BUS_ADDRESS=", "XDG_RUNTIME_DIR=" + m_home};
    }
    std::vector<std::string> as_member(std::vector<std::string> args) const {
        std::vector<std::string> argv{"setpriv", "--reuid=65534",       "--regid=65534", "--clear-groups",
                                      "--",      m_program + "/quilbex"};
        argv.insert(argv.end(), args.begin(), args.end());
        return argv;
    }
    MemberRun run(const std::vector<std::string>& args) {
        const std::string out = folder() + "/run.out", err = folder() + "/run.err";
        pid_t pid = ::fork();
        if (pid == 0) {
            std::vector<std::string> env = member_env();
            for (std::string& entry : env)
                ::putenv(entry.data());
            ::dup2(::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
            ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
            std::vector<std::string> argv = as_member(args);
            std::vector<char*> raw;
            for (std::string& word : argv)
                raw.push_back(word.data());
            raw.push_back(nullptr);
            ::execvp(raw[0], raw.data());
            ::_exit(127);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, read_file(out), read_file(err)};
    }
    void start_window(const std::vector<std::string>& args, const std::string& title) {
        std::vector<std::string> env = member_env();
        env.push_back("DISPLAY=" + m_desktop->display());
        m_window = ChildProcess(as_member(args), env, folder() + "/window.log", "/");
        auto window = m_desktop->wait_window(title, 40s);
        ASSERT_TRUE(window) << "no main window; program output:\n" << read_file(folder() + "/window.log");
        m_main = *window;
        std::this_thread::sleep_for(800ms);  // let the window manager place and focus it
    }
    void save_cookie_in_window(const std::string& cookie) {
        ASSERT_TRUE(enter_text(kCookieBox, cookie));
        click(kSaveButton);
        EXPECT_TRUE(dismiss_message());
        m_window.stop();
        m_main = 0;
    }
    void write_member_config() {
        write_file(config() + "/Config.ini", "[HOSTS]\r\nforum=" + services().host(services().forum_port()) +
                                                 "\r\napi=" + services().host(services().api_port()) +
                                                 "\r\nquote=" + services().host(services().quote_port()) +
                                                 "\r\naccount=" + services().host(services().account_port()) +
                                                 "\r\n[TLS]\r\nca_file=ca.pem\r\n");
        fs::copy_file(services().ca_file(), config() + "/ca.pem");
        ASSERT_EQ(::chown((config() + "/ca.pem").c_str(), kMember, kMember), 0);
    }
    void TearDown() override {
        if (HasFailure() && m_desktop)
            m_desktop->screenshot("installed-copy-failure.png");
        m_window.stop();
        ToolTest::TearDown();
    }
    std::string config() const { return m_home + "/.config/quilbex"; }
    std::string state() const { return m_home + "/.local/state/quilbex"; }

    std::string m_program, m_home;
    ChildProcess m_window;
};

TEST_F(InstalledCopy, keeps_every_members_files_in_their_home_and_writes_nothing_beside_the_program) {
    const auto program_files = listing(m_program);
    services().state().scenario.set("draws", "1");

    // First start: a commented Config.ini to fill in, and nothing sent.
    MemberRun first = run({"--sign-in"});
    EXPECT_EQ(first.status, 1);
    EXPECT_THAT(first.err, HasSubstr(config() + "/Config.ini"));
    EXPECT_THAT(first.err, HasSubstr("[HOSTS] 节没有 forum"));
    EXPECT_EQ(read_file(config() + "/Config.ini"), read_file(QUILBEX_SOURCE_DIR "/packaging/Config.ini.example"));
    EXPECT_EQ(mode_of(config() + "/Config.ini"), 0600u);
    EXPECT_EQ(mode_of(config()), 0700u);
    EXPECT_EQ(mode_of(state()), 0700u);
    // The window opens the set-up window instead; closed, it writes nothing and ends.
    std::vector<std::string> env = member_env();
    env.push_back("DISPLAY=" + m_desktop->display());
    m_window = ChildProcess(as_member({}), env, folder() + "/window.log", "/");
    auto setup = m_desktop->wait_window("Quilbex 设置", 40s);
    ASSERT_TRUE(setup) << read_file(folder() + "/window.log");
    EXPECT_TRUE(m_desktop->close_with_keyboard(*setup, "Quilbex 设置"));
    EXPECT_TRUE(wait_until([&] { return !m_window.running(); }, 30s));
    EXPECT_EQ(read_file(config() + "/Config.ini"), read_file(QUILBEX_SOURCE_DIR "/packaging/Config.ini.example"));
    EXPECT_TRUE(services().state().log.entries().empty());
    write_member_config();

    MemberRun where = run({"--where"});
    EXPECT_EQ(where.status, 0);
    for (const std::string& line : {std::string("installed（程序文件夹不可写）"), "程序文件夹: " + m_program,
                                    config() + "/Cookie.ini", config() + "/Config.ini", state() + "/History.log",
                                    state() + "/Daily.lock", m_home + "/.cache/quilbex/", m_program + "/SkinH_QV.dll"})
        EXPECT_THAT(where.out, HasSubstr(line));

    // A working folder left by a killed program goes at the next start; a running one's stays.
    const std::string cache = m_home + "/.cache/quilbex";
    const std::string left = cache + "/" + kernel::working_folder_name(999999, 1);
    const std::string live =
        cache + "/" + kernel::working_folder_name(::getpid(), *kernel::process_start_time(::getpid()));
    fs::create_directories(left + "/WebKit");
    fs::create_directories(live);
    for (const std::string& made : {m_home + "/.cache", cache, left, left + "/WebKit", live})
        ASSERT_EQ(::chown(made.c_str(), kMember, kMember), 0);

    // The window starts skinned from the read-only folder and saves the cookie for the member alone.
    start_window({}, kMainTitle);
    EXPECT_FALSE(m_desktop->wait_window("错误", 1s)) << read_file(folder() + "/window.log");
    EXPECT_FALSE(fs::exists(left));
    EXPECT_TRUE(fs::exists(live));
    save_cookie_in_window("BBS_UNAME=%E5%BC%A0%E4%B8%89; UM_distinctid=sim-member-0001");
    EXPECT_EQ(mode_of(config() + "/Cookie.ini"), 0600u);

    MemberRun signed_in = run({"--sign-in", "--message", "早安"});
    EXPECT_EQ(signed_in.status, 0) << signed_in.out << signed_in.err;
    EXPECT_THAT(read_file(state() + "/History.log"), HasSubstr("command-line\tsign-in\t签到成功"));

    // Another member: a window of their own, their own cookie and history.
    EXPECT_EQ(run({"--profile", "wife", "--sign-in", "--message", "x"}).status, 2);
    start_window({"--profile", "wife"}, std::string(kMainTitle) + " - wife");
    EXPECT_EQ(cookie_box_text(), "");
    save_cookie_in_window("BBS_UNAME=wife; UM_distinctid=sim-member-0002");
    EXPECT_THAT(read_file(config() + "/profiles/wife/Cookie.ini"), HasSubstr("BBS_UNAME=wife"));
    EXPECT_THAT(read_file(config() + "/Cookie.ini"), HasSubstr("sim-member-0001"));
    MemberRun wife = run({"--profile", "wife", "--sign-in", "--message", "晚安"});
    EXPECT_NE(wife.status, 1) << wife.out << wife.err;
    EXPECT_THAT(read_file(state() + "/profiles/wife/History.log"), HasSubstr("command-line\tsign-in"));
    EXPECT_EQ(split_lines(read_file(state() + "/History.log")).size(), split_lines(signed_in.out).size());

    MemberRun profiles = run({"--profiles"});
    EXPECT_THAT(profiles.out, HasSubstr("(默认)"));
    EXPECT_THAT(profiles.out, HasSubstr("wife"));

    EXPECT_EQ(listing(m_program), program_files);
}

}  // namespace
}  // namespace quilbex::e2e

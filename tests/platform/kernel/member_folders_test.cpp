// Where a member's files live: the decision over layouts, XDG variables and
// profiles, and the file names the program gives reaching those folders.

#include "platform/kernel/AtomicFile.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/MemberFolders.h"
#include "platform/kernel/Paths.h"
#include "platform/kernel/ProfileFile.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace quilbex::kernel {
namespace {

namespace fs = std::filesystem;

FolderEnvironment home_only(bool writable) {
    FolderEnvironment environment;
    environment.home = "/home/zhang";
    environment.program_folder_writable = writable;
    return environment;
}

TEST(MemberFolders, the_layout_follows_the_program_folder_and_the_xdg_folders) {
    MemberFolders portable = decide_member_folders("/opt/q", "", home_only(true));
    EXPECT_EQ(portable.layout, Layout::portable);
    EXPECT_EQ(portable.cookie_file(), "/opt/q/Cookie.ini");
    EXPECT_EQ(portable.config_file(), "/opt/q/Config.ini");
    EXPECT_EQ(portable.history_file(), "/opt/q/History.log");
    EXPECT_EQ(portable.lock_file(), "/opt/q/Daily.lock");
    EXPECT_EQ(portable.cache_folder, "/home/zhang/.cache/quilbex");
    EXPECT_EQ(decide_member_folders("/opt/q", "wife", home_only(true)).history_file(),
              "/opt/q/profiles/wife/History.log");

    // Under /usr even where the member (root) can write; elsewhere when they cannot.
    for (const MemberFolders& installed : {decide_member_folders("/usr/lib/quilbex", "", home_only(true)),
                                           decide_member_folders("/opt/q", "", home_only(false))}) {
        EXPECT_EQ(installed.layout, Layout::installed);
        EXPECT_EQ(installed.cookie_file(), "/home/zhang/.config/quilbex/Cookie.ini");
        EXPECT_EQ(installed.config_file(), "/home/zhang/.config/quilbex/Config.ini");
        EXPECT_EQ(installed.history_file(), "/home/zhang/.local/state/quilbex/History.log");
        EXPECT_EQ(installed.lock_file(), "/home/zhang/.local/state/quilbex/Daily.lock");
    }
    EXPECT_EQ(decide_member_folders("/usrx/q", "", home_only(true)).layout, Layout::portable);

    FolderEnvironment xdg = home_only(false);
    xdg.config_home = "/x/config";
    xdg.state_home = "/x/state";
    xdg.cache_home = "relative/cache";  // not absolute: ignored
    MemberFolders named = decide_member_folders("/opt/q", "wife_2", xdg);
    EXPECT_EQ(named.cookie_file(), "/x/config/quilbex/profiles/wife_2/Cookie.ini");
    EXPECT_EQ(named.history_file(), "/x/state/quilbex/profiles/wife_2/History.log");
    EXPECT_EQ(named.cache_folder, "/home/zhang/.cache/quilbex");
}

// The program names its files in its own folder; the settings functions and
// every other file name pass through the kernel's path resolution.
class MemberFileNames : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "members-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_home = pattern;
        FolderEnvironment environment = home_only(false);
        environment.home = m_home.string();
        m_folders = decide_member_folders(executable_directory(), "wife", environment);
        set_member_folders(m_folders);
    }
    void TearDown() override {
        set_member_folders(decide_member_folders(executable_directory(), "", home_only(true)));
        fs::remove_all(m_home);
    }
    fs::path m_home;
    MemberFolders m_folders;
};

TEST_F(MemberFileNames, the_program_folders_member_files_reach_the_member_folders_and_nothing_else_moves) {
    EXPECT_TRUE(make_member_folders(m_folders).empty());
    EXPECT_EQ(fs::status(m_folders.config_folder).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_EQ(fs::status(m_folders.state_folder).permissions() & fs::perms::all, fs::perms::owner_all);

    const std::string program = program_folder_text();
    const std::string cookie = program + "\\Cookie.ini";
    ASSERT_TRUE(WritePrivateProfileStringA("COOKIE", "cookie", "a=1", cookie.c_str()));
    struct stat saved {};
    ASSERT_EQ(::stat(m_folders.cookie_file().c_str(), &saved), 0);
    EXPECT_EQ(saved.st_mode & 07777, 0600u);
    EXPECT_FALSE(fs::exists(executable_directory() + "/Cookie.ini"));
    char value[16] = {};
    GetPrivateProfileStringA("COOKIE", "cookie", "", value, sizeof value, cookie.c_str());
    EXPECT_STREQ(value, "a=1");

    // A profile without a Config.ini of its own uses the default member's.
    EXPECT_EQ(native_path(program + "/Config.ini"), m_home.string() + "/.config/quilbex/Config.ini");
    ASSERT_TRUE(WritePrivateProfileStringA("HOSTS", "forum", "a", (program + "\\Config.ini").c_str()));
    ASSERT_TRUE(fs::exists(m_home / ".config/quilbex/Config.ini"));
    std::ofstream(m_folders.config_file()) << "";
    EXPECT_EQ(native_path(program + "/Config.ini"), m_folders.config_file());
    EXPECT_EQ(native_path(program + "//History.log"), m_folders.history_file());
    EXPECT_EQ(native_path(program + "\\Daily.lock"), m_folders.lock_file());
    // The file QUILBEX_CONFIG names stays where it is, also beside the program.
    MemberFolders named = m_folders;
    named.named_config = executable_directory() + "/Config.ini";
    set_member_folders(named);
    EXPECT_EQ(native_path(program + "/Config.ini"), executable_directory() + "/Config.ini");
    for (const std::string& other : {program + "/SkinH_QV.dll", program + "/sub/Cookie.ini", program + "x/Cookie.ini",
                                     std::string("/tmp/Cookie.ini"), program + "/cookie.ini"})
        EXPECT_EQ(native_path(other), gbk_to_utf8(to_native_path(other))) << other;
}

unsigned mode_of(const std::string& file) {
    struct stat st {};
    return ::stat(file.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST_F(MemberFileNames, the_login_is_the_members_alone_in_the_portable_layout_too) {
    FolderEnvironment environment = home_only(true);
    environment.home = m_home.string();
    const MemberFolders portable = decide_member_folders(m_home.string(), "", environment);
    set_member_folders(portable);
    const std::string cookie = portable.cookie_file();
    ASSERT_TRUE(WritePrivateProfileStringA("COOKIE", "cookie", "a=1", cookie.c_str()));
    EXPECT_EQ(mode_of(cookie), 0600u);
    // A Cookie.ini that an older release left readable to all becomes private at its next save.
    ASSERT_EQ(::chmod(cookie.c_str(), 0644), 0);
    ASSERT_TRUE(WritePrivateProfileStringA("COOKIE", "cookie", "a=2", cookie.c_str()));
    EXPECT_EQ(mode_of(cookie), 0600u);
    // Any other file keeps what it had.
    const std::string other = m_home.string() + "/Other.ini";
    std::ofstream(other) << "";
    ASSERT_EQ(::chmod(other.c_str(), 0644), 0);
    ASSERT_TRUE(replace_file_contents(other, {"x"}));
    EXPECT_EQ(mode_of(other), 0644u);
}

TEST_F(MemberFileNames, a_new_row_in_the_table_is_a_member_file_everywhere) {
    static constexpr MemberFile kWithNotes[] = {
        {kCookieFileName, MemberFolder::config, 0600, ShownByWhere::yes},
        {"Notes.txt", MemberFolder::state, 0600, ShownByWhere::yes},
    };
    MemberFolders folders = m_folders;
    folders.files = kWithNotes;
    set_member_folders(folders);
    ASSERT_TRUE(make_member_folders(folders).empty());
    const std::string notes = native_path(program_folder_text() + "\\Notes.txt");
    EXPECT_EQ(notes, m_folders.state_folder + "/Notes.txt");
    EXPECT_EQ(folders.file("Notes.txt"), notes);
    ASSERT_TRUE(replace_file_contents(notes, {"x"}));
    EXPECT_EQ(mode_of(notes), 0600u);
    // What left the table is no member file any more.
    EXPECT_EQ(native_path(program_folder_text() + "/History.log"), executable_directory() + "/History.log");
}

}  // namespace
}  // namespace quilbex::kernel

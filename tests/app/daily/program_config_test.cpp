// Config.ini as a member writes it, read by the program itself: explanations
// after values are refused before anything is sent, UTF-8 and GBK files send
// the same message, and the files beside the program are found in folders of
// every name the file system allows.

#include "DailyFixture.h"
#include "support/Gbk.h"

#include <cstdio>
#include <gmock/gmock.h>

namespace quilbex::daily_testing {
namespace {

using ::testing::HasSubstr;
namespace fs = std::filesystem;

constexpr const char* kMessage = "今天也来签到";
constexpr const char* kMemberCookie = "BBS_UNAME=%E5%BC%A0%E4%B8%89; UM_distinctid=sim-member-0001";

std::string percent_encoded(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        char piece[4];
        std::snprintf(piece, sizeof piece, "%%%02X", c);
        out += piece;
    }
    return out;
}

const std::string kSignBody = "formhash=1a2b3c4d&qdxq=tp&qdmode=1&todaysay=" + percent_encoded(kMessage);

TEST_F(DailyRun, the_readmes_old_example_with_comments_after_values_is_refused_naming_the_key) {
    write_file(folder.file("Config.ini"),
               "[HOSTS]\n"
               "forum   = 127.0.0.1:18443   ; the forum's web site\n"
               "api     = 127.0.0.1:18444   ; the forum's mobile API (lottery)\n"
               "quote   = 127.0.0.1:18445   ; the quote service\n"
               "account = 127.0.0.1:18446   ; the account site of the login window\n"
               "[TLS]\n"
               "ca_file  = /path/to/ca.pem  ; an extra authority to trust besides the system's\n"
               "insecure = 0                ; 1 switches the HTTP client's certificate checks off\n");
    RunResult run = sign_in();
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.err, HasSubstr("配置错误"));
    EXPECT_THAT(run.err, HasSubstr(folder.file("Config.ini").string()));
    EXPECT_THAT(run.err, HasSubstr("[HOSTS] forum 的值是“127.0.0.1:18443   ; the forum's web site”"));
    EXPECT_THAT(run.err, HasSubstr("';' 只在一行的开头才表示注释"));
    EXPECT_TRUE(sim->state().log.entries().empty());
}

TEST_F(DailyRun, a_utf8_and_a_gbk_config_send_the_same_message_bytes) {
    sim->state().scenario.set("draws", "0");
    const std::string daily = std::string("[DAILY]\r\nmessage = ");
    for (const std::string& variant : {"utf-8", "utf-8 with bom", "gbk"}) {
        write_config(sim->ca_file(), daily + (variant == "gbk" ? quilbex::testing::gbk(kMessage) : kMessage) + "\r\n");
        if (variant == "utf-8 with bom")
            write_file(folder.file("Config.ini"), "\xEF\xBB\xBF" + read_file(folder.file("Config.ini")));
        RunResult run = sign_in({"--quiet"});
        ASSERT_EQ(run.status, 0) << variant << run.err;
        auto forum = requests("forum");
        ASSERT_FALSE(forum.empty());
        EXPECT_EQ(forum.back().request.body, kSignBody) << variant;
    }
}

// The file QUILBEX_CONFIG names is opened under the name the system gives it
// (a character GBK lacks included); one that cannot be read stops the run
// before anything is sent.
TEST_F(DailyRun, the_file_quilbex_config_names_is_read_under_its_own_name_or_the_run_stops) {
    sim->state().scenario.set("draws", "0");
    write_config(sim->ca_file(), "[DAILY]\r\nmessage = " + std::string(kMessage) + "\r\n");
    const fs::path named = folder.path() / "设置 😀.ini";
    fs::rename(folder.file("Config.ini"), named);
    std::map<std::string, std::string> env = quiet_desktop();
    env["QUILBEX_CONFIG"] = named.string();
    RunResult run = folder.run({"--sign-in", "--quiet"}, env);
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_FALSE(requests("forum").empty());
    EXPECT_EQ(requests("forum").back().request.body, kSignBody);

    const std::size_t before = sim->state().log.entries().size();
    env["QUILBEX_CONFIG"] = (folder.path() / "没有 😀.ini").string();
    run = folder.run({"--sign-in", "--quiet"}, env);
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.err, HasSubstr("无法读取配置文件"));
    EXPECT_EQ(sim->state().log.entries().size(), before);
}

// The program in a folder of the given name, with Config.ini (UTF-8, its
// authority named relative to it) and Cookie.ini beside it.
class FolderNames : public ::testing::TestWithParam<const char*> {};

TEST_P(FolderNames, the_files_beside_the_program_are_found_and_the_configured_message_is_sent) {
    std::string error;
    auto sim = sim::Simulator::start(sim::SimOptions::any_ports(QUILBEX_SIM_CERT_DIR), &error);
    ASSERT_TRUE(sim) << error;
    sim->state().scenario.set("draws", "0");
    ProgramFolder folder(GetParam());
    fs::copy_file(sim->ca_file(), folder.file("ca.pem"));
    write_file(folder.file("Config.ini"),
               "[HOSTS]\nforum=" + sim->host(sim->forum_port()) + "\napi=" + sim->host(sim->api_port()) +
                   "\nquote=" + sim->host(sim->quote_port()) + "\naccount=" + sim->host(sim->account_port()) +
                   "\n[TLS]\nca_file=ca.pem\n[DAILY]\nmessage=" + kMessage + "\n");
    write_file(folder.file("Cookie.ini"), "[COOKIE]\r\ncookie=" + std::string(kMemberCookie) + "\r\n");

    RunResult run = folder.run(
        {"--sign-in", "--quiet"},
        {{"QUILBEX_CONFIG", ""}, {"DBUS_SESSION_BUS_ADDRESS", ""}, {"XDG_RUNTIME_DIR", folder.path().string()}});
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<std::string> bodies;
    for (const auto& entry : sim->state().log.entries())
        if (entry.service == "forum" && entry.request.method == "POST")
            bodies.push_back(entry.request.body);
    EXPECT_EQ(bodies, std::vector<std::string>{kSignBody});
}

INSTANTIATE_TEST_SUITE_P(Program, FolderNames, ::testing::Values("测试 目录", "jörg", "emoji 😀 dir", "back\\slash"));

}  // namespace
}  // namespace quilbex::daily_testing

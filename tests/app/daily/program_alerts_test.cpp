// Alerts of the unattended run and of --notify-test, received by a push
// service stand-in over HTTPS and by a real mail server (aiosmtpd) that
// requires STARTTLS with the local services' certificate and a login.

#include "DailyFixture.h"
#include "app/member/History.h"
#include "sim/PushService.h"
#include "sim/PushStandIn.h"

#include <csignal>
#include <fcntl.h>
#include <gmock/gmock.h>
#include <nlohmann/json.hpp>
#include <regex>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace quilbex::daily_testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

namespace fs = std::filesystem;

constexpr const char* kPushKey = "SCT9f3kQ2secretkey";
constexpr const char* kMailUser = "zhang";
constexpr const char* kMailPassword = "pw-Zh4ngSecret";

template <typename Condition> bool wait_for(Condition condition) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

// The mail server as a child process with a spool folder of its own.
class MailServer {
public:
    enum class Tls { starttls, none };

    MailServer(const fs::path& spool, Tls tls) : m_spool(spool) {
        fs::create_directories(spool);
        std::vector<std::string> args = {"/usr/bin/python3", QUILBEX_SMTP_SERVER, "--cert-dir", QUILBEX_SIM_CERT_DIR,
                                         "--spool",          spool.string(),      "--user",     kMailUser,
                                         "--password",       kMailPassword};
        if (tls == Tls::none)
            args.push_back("--no-tls");
        std::vector<char*> argv;
        for (auto& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        const std::string port_file = (spool / "port").string();
        posix_spawn_file_actions_addopen(&actions, 1, port_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        wait_for([&] { return read_file(port_file).find('\n') != std::string::npos; });
        m_port = std::atoi(read_file(port_file).c_str());
    }
    ~MailServer() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    int port() const { return m_port; }
    std::vector<nlohmann::json> messages() const {
        std::vector<nlohmann::json> out;
        for (int i = 1; fs::exists(m_spool / (std::to_string(i) + ".json")); ++i)
            out.push_back(nlohmann::json::parse(read_file(m_spool / (std::to_string(i) + ".json"))));
        return out;
    }
    std::string logins() const { return read_file(m_spool / "auth.log"); }

private:
    fs::path m_spool;
    pid_t m_pid = -1;
    int m_port = 0;
};

// RFC 3986's unreserved characters kept, every other byte as upper-case %XX.
std::string url_encoded(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        }
    }
    return out;
}

class Alerts : public DailyRun {
protected:
    void SetUp() override {
        DailyRun::SetUp();
        std::string error;
        push = sim::PushService::start(QUILBEX_SIM_CERT_DIR, kPushKey, &error);
        ASSERT_TRUE(push) << error;
    }

    std::string push_host() const { return "127.0.0.1:" + std::to_string(push->port()); }
    std::string webhook(const std::string& extra = "") const {
        return "webhook=https://" + push_host() + "/" + kPushKey + ".send?title={title}&desp={text}\r\n" + extra;
    }
    std::string mail(int port, const std::string& password = kMailPassword) const {
        return "smtp=smtp://127.0.0.1:" + std::to_string(port) + "\r\nsmtp_user=" + kMailUser +
               "\r\nsmtp_password=" + password +
               "\r\nmail_from=quilbex@example.com\r\nmail_to=zhang@example.com, li@example.com\r\n";
    }
    void configure(const std::string& notify_lines) { write_config(sim->ca_file(), "[NOTIFY]\r\n" + notify_lines); }
    RunResult notify_test() { return folder.run({"--notify-test"}, quiet_desktop()); }

    // The member line and the time line that every alert text ends with,
    // with the run's facts between them.
    std::string member_and_time(const std::string& facts = "") const {
        return "\n成员：默认\n" + facts + "时间：\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$";
    }

    std::unique_ptr<sim::PushService> push;
};

TEST_F(Alerts, notify_test_reaches_the_push_service_and_the_mail_server_and_prints_each_result) {
    MailServer server(folder.file("spool"), MailServer::Tls::starttls);
    ASSERT_GT(server.port(), 0);
    configure(webhook() + mail(server.port()));
    RunResult run = notify_test();
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_THAT(run.out, HasSubstr("webhook（" + push_host() + "）：已送出：HTTP 200\n"));
    EXPECT_THAT(run.out, HasSubstr("mail（127.0.0.1:" + std::to_string(server.port()) + "）：已送出：SMTP 250\n"));

    ASSERT_EQ(push->messages().size(), 1u);
    const sim::PushMessage pushed = push->messages()[0];
    EXPECT_EQ(pushed.title, "Quilbex 提醒测试");
    EXPECT_TRUE(std::regex_search(pushed.text, std::regex("^这是一条测试提醒：.*" + member_and_time()))) << pushed.text;
    EXPECT_EQ(push->requests()[0].head, "GET /" + std::string(kPushKey) + ".send?title=" + url_encoded(pushed.title) +
                                            "&desp=" + url_encoded(pushed.text) + " HTTP/1.1\r\nHost: " + push_host() +
                                            "\r\nUser-Agent: Quilbex\r\nAccept: */*\r\n\r\n");

    auto mails = server.messages();
    ASSERT_EQ(mails.size(), 1u);
    const auto& mail = mails[0];
    EXPECT_TRUE(mail["tls"].get<bool>());
    EXPECT_TRUE(mail["authenticated"].get<bool>());
    EXPECT_EQ(mail["mail_from"], "quilbex@example.com");
    EXPECT_EQ(mail["rcpt_tos"], nlohmann::json({"zhang@example.com", "li@example.com"}));
    EXPECT_EQ(mail["headers"]["Subject"], "Quilbex 提醒测试");
    EXPECT_EQ(mail["headers"]["From"], "quilbex@example.com");
    EXPECT_EQ(mail["headers"]["To"], "zhang@example.com, li@example.com");
    EXPECT_EQ(mail["headers"]["MIME-Version"], "1.0");
    EXPECT_TRUE(mail["headers"].contains("Date"));
    EXPECT_EQ(mail["content_type"], "text/plain");
    EXPECT_EQ(mail["charset"], "utf-8");
    EXPECT_EQ(mail["defects"], nlohmann::json::array());
    std::string body = mail["body"];
    body.erase(std::remove(body.begin(), body.end(), '\r'), body.end());
    EXPECT_EQ(body, pushed.text + "\n");
    EXPECT_THAT(run.out + run.err, Not(HasSubstr(kPushKey)));
    EXPECT_THAT(run.out + run.err, Not(HasSubstr(kMailPassword)));
}

TEST_F(Alerts, webhook_posts_its_body_template_as_json_or_as_a_form) {
    // A Config.ini written in UTF-8 keeps its own texts in the template.
    configure(webhook(R"(webhook_body={"title":"提醒：{title}","desp":"{text}"})"
                      "\r\nwebhook_type=json\r\n"));
    ASSERT_EQ(notify_test().status, 0);
    configure(webhook("webhook_body=title={title}&desp={text}\r\n"));
    ASSERT_EQ(notify_test().status, 0);

    auto messages = push->messages();
    auto requests = push->requests();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].form, "json");
    EXPECT_EQ(messages[0].title, "提醒：Quilbex 提醒测试");
    std::string escaped = std::regex_replace(messages[0].text, std::regex("\n"), "\\n");
    EXPECT_EQ(requests[0].body, R"({"title":"提醒：Quilbex 提醒测试","desp":")" + escaped + "\"}");
    EXPECT_EQ(requests[0].header("Content-Type"), "application/json; charset=utf-8");
    EXPECT_EQ(messages[1].form, "form");
    EXPECT_EQ(requests[1].body, "title=" + url_encoded(messages[1].title) + "&desp=" + url_encoded(messages[1].text));
    EXPECT_EQ(requests[1].header("Content-Type"), "application/x-www-form-urlencoded");
}

TEST_F(Alerts, plain_smtp_to_a_server_without_starttls_sends_neither_the_login_nor_the_message) {
    MailServer server(folder.file("spool"), MailServer::Tls::none);
    ASSERT_GT(server.port(), 0);
    configure(mail(server.port()));
    RunResult run = notify_test();
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.out, HasSubstr("mail（127.0.0.1:" + std::to_string(server.port()) + "）：没有送出："));
    EXPECT_TRUE(server.messages().empty());
    EXPECT_EQ(server.logins(), "");
}

TEST_F(Alerts, certificates_are_checked_against_the_system_authorities_and_ca_file_only) {
    MailServer server(folder.file("spool"), MailServer::Tls::starttls);
    write_config("", "[NOTIFY]\r\n" + webhook() + mail(server.port()));
    RunResult run = notify_test();
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.out, HasSubstr("webhook（" + push_host() + "）：没有送出："));
    EXPECT_THAT(run.out, HasSubstr("mail（127.0.0.1:" + std::to_string(server.port()) + "）：没有送出："));
    EXPECT_TRUE(push->requests().empty());
    EXPECT_TRUE(server.messages().empty());
    EXPECT_EQ(server.logins(), "");
}

TEST_F(Alerts, a_lost_login_alerts_the_member_through_every_channel) {
    MailServer server(folder.file("spool"), MailServer::Tls::starttls);
    configure(webhook() + mail(server.port()));
    sim->state().scenario.set("sign", "not_logged_in");
    RunResult run = sign_in({"--message", "x", "--quiet"});
    EXPECT_EQ(run.status, 2) << run.err;

    ASSERT_EQ(push->messages().size(), 1u);
    EXPECT_EQ(push->messages()[0].title, "Quilbex 签到：未登录");
    EXPECT_TRUE(std::regex_search(
        push->messages()[0].text,
        std::regex("^登录已失效，请打开程序重新登录" + member_and_time("签到：您需要先登录才能继续本操作\n"))))
        << push->messages()[0].text;
    ASSERT_EQ(server.messages().size(), 1u);
    EXPECT_EQ(server.messages()[0]["headers"]["Subject"], "Quilbex 签到：未登录");
}

TEST_F(Alerts, failed_channels_are_reported_without_secrets_and_leave_the_exit_status_alone) {
    MailServer server(folder.file("spool"), MailServer::Tls::starttls);
    configure(webhook() + mail(server.port(), "wrong-" + std::string(kMailPassword)));
    push->fail_with(503);
    sim->state().scenario.set("sign", "retry");
    sim->state().scenario.set("draws", "0");
    RunResult run = sign_in({"--message", "x", "--quiet"});
    EXPECT_EQ(run.status, 4) << run.err;

    const std::string mail_label = "mail（127.0.0.1:" + std::to_string(server.port()) + "）";
    EXPECT_THAT(run.err, HasSubstr("quilbex: 提醒没有送出：webhook（" + push_host() + "）：HTTP 503\n"));
    EXPECT_THAT(run.err, HasSubstr("quilbex: 提醒没有送出：" + mail_label + "："));
    std::string history = read_file(folder.file("History.log"));
    EXPECT_THAT(history, HasSubstr("\tcommand-line\talert\t提醒没有送出：webhook（" + push_host() + "）：HTTP 503\n"));
    EXPECT_THAT(history, HasSubstr("\tcommand-line\talert\t提醒没有送出：" + mail_label));
    EXPECT_TRUE(server.messages().empty());
    for (const std::string& text : {run.out, run.err, history}) {
        EXPECT_THAT(text, Not(HasSubstr(kPushKey)));
        EXPECT_THAT(text, Not(HasSubstr(kMailPassword)));
    }
}

TEST_F(Alerts, with_when_always_a_good_run_alerts_too_with_its_sign_in_draws_and_the_cookies_expiry) {
    configure(webhook("when=always\r\n"));
    write_file(folder.file("Cookie.ini"),
               "[COOKIE]\r\ncookie=" + std::string(kMemberCookie) + "\r\nexpires=1800000000\r\n");
    sim->state().scenario.set("sign", "success");
    sim->state().scenario.set("draws", "1");
    RunResult run = sign_in({"--message", "x", "--quiet"});
    EXPECT_EQ(run.status, 0) << run.err;

    ASSERT_EQ(push->messages().size(), 1u);
    EXPECT_EQ(push->messages()[0].title, "Quilbex 签到：完成");
    const std::string expected =
        "^已签到或今日已经签到" +
        member_and_time("签到：签到成功\n抽奖：第 1 次：恭喜您抽中 金币 x1；第 2 次：今日抽奖次数已用完，"
                        "明天再来吧\nCookie 有效至：" +
                        app::local_time_text(1800000000) + "\n");
    EXPECT_TRUE(std::regex_search(push->messages()[0].text, std::regex(expected))) << push->messages()[0].text;
}

TEST_F(Alerts, without_a_channel_in_config_ini_the_panels_variables_are_used_and_a_services_refusal_is_shown) {
    configure("");
    auto bark = sim::PushStandIn::start(sim::PushKind::bark, QUILBEX_SIM_CERT_DIR, {"barkSecretKey", "", ""});
    auto gotify = sim::PushStandIn::start(sim::PushKind::gotify, QUILBEX_SIM_CERT_DIR, {"AgotifySecret", "", ""});
    ASSERT_TRUE(bark && gotify);
    auto env = quiet_desktop();
    env["BARK_PUSH"] = bark->origin() + "/barkSecretKey";
    env["GOTIFY_URL"] = gotify->origin();
    env["GOTIFY_TOKEN"] = "wrongGotifyToken";
    RunResult run = folder.run({"--notify-test"}, env);
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.out, HasSubstr("bark（127.0.0.1:" + std::to_string(bark->port()) + "）：已送出：HTTP 200\n"));
    EXPECT_THAT(run.out, HasSubstr("gotify（127.0.0.1:" + std::to_string(gotify->port()) +
                                   "）：没有送出：HTTP 401：you need to provide a valid access token"));
    ASSERT_EQ(bark->messages().size(), 1u);
    EXPECT_EQ(bark->messages()[0].title, "Quilbex 提醒测试");
    for (const char* secret : {"barkSecretKey", "wrongGotifyToken"})
        EXPECT_THAT(run.out + run.err, Not(HasSubstr(secret)));
}

}  // namespace
}  // namespace quilbex::daily_testing

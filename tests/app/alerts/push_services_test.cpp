// Every push service's channel against its strict stand-in over HTTPS: the
// exact request the service documents goes out, the service's success is
// taken as sent, and its error answer as not sent with its reason (and never
// the member's key).

#include "app/alerts/AlertEncoding.h"
#include "app/alerts/Alerts.h"
#include "app/alerts/Hmac.h"
#include "app/alerts/ServiceChannel.h"
#include "platform/kernel/ChildProcess.h"
#include "platform/wininet/TlsTrust.h"
#include "sim/PushStandIn.h"

#include <functional>
#include <gmock/gmock.h>
#include <map>
#include <regex>
#include <stdlib.h>

namespace quilbex::app {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using Values = std::map<std::string, std::string>;

const AlertMessage kMessage{"Quilbex 签到：未登录", "登录已失效\n成员：默认"};
constexpr const char* kBoth = R"(Quilbex 签到：未登录\n登录已失效\n成员：默认)";

struct ServiceCase {
    const char* channel;
    sim::PushKind kind;
    sim::PushAccount account;
    std::function<Values(const std::string& origin)> settings;
    std::string target;  // the request's path and query; a signature's values as {ts} and {sign}
    std::string headers;  // the header lines after Accept, Content-Length excepted
    std::string body;  // the body; a signature's values as {ts} and {sign}
    std::string refusal;  // what the detail says when the member's key is wrong
};

const std::string kJson = "Content-Type: application/json; charset=utf-8\r\n";

std::vector<ServiceCase> service_cases() {
    return {
        {"serverchan",
         sim::PushKind::serverchan,
         {"SCT7k2secret", "", ""},
         [](const std::string& origin) {
             return Values{{"serverchan", "SCT7k2secret"}, {"serverchan_server", origin}};
         },
         "/SCT7k2secret.send",
         "Content-Type: application/x-www-form-urlencoded\r\n",
         "title=Quilbex%20%E7%AD%BE%E5%88%B0%EF%BC%9A%E6%9C%AA%E7%99%BB%E5%BD%95&desp=%E7%99%BB%E5%BD%95%E5%B7%B2%E5%"
         "A4%"
         "B1%E6%95%88%0A%E6%88%90%E5%91%98%EF%BC%9A%E9%BB%98%E8%AE%A4",
         "HTTP 200：code=40001：bad pushkey"},
        {"pushplus",
         sim::PushKind::pushplus,
         {"pp0secret", "", ""},
         [](const std::string& origin) {
             return Values{{"pushplus", "pp0secret"}, {"pushplus_server", origin}};
         },
         "/send",
         kJson,
         R"({"token":"pp0secret","title":"Quilbex 签到：未登录","content":"登录已失效\n成员：默认","template":"txt"})",
         "HTTP 200：code=903：无效的用户token"},
        {"bark",
         sim::PushKind::bark,
         {"barkSecretKey", "", ""},
         [](const std::string& origin) {
             return Values{{"bark", origin + "/barkSecretKey/"}};
         },
         "/push",
         kJson,
         R"({"device_key":"barkSecretKey","title":"Quilbex 签到：未登录","body":"登录已失效\n成员：默认"})",
         "HTTP 400：code=400：failed to get device token"},
        {"wecom",
         sim::PushKind::wecom,
         {"wc-secret-key", "", ""},
         [](const std::string& origin) {
             return Values{{"wecom", "wc-secret-key"}, {"wecom_server", origin}};
         },
         "/cgi-bin/webhook/send?key=wc-secret-key",
         kJson,
         std::string(R"({"msgtype":"text","text":{"content":")") + kBoth + "\"}}",
         "HTTP 200：errcode=93000：invalid webhook url"},
        {"dingtalk",
         sim::PushKind::dingtalk,
         {"ddSecretToken", "SECddSigning", ""},
         [](const std::string& origin) {
             return Values{
                 {"dingtalk", "ddSecretToken"}, {"dingtalk_secret", "SECddSigning"}, {"dingtalk_server", origin}};
         },
         "/robot/send?access_token=ddSecretToken&timestamp={ts}&sign={sign}",
         kJson,
         std::string(R"({"msgtype":"text","text":{"content":")") + kBoth + "\"}}",
         "HTTP 200：errcode=300001：token is not exist"},
        {"feishu",
         sim::PushKind::feishu,
         {"fs-hook-secret", "fsSigning", ""},
         [](const std::string& origin) {
             return Values{{"feishu", "fs-hook-secret"}, {"feishu_secret", "fsSigning"}, {"feishu_server", origin}};
         },
         "/open-apis/bot/v2/hook/fs-hook-secret",
         kJson,
         std::string(R"({"timestamp":"{ts}","sign":"{sign}","msg_type":"text","content":{"text":")") + kBoth + "\"}}",
         "HTTP 200：code=19001：param invalid"},
        {"telegram",
         sim::PushKind::telegram,
         {"123456:tgSecretToken", "", "-10042"},
         [](const std::string& origin) {
             return Values{
                 {"telegram_token", "123456:tgSecretToken"}, {"telegram_chat", "-10042"}, {"telegram_api", origin}};
         },
         "/bot123456:tgSecretToken/sendMessage",
         kJson,
         std::string(R"({"chat_id":-10042,"text":")") + kBoth + "\"}",
         "HTTP 401：ok=false：Unauthorized"},
        {"ntfy",
         sim::PushKind::ntfy,
         {"quilbex_alerts", "tk_ntfySecret", ""},
         [](const std::string& origin) {
             return Values{{"ntfy", origin + "/quilbex_alerts"}, {"ntfy_token", "tk_ntfySecret"}};
         },
         "/",
         kJson + "Authorization: Bearer tk_ntfySecret\r\n",
         R"({"topic":"quilbex_alerts","title":"Quilbex 签到：未登录","message":"登录已失效\n成员：默认"})",
         "HTTP 401：unauthorized"},
        {"gotify",
         sim::PushKind::gotify,
         {"AgotifySecret", "", ""},
         [](const std::string& origin) {
             return Values{{"gotify", origin + "/"}, {"gotify_token", "AgotifySecret"}};
         },
         "/message",
         kJson + "X-Gotify-Key: AgotifySecret\r\n",
         R"({"title":"Quilbex 签到：未登录","message":"登录已失效\n成员：默认","priority":5})",
         "HTTP 401：you need to provide a valid access token"},
    };
}

AlertConfig config_of(const Values& values) {
    auto lookup = [&](const char* key) {
        auto found = values.find(key);
        return found == values.end() ? std::string() : found->second;
    };
    return alert_config_from(channel_table(), lookup, [](const char*) { return std::string(); });
}

// A signature's values, which change with the clock, as {ts} and {sign}.
std::string without_signature(std::string text) {
    text = std::regex_replace(text, std::regex("timestamp=\\d{13}&sign=[A-Za-z0-9%]+"), "timestamp={ts}&sign={sign}");
    return std::regex_replace(text, std::regex(R"re("timestamp":"\d{10}","sign":"[A-Za-z0-9+/=]+")re"),
                              R"("timestamp":"{ts}","sign":"{sign}")");
}

class PushServices : public ::testing::Test {
protected:
    void SetUp() override { wininet::set_extra_ca_file(std::string(QUILBEX_SIM_CERT_DIR) + "/ca.pem"); }
    void TearDown() override { wininet::set_extra_ca_file(""); }

    std::unique_ptr<sim::PushStandIn> start(const ServiceCase& service) {
        std::string error;
        auto stand_in = sim::PushStandIn::start(service.kind, QUILBEX_SIM_CERT_DIR, service.account, &error);
        EXPECT_TRUE(stand_in) << error;
        return stand_in;
    }
};

TEST_F(PushServices, each_service_gets_its_documented_request_and_its_answer_decides_the_result) {
    for (const ServiceCase& service : service_cases()) {
        SCOPED_TRACE(service.channel);
        auto stand_in = start(service);
        ASSERT_TRUE(stand_in);
        AlertConfig config = config_of(service.settings(stand_in->origin()));
        ASSERT_TRUE(config.problems.empty()) << config.problems[0].error;
        ASSERT_EQ(config.channels.size(), 1u);

        auto reports = send_alert_message(config, kMessage);
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_EQ(reports[0].channel, service.channel);
        EXPECT_EQ(reports[0].host, "127.0.0.1:" + std::to_string(stand_in->port()));
        EXPECT_TRUE(reports[0].sent) << reports[0].detail();
        EXPECT_EQ(reports[0].detail(), "HTTP 200");
        ASSERT_EQ(stand_in->requests().size(), 1u);
        const sim::Request request = stand_in->requests()[0];
        EXPECT_EQ(without_signature(request.head),
                  "POST " + service.target + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(stand_in->port()) +
                      "\r\nUser-Agent: Quilbex\r\nAccept: */*\r\n" + service.headers +
                      "Content-Length: " + std::to_string(request.body.size()) + "\r\n\r\n");
        EXPECT_EQ(without_signature(request.body), service.body);
        EXPECT_EQ(stand_in->messages().size(), 1u);

        // The same channel with another key: the service's refusal, in its words.
        sim::PushAccount other = service.account;
        other.key += "x";
        other.secret = other.secret.empty() ? "" : other.secret + "x";
        other.chat += "1";
        auto refusing = sim::PushStandIn::start(service.kind, QUILBEX_SIM_CERT_DIR, other);
        ASSERT_TRUE(refusing);
        auto refused = send_alert_message(config_of(service.settings(refusing->origin())), kMessage);
        ASSERT_EQ(refused.size(), 1u);
        EXPECT_FALSE(refused[0].sent);
        EXPECT_THAT(refused[0].detail(), HasSubstr(service.refusal));
        EXPECT_THAT(refused[0].detail(), Not(HasSubstr(service.account.key)));
    }
}

TEST_F(PushServices, a_signature_made_with_another_secret_or_an_old_timestamp_is_refused) {
    for (const char* channel : {"dingtalk", "feishu"}) {
        SCOPED_TRACE(channel);
        const auto cases = service_cases();
        const ServiceCase& service = *std::find_if(
            cases.begin(), cases.end(), [&](const ServiceCase& c) { return c.channel == std::string(channel); });
        sim::PushAccount other = service.account;
        other.secret = "another-secret";
        auto stand_in = sim::PushStandIn::start(service.kind, QUILBEX_SIM_CERT_DIR, other);
        ASSERT_TRUE(stand_in);
        auto reports = send_alert_message(config_of(service.settings(stand_in->origin())), kMessage);
        EXPECT_FALSE(reports[0].sent);
        EXPECT_THAT(reports[0].detail(), HasSubstr(channel == std::string("dingtalk") ? "310000" : "19021"));
        EXPECT_TRUE(stand_in->messages().empty());
    }
    // A request signed rightly two hours ago.
    auto stand_in =
        sim::PushStandIn::start(sim::PushKind::dingtalk, QUILBEX_SIM_CERT_DIR, sim::PushAccount{"tok", "sec", ""});
    ASSERT_TRUE(stand_in);
    std::string stamp = std::to_string((std::time(nullptr) - 7200) * 1000LL);
    std::string sign = percent_encode(base64(*hmac_sha256("sec", stamp + "\nsec")));
    auto old = exchange({stand_in->origin() + "/robot/send?access_token=tok&timestamp=" + stamp + "&sign=" + sign,
                         kJsonHeaders, R"({"msgtype":"text","text":{"content":"x"}})"});
    ASSERT_TRUE(old) << old.reason();
    EXPECT_EQ(old->body, R"({"errcode":310000,"errmsg":"invalid timestamp"})");
}

TEST_F(PushServices, a_text_longer_than_the_service_takes_is_cut_at_a_character_with_an_ellipsis) {
    AlertMessage long_message{"Quilbex", ""};
    for (int i = 0; i < 1500; ++i)
        long_message.text += "签";
    for (const ServiceCase& service : service_cases()) {
        if (service.channel != std::string("wecom") && service.channel != std::string("telegram"))
            continue;
        SCOPED_TRACE(service.channel);
        auto stand_in = start(service);
        auto reports = send_alert_message(config_of(service.settings(stand_in->origin())), long_message);
        EXPECT_TRUE(reports[0].sent) << reports[0].detail();
        ASSERT_EQ(stand_in->messages().size(), 1u);
        const std::string text = stand_in->messages()[0].text;
        EXPECT_THAT(text, ::testing::EndsWith("签…"));
        EXPECT_LE(text.size(), service.channel == std::string("wecom") ? 2048u : 4096u);
        EXPECT_GT(text.size(), service.channel == std::string("wecom") ? 2040u : 4080u);
    }
}

// Apprise reaches the services it knows only at their public address
// through its driver's redirect; the others at the stand-in's own address.
TEST_F(PushServices, apprise_sends_to_each_stand_in_it_supports_and_the_stand_in_takes_it) {
    struct AppriseCase {
        sim::PushKind kind;
        sim::PushAccount account;
        std::string url;  // "{port}" stands for the stand-in's port
        std::string real_origin;  // empty: reached at the stand-in's address
    };
    const std::vector<AppriseCase> cases = {
        {sim::PushKind::serverchan, {"SCT7k2secret", "", ""}, "schan://SCT7k2secret", "https://sctapi.ftqq.com"},
        {sim::PushKind::bark, {"barkSecretKey", "", ""}, "barks://127.0.0.1:{port}/barkSecretKey", ""},
        {sim::PushKind::dingtalk, {"ddSecretToken", "", ""}, "dingtalk://ddSecretToken/", "https://oapi.dingtalk.com"},
        {sim::PushKind::telegram,
         {"123456:tgSecretToken", "", "-10042"},
         "tgram://123456:tgSecretToken/-10042/",
         "https://api.telegram.org"},
        {sim::PushKind::ntfy, {"quilbex_alerts", "", ""}, "ntfys://127.0.0.1:{port}/quilbex_alerts", ""},
        {sim::PushKind::gotify, {"AgotifySecret", "", ""}, "gotifys://127.0.0.1:{port}/AgotifySecret", ""},
    };
    ::setenv("REQUESTS_CA_BUNDLE", QUILBEX_SIM_CERT_DIR "/ca.pem", 1);
    for (const AppriseCase& service : cases) {
        SCOPED_TRACE(service.url);
        auto stand_in = sim::PushStandIn::start(service.kind, QUILBEX_SIM_CERT_DIR, service.account);
        ASSERT_TRUE(stand_in);
        std::string url = std::regex_replace(service.url, std::regex("\\{port\\}"), std::to_string(stand_in->port()));
        std::vector<std::string> argv = {"/usr/bin/python3", QUILBEX_APPRISE_SEND, url, kMessage.title, kMessage.text};
        if (!service.real_origin.empty())
            argv.insert(argv.end(), {service.real_origin, stand_in->origin()});
        ChildResult sent = run_child(argv);
        EXPECT_TRUE(sent.ok()) << sent.status << sent.err;
        ASSERT_EQ(stand_in->messages().size(), 1u);
        EXPECT_THAT(stand_in->messages()[0].text, HasSubstr(kMessage.text));
    }
    ::unsetenv("REQUESTS_CA_BUNDLE");
}

}  // namespace
}  // namespace quilbex::app

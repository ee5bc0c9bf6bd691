// The texts an alert goes out as: the settings that decide where it may go,
// its webhook templates, and its mail message.

#include "app/alerts/AlertConfig.h"
#include "app/alerts/AlertEncoding.h"
#include "app/alerts/Alerts.h"
#include "app/alerts/MailChannel.h"
#include "app/alerts/MailMessage.h"
#include "app/alerts/WebhookChannel.h"

#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <map>
#include <unistd.h>

namespace quilbex::app {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

std::string unbase64(const std::string& text) {
    static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    unsigned bits = 0, count = 0;
    for (char c : text) {
        if (c == '=')
            break;
        bits = (bits << 6) | static_cast<unsigned>(alphabet.find(c));
        if ((count += 6) >= 8) {
            count -= 8;
            out += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    return out;
}

AlertConfig config_of(const std::string& notify_lines) {
    auto file = std::filesystem::temp_directory_path() / ("alert-config-" + std::to_string(::getpid()) + ".ini");
    std::ofstream(file, std::ios::binary) << "[NOTIFY]\r\n" << notify_lines;
    AlertConfig config = read_alert_config(file.string());
    std::filesystem::remove(file);
    return config;
}

TEST(AlertConfig, plain_http_goes_only_to_loopback_and_a_refusal_never_shows_the_address) {
    EXPECT_EQ(config_of("webhook=http://127.0.0.1:8080/k.send?t={title}\r\n").channels.size(), 1u);
    EXPECT_EQ(config_of("webhook=http://localhost/k.send\r\n").channels.size(), 1u);
    EXPECT_EQ(config_of("webhook=https://push.example.com/SECRETKEY.send\r\n").channels.size(), 1u);
    for (const char* refused : {"http://push.example.com/SECRETKEY.send", "http://127.0.0.1@evil.example/SECRETKEY",
                                "http://127.0.0.1.evil.example/SECRETKEY", "ftp://127.0.0.1/SECRETKEY",
                                "https://{title}.example/SECRETKEY", "push.example.com/SECRETKEY"}) {
        AlertConfig config = config_of(std::string("webhook=") + refused + "\r\n");
        EXPECT_TRUE(config.channels.empty()) << refused;
        ASSERT_EQ(config.problems.size(), 1u) << refused;
        EXPECT_THAT(config.problems[0].error + config.problems[0].host, Not(HasSubstr("SECRETKEY")));
    }
}

TEST(AlertConfig, mail_needs_an_smtp_address_a_sender_and_plain_recipients) {
    AlertConfig good = config_of("smtp=smtps://mail.example.com:465\r\nsmtp_user=zhang\r\nsmtp_password=pw\r\n"
                                 "mail_from=zhang@example.com\r\nmail_to=a@example.com, b@example.com\r\n");
    ASSERT_EQ(good.channels.size(), 1u);
    EXPECT_EQ(good.channels[0]->host(), "mail.example.com:465");
    const MailSettings& mail = dynamic_cast<const MailChannel&>(*good.channels[0]).settings();
    EXPECT_THAT(mail.to, ::testing::ElementsAre("a@example.com", "b@example.com"));

    for (const char* lines : {"smtp=imap://mail.example.com\r\nmail_from=a@b.c\r\nmail_to=a@b.c\r\n",
                              "smtp=smtp://mail.example.com\r\nmail_to=a@b.c\r\n",
                              "smtp=smtp://mail.example.com\r\nmail_from=a@b.c\r\nmail_to=a@b.c,\r\n",
                              "smtp=smtp://mail.example.com\r\nmail_from=a@b.c\r\nmail_to=x <a@b.c>\r\n"}) {
        AlertConfig config = config_of(lines);
        EXPECT_TRUE(config.channels.empty()) << lines;
        EXPECT_EQ(config.problems.size(), 1u) << lines;
    }
}

using Values = std::map<std::string, std::string>;

ValueLookup lookup_in(const Values& values) {
    return [values](const char* name) {
        auto found = values.find(name);
        return found == values.end() ? std::string() : found->second;
    };
}

std::vector<std::string> channel_names(const AlertConfig& config) {
    std::vector<std::string> names;
    for (const auto& channel : config.channels)
        names.push_back(channel->name() + " " + channel->host());
    for (const auto& problem : config.problems)
        names.push_back("problem " + problem.channel + ": " + problem.error);
    return names;
}

TEST(ChannelTable, the_panels_variables_are_read_only_when_the_file_names_no_channel) {
    const Values environment = {{"PUSH_KEY", "SCTkey"},
                                {"QYWX_KEY", "wc"},
                                {"TG_BOT_TOKEN", "1:tok"},
                                {"TG_USER_ID", "42"},
                                {"TG_API_HOST", "tg.example.net"},
                                {"NTFY_URL", "https://ntfy.example.org"},
                                {"NTFY_TOPIC", "alerts"},
                                {"SMTP_SERVER", "smtp.example.com:465"},
                                {"SMTP_SSL", "true"},
                                {"SMTP_EMAIL", "me@example.com"},
                                {"SMTP_PASSWORD", "pw"},
                                {"DD_BOT_SECRET", "only-a-secret"}};
    AlertConfig from_environment = alert_config_from(channel_table(), lookup_in({}), lookup_in(environment));
    EXPECT_TRUE(from_environment.from_environment);
    EXPECT_THAT(channel_names(from_environment),
                ::testing::ElementsAre("mail smtp.example.com:465", "serverchan sctapi.ftqq.com",
                                       "wecom qyapi.weixin.qq.com", "telegram tg.example.net",
                                       "ntfy ntfy.example.org"));
    const MailSettings& mail = dynamic_cast<const MailChannel&>(*from_environment.channels[0]).settings();
    EXPECT_EQ(mail.server, "smtps://smtp.example.com:465");
    EXPECT_EQ(mail.user, "me@example.com");
    EXPECT_THAT(mail.to, ::testing::ElementsAre("me@example.com"));

    AlertConfig from_file = alert_config_from(channel_table(), lookup_in({{"bark", "devicekey"}, {"when", "always"}}),
                                              lookup_in(environment));
    EXPECT_FALSE(from_file.from_environment);
    EXPECT_EQ(from_file.when, AlertWhen::always);
    EXPECT_THAT(channel_names(from_file), ::testing::ElementsAre("bark api.day.app"));
}

TEST(ChannelTable, a_new_row_is_all_it_takes_to_add_a_channel) {
    struct Echo final : AlertChannel {
        std::string name() const override { return "echo"; }
        std::string host() const override { return "echo.example"; }
        kernel::Result<std::string> send(const AlertMessage& message) override { return message.title; }
    };
    static constexpr ChannelKey kEchoKeys[] = {{"echo", "ECHO_KEY", true}};
    static const ChannelRow kEchoRow{"echo", kEchoKeys, [](const ChannelValues& values) {
                                         return values.get("echo") == "on"
                                                    ? ChannelBuild{std::make_shared<Echo>(), "", ""}
                                                    : ChannelBuild{nullptr, "", "echo 应为 on"};
                                     }};
    std::vector<const ChannelRow*> table(channel_table().begin(), channel_table().end());
    const Values settings = {{"echo", "on"}};
    EXPECT_FALSE(alert_config_from(table, lookup_in(settings), lookup_in({})).any());
    table.push_back(&kEchoRow);
    auto reports = send_alert_message(alert_config_from(table, lookup_in(settings), lookup_in({})), {"标题", "x"});
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].channel + " " + reports[0].detail(), "echo 标题");
    // Bytes that are not UTF-8 (from a folder's name, say) never reach a channel.
    EXPECT_EQ(send_alert_message(alert_config_from(table, lookup_in(settings), lookup_in({})), {"标\xB3题", "x"})
                  .at(0)
                  .detail(),
              "标\uFFFD题");
    EXPECT_THAT(channel_names(alert_config_from(table, lookup_in({}), lookup_in({{"ECHO_KEY", "off"}}))),
                ::testing::ElementsAre("problem echo: echo 应为 on"));

    // A good run alerts only when the member asked for every run.
    RunFacts facts;
    facts.member = "默认";
    AlertConfig on_failure = alert_config_from(table, lookup_in(settings), lookup_in({}));
    EXPECT_TRUE(send_alerts(on_failure, run_outcome(RunStatus::done), facts, 0).empty());
    EXPECT_EQ(send_alerts(on_failure, run_outcome(RunStatus::not_logged_in), facts, 0).at(0).detail(),
              "Quilbex 签到：未登录");
    AlertConfig always = alert_config_from(table, lookup_in({{"echo", "on"}, {"when", "always"}}), lookup_in({}));
    EXPECT_EQ(send_alerts(always, run_outcome(RunStatus::done), facts, 0).at(0).detail(), "Quilbex 签到：完成");
}

TEST(ChannelTable, half_configured_or_unsafe_channels_are_problems_that_never_show_the_key) {
    for (const Values& settings : std::vector<Values>{
             {{"telegram_token", "1:SECRETKEY"}},
             {{"gotify_token", "SECRETKEY"}},
             {{"wecom", "SECRETKEY"}, {"wecom_server", "http://wecom.example.com"}},
             {{"bark", "http://push.example.com/SECRETKEY"}},
             {{"ntfy", "https://ntfy.sh/SECRETKEY/../x y"}},
             {{"serverchan", "SECRETKEY/../../x"}},
             {{"when", "sometimes"}, {"serverchan", "SECRETKEY"}},
         }) {
        AlertConfig config = alert_config_from(channel_table(), lookup_in(settings), lookup_in({}));
        ASSERT_EQ(config.problems.size(), 1u) << settings.begin()->first;
        EXPECT_THAT(config.problems[0].error + config.problems[0].host, Not(HasSubstr("SECRETKEY")));
    }
}

TEST(AlertTexts, go_out_as_valid_utf8_cut_only_between_characters) {
    EXPECT_EQ(valid_utf8("成员：\xB3\xC9/srv\xE6\x88"), "成员：\uFFFD\uFFFD/srv\uFFFD\uFFFD");
    // Overlong, surrogate and beyond-U+10FFFF forms: each byte replaced.
    std::string nine;
    for (int i = 0; i < 9; ++i)
        nine += "\uFFFD";
    EXPECT_EQ(valid_utf8("\xC0\xAF\xED\xA0\x80\xF4\x90\x80\x80ok"), nine + "ok");
    EXPECT_EQ(cut_utf8("签到签到", 12), "签到签到");
    EXPECT_EQ(cut_utf8("签到签到", 11), "签到…");
    EXPECT_EQ(cut_utf8("ab签到", 7), "ab…");
}

TEST(WebhookTemplate, values_are_percent_encoded_in_addresses_and_json_escaped_in_json_bodies) {
    AlertMessage message{"签到 & \"失败\"", "第一行\n第二行\\ 100%"};
    EXPECT_EQ(fill_template("https://h/k.send?title={title}&x={other}", message, TemplateEncoding::percent),
              "https://h/k.send?title=%E7%AD%BE%E5%88%B0%20%26%20%22%E5%A4%B1%E8%B4%A5%22&x={other}");
    EXPECT_EQ(fill_template(R"({"title":"{title}","desp":"{text}"})", message, TemplateEncoding::json),
              R"({"title":"签到 & \"失败\"","desp":"第一行\n第二行\\ 100%"})");
    EXPECT_EQ(json_escape(std::string("a\x01\x1f", 3)), "a\\u0001\\u001F");
}

TEST(MailMessage, a_long_chinese_subject_is_folded_into_encoded_words_of_whole_characters) {
    std::string title = "Quilbex ";
    for (int i = 0; i < 40; ++i)
        title += "签到";
    std::string words = encoded_words(title);
    std::string decoded;
    std::size_t start = 0;
    while (start < words.size()) {
        std::size_t end = words.find("\r\n ", start);
        std::string word = words.substr(start, end == std::string::npos ? std::string::npos : end - start);
        EXPECT_LE(word.size(), 75u);
        ASSERT_EQ(word.rfind("=?UTF-8?B?", 0), 0u);
        std::string part = unbase64(word.substr(10, word.size() - 12));
        ASSERT_FALSE(part.empty());
        EXPECT_NE(static_cast<unsigned char>(part[0]) & 0xC0, 0x80) << "a word begins inside a character";
        decoded += part;
        start = end == std::string::npos ? words.size() : end + 3;
    }
    EXPECT_EQ(decoded, title);
}

TEST(MailMessage, has_the_mime_headers_and_crlf_lines_and_no_bare_line_feed) {
    AlertMessage message{"Quilbex 签到：未登录", "登录已失效\n成员：/srv/q\r\n时间：x"};
    std::string mail = mail_message("q@example.com", {"a@example.com", "b@example.com"}, message, 0, "u1");
    EXPECT_THAT(mail, HasSubstr("\r\nFrom: q@example.com\r\nTo: a@example.com, b@example.com\r\n"));
    EXPECT_THAT(mail,
                HasSubstr("\r\nMessage-ID: <u1@example.com>\r\nMIME-Version: 1.0\r\n"
                          "Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: base64\r\n\r\n"));
    EXPECT_THAT(mail, ::testing::StartsWith("Date: "));
    EXPECT_THAT(mail_message("q@example.com", {"a@example.com"}, message, 0, "u2", "签到 \"Q\""),
                HasSubstr("\r\nFrom: =?UTF-8?B?" + base64("签到 \"Q\"") + "?= <q@example.com>\r\n"));
    for (std::size_t i = 0; i < mail.size(); ++i) {
        if (mail[i] != '\n')
            continue;
        ASSERT_EQ(mail[i - 1], '\r') << "at " << i;
    }
    std::string body = mail.substr(mail.find("\r\n\r\n") + 4);
    body.erase(std::remove(body.begin(), body.end(), '\r'), body.end());
    body.erase(std::remove(body.begin(), body.end(), '\n'), body.end());
    EXPECT_EQ(unbase64(body), "登录已失效\r\n成员：/srv/q\r\n时间：x\r\n");
}

}  // namespace
}  // namespace quilbex::app

// The texts an alert goes out as: the settings that decide where it may go,
// its webhook templates, and its mail message.

#include "app/alerts/AlertConfig.h"
#include "app/alerts/AlertEncoding.h"
#include "app/alerts/MailMessage.h"
#include "app/alerts/WebhookChannel.h"

#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
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
    EXPECT_TRUE(config_of("webhook=http://127.0.0.1:8080/k.send?t={title}\r\n").webhook);
    EXPECT_TRUE(config_of("webhook=http://localhost/k.send\r\n").webhook);
    EXPECT_TRUE(config_of("webhook=https://push.example.com/SECRETKEY.send\r\n").webhook);
    for (const char* refused : {"http://push.example.com/SECRETKEY.send", "http://127.0.0.1@evil.example/SECRETKEY",
                                "http://127.0.0.1.evil.example/SECRETKEY", "ftp://127.0.0.1/SECRETKEY",
                                "https://{title}.example/SECRETKEY", "push.example.com/SECRETKEY"}) {
        AlertConfig config = config_of(std::string("webhook=") + refused + "\r\n");
        EXPECT_FALSE(config.webhook) << refused;
        ASSERT_EQ(config.problems.size(), 1u) << refused;
        EXPECT_THAT(config.problems[0].error + config.problems[0].host, Not(HasSubstr("SECRETKEY")));
    }
}

TEST(AlertConfig, mail_needs_an_smtp_address_a_sender_and_plain_recipients) {
    AlertConfig good = config_of("smtp=smtps://mail.example.com:465\r\nsmtp_user=zhang\r\nsmtp_password=pw\r\n"
                                 "mail_from=zhang@example.com\r\nmail_to=a@example.com, b@example.com\r\n");
    ASSERT_TRUE(good.mail);
    EXPECT_EQ(good.mail->host, "mail.example.com:465");
    EXPECT_THAT(good.mail->to, ::testing::ElementsAre("a@example.com", "b@example.com"));

    for (const char* lines : {"smtp=imap://mail.example.com\r\nmail_from=a@b.c\r\nmail_to=a@b.c\r\n",
                              "smtp=smtp://mail.example.com\r\nmail_to=a@b.c\r\n",
                              "smtp=smtp://mail.example.com\r\nmail_from=a@b.c\r\nmail_to=a@b.c,\r\n",
                              "smtp=smtp://mail.example.com\r\nmail_from=a@b.c\r\nmail_to=x <a@b.c>\r\n"}) {
        AlertConfig config = config_of(lines);
        EXPECT_FALSE(config.mail) << lines;
        EXPECT_EQ(config.problems.size(), 1u) << lines;
    }
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

#include "app/alerts/MailChannel.h"

#include "app/alerts/AlertTransfer.h"
#include "app/alerts/ChannelTable.h"
#include "app/alerts/MailMessage.h"

#include <algorithm>
#include <cstring>
#include <random>

namespace quilbex::app {

namespace {

struct Upload {
    const std::string& bytes;
    std::size_t sent = 0;
};

size_t read_message(char* buffer, size_t size, size_t count, void* user) {
    auto* upload = static_cast<Upload*>(user);
    std::size_t length = std::min(size * count, upload->bytes.size() - upload->sent);
    std::memcpy(buffer, upload->bytes.data() + upload->sent, length);
    upload->sent += length;
    return length;
}

std::string unique_part(std::time_t when) {
    std::random_device random;
    char text[64];
    std::snprintf(text, sizeof text, "quilbex.%lld.%08x%08x", static_cast<long long>(when), random(), random());
    return text;
}

}  // namespace

kernel::Result<std::string> MailChannel::send(const AlertMessage& message) {
    AlertTransfer transfer(m_settings.server, "smtp,smtps", true);
    if (!transfer)
        return kernel::Failure{kNoCurl};
    const auto& curl = wininet::curl();
    CURL* easy = transfer.get();
    // Without TLS (from the start, or after STARTTLS) the transfer fails
    // before the login.
    curl.easy_setopt(easy, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
    if (!m_settings.user.empty()) {
        curl.easy_setopt(easy, CURLOPT_USERNAME, m_settings.user.c_str());
        curl.easy_setopt(easy, CURLOPT_PASSWORD, m_settings.password.c_str());
    }
    const std::string from = "<" + m_settings.from + ">";
    curl.easy_setopt(easy, CURLOPT_MAIL_FROM, from.c_str());
    wininet::CurlSlistPtr recipients;
    for (const auto& address : m_settings.to)
        if (!wininet::append_header(recipients, ("<" + address + ">").c_str()))
            return kernel::Failure{"out of memory"};
    curl.easy_setopt(easy, CURLOPT_MAIL_RCPT, recipients.get());

    std::time_t now = std::time(nullptr);
    const std::string bytes =
        mail_message(m_settings.from, m_settings.to, message, now, unique_part(now), m_settings.from_name);
    Upload upload{bytes};
    curl.easy_setopt(easy, CURLOPT_UPLOAD, 1L);
    curl.easy_setopt(easy, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(bytes.size()));
    curl.easy_setopt(easy, CURLOPT_READFUNCTION, read_message);
    curl.easy_setopt(easy, CURLOPT_READDATA, &upload);

    CURLcode code = curl.easy_perform(easy);
    long reply = 0;
    curl.easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &reply);
    std::string answer = reply ? " (SMTP " + std::to_string(reply) + ")" : "";
    if (code != CURLE_OK)
        return kernel::Failure{transfer_error(code) + answer};
    return "SMTP " + std::to_string(reply);
}

namespace {

constexpr ChannelKey kKeys[] = {
    {"smtp", "SMTP_SERVER", true},      {"smtp_ssl", "SMTP_SSL"},    {"smtp_user", nullptr},
    {"smtp_password", "SMTP_PASSWORD"}, {"mail_from", "SMTP_EMAIL"}, {"mail_to", nullptr},
};

}  // namespace

extern const ChannelRow kMailRow{"mail", kKeys, read_mail};

}  // namespace quilbex::app

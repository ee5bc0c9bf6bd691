#include "app/alerts/MailMessage.h"

#include "app/alerts/AlertEncoding.h"

#include <cstdio>
#include <cstdlib>

namespace quilbex::app {

namespace {

// RFC 5322's date, with English names whatever the locale.
std::string mail_date(std::time_t when) {
    static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm local{};
    localtime_r(&when, &local);
    long offset = local.tm_gmtoff / 60;
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d %c%02ld%02ld", kDays[local.tm_wday],
                  local.tm_mday, kMonths[local.tm_mon], local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec,
                  offset < 0 ? '-' : '+', std::labs(offset) / 60, std::labs(offset) % 60);
    return text;
}

// The text with every line break as CR LF and no lone CR.
std::string crlf_lines(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\r')
            continue;
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out + "\r\n";
}

std::string base64_lines(const std::string& bytes) {
    std::string encoded = base64(bytes);
    std::string out;
    for (std::size_t i = 0; i < encoded.size(); i += 76)
        out += encoded.substr(i, 76) + "\r\n";
    return out;
}

}  // namespace

std::string mail_message(const std::string& from, const std::vector<std::string>& to, const AlertMessage& message,
                         std::time_t when, const std::string& unique, const std::string& from_name) {
    std::string recipients;
    for (const auto& address : to)
        recipients += (recipients.empty() ? "" : ", ") + address;
    std::string domain = from.substr(from.find('@') + 1);
    return "Date: " + mail_date(when) + "\r\n" +  //
           "From: " + (from_name.empty() ? from : encoded_words(from_name) + " <" + from + ">") + "\r\n" +  //
           "To: " + recipients + "\r\n" +  //
           "Subject: " + encoded_words(message.title) + "\r\n" +  //
           "Message-ID: <" + unique + "@" + domain + ">\r\n" +  //
           "MIME-Version: 1.0\r\n"
           "Content-Type: text/plain; charset=UTF-8\r\n"
           "Content-Transfer-Encoding: base64\r\n"
           "\r\n" +
           base64_lines(crlf_lines(message.text));
}

}  // namespace quilbex::app

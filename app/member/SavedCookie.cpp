#include "app/member/SavedCookie.h"

#include "app/member/History.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/MemberFolders.h"
#include "platform/kernel/Paths.h"
#include "platform/kernel/ProfileFile.h"

#include <charconv>
#include <sys/stat.h>
#include <vector>

namespace quilbex::app {

namespace {

constexpr const char* kSection = "COOKIE";
constexpr const char* kCookieKey = "cookie";
constexpr const char* kExpiresKey = "expires";
constexpr std::int64_t kSecondsPerDay = 86400;

std::string read_key(const std::string& file, const char* key) {
    // A cookie text of a few kilobytes is common; 64 KiB holds any the forum sets.
    std::vector<char> buffer(65536);
    kernel::GetPrivateProfileStringA(kSection, key, "", buffer.data(), static_cast<win::DWORD>(buffer.size()),
                                     file.c_str());
    return buffer.data();
}

std::optional<std::int64_t> whole_number(const std::string& text) {
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value < 0)
        return std::nullopt;
    return value;
}

}  // namespace

std::string member_cookie_file() { return kernel::program_folder_text() + "\\" + kernel::kCookieFileName; }

SavedCookie read_saved_cookie(const std::string& file) {
    return {read_key(file, kCookieKey), whole_number(read_key(file, kExpiresKey))};
}

bool save_cookie_expiry(const std::string& file, std::optional<std::int64_t> expires) {
    std::string value = expires ? std::to_string(*expires) : std::string();
    return kernel::WritePrivateProfileStringA(kSection, kExpiresKey, expires ? value.c_str() : nullptr, file.c_str());
}

bool save_cookie(const std::string& file, const SavedCookie& saved) {
    bool written = kernel::WritePrivateProfileStringA(kSection, kCookieKey, saved.cookie.c_str(), file.c_str()) &&
                   save_cookie_expiry(file, saved.expires);
    // The login is the member's alone, whichever layout the file lives in.
    return written && ::chmod(kernel::native_path(file).c_str(), 0600) == 0;
}

std::string describe_cookie_expiry(std::optional<std::int64_t> expires) {
    if (!expires || *expires == kSessionCookie)
        return "Cookie 有效期未知";
    return "Cookie 有效至 " + local_time_text(static_cast<std::time_t>(*expires));
}

std::optional<int> days_until_expiry(std::optional<std::int64_t> expires, std::time_t now, int warn_days) {
    if (!expires || *expires == kSessionCookie)
        return std::nullopt;
    const std::int64_t left = *expires - static_cast<std::int64_t>(now);
    if (left > static_cast<std::int64_t>(warn_days) * kSecondsPerDay)
        return std::nullopt;
    // Whole days still to go: 2.5 days left is "2 days", a past expiry negative.
    return static_cast<int>(left >= 0 ? left / kSecondsPerDay : -((-left + kSecondsPerDay - 1) / kSecondsPerDay));
}

}  // namespace quilbex::app

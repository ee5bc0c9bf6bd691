#pragma once
// The member's saved login: Cookie.ini's COOKIE section. `cookie` is the
// cookie text (GBK) that the window's "保存" writes; `expires` is kept beside
// it when the login's expiry is known: when the forum's login cookie
// (BBS_UNAME) ends, in seconds since the epoch, 0 for a cookie that lasts
// only as long as the browser session. Readers that know only `cookie` never
// look at the second key.
//
// File names are the program's file names (GBK, "\" or "/"), as the
// profile functions take them; member_cookie_file() names this process's.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace quilbex::app {

inline constexpr const char* kLoginCookieName = "BBS_UNAME";
inline constexpr std::int64_t kSessionCookie = 0;

struct SavedCookie {
    std::string cookie;  // GBK, as stored
    std::optional<std::int64_t> expires;  // nothing: not known
};

// "<program folder>\Cookie.ini", which the kernel puts where the member's files live.
std::string member_cookie_file();

// What the file holds; an `expires` that is not a whole number counts as not known.
SavedCookie read_saved_cookie(const std::string& file);

// Writes both keys; an unknown expiry removes a stale `expires`. The file
// gets mode 0600 (it holds the login). False when a key could not be written.
bool save_cookie(const std::string& file, const SavedCookie& saved);

// Writes only `expires` (or removes it), beside a `cookie` saved by someone else.
bool save_cookie_expiry(const std::string& file, std::optional<std::int64_t> expires);

// "Cookie 有效至 2026-12-10 08:00:00", "Cookie 有效期未知" (UTF-8, local time).
std::string describe_cookie_expiry(std::optional<std::int64_t> expires);

// Days left before `expires` when `now` lies within `warn_days` days of it (0
// on its last day, negative once it has passed); nothing when the expiry is
// unknown, a session cookie's or further away.
std::optional<int> days_until_expiry(std::optional<std::int64_t> expires, std::time_t now, int warn_days);

}  // namespace quilbex::app

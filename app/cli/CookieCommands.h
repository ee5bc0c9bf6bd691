#pragma once
// Moving a login between machines: --export-cookie prints the member's saved
// cookie and its expiry, --import-cookie reads one and saves it for the
// member. What export prints, import reads back:
//
//   Cookie: BBS_UNAME=...; UM_distinctid=...
//   Expires: 1765432100 (2025-12-11 13:48:20)
//
// Import also takes a "Cookie: ..." header line copied from a browser, the
// bare cookie text, or a whole Cookie.ini ([COOKIE] cookie=, expires=).

#include <cstdint>
#include <optional>
#include <string>

namespace quilbex::app {

struct ImportedCookie {
    std::string cookie;  // GBK, as Cookie.ini keeps it
    std::optional<std::int64_t> expires;
};

struct ParsedCookieText {
    std::optional<ImportedCookie> cookie;
    std::string refusal;  // UTF-8, why the text was not taken, when `cookie` is empty
};

// Reads one of the accepted forms. A text that is well-formed UTF-8 is taken
// as UTF-8, any other as GBK. Refused: no cookie text, a cookie without the
// forum's login cookie (BBS_UNAME with a value), control characters in it.
ParsedCookieText parse_cookie_text(const std::string& text);

// The export format above, for a saved cookie (GBK); the expiry line only
// when it is known.
std::string format_cookie_export(const std::string& cookie_gbk, std::optional<std::int64_t> expires);

// --export-cookie: 0, or 2 when the member has no saved cookie.
int export_cookie();

// --import-cookie [FILE|-]: "-" reads standard input. 0 when saved; 1 when
// the text was refused or could not be read or saved.
int import_cookie(const std::string& source);

}  // namespace quilbex::app

#pragma once
// Cookie texts: items "name=value" joined by "; ", as a browser sends them.
// There is no store, expiry, domain or path: a cookie is a name and a value,
// and the attributes after the first ";" of a Set-Cookie header are dropped.
// All texts are GBK; every routine returns a new text (null = empty).

#include "app/net/TextOps.h"

namespace quilbex::app {

// The cookies that a response sets, from its raw header text: one item per
// "Set-Cookie: " line (that exact spelling), in order, joined by "; ".
Text collect_set_cookies(const char* headers);

// Merges the returned cookies into the sent ones: a returned cookie wins over
// a sent one of the same name, of several sent cookies with one name only the
// first survives, items ending in "=deleted" are dropped and exact duplicates
// removed. The result is the returned items, then the kept sent items; it is
// also left in `sent`.
Text merge_cookies(Text& sent, const char* returned);

// The name of one item: the bytes before its first "=", or the whole item,
// trimmed of spaces.
Text cookie_name(const char* item);

// The text without repeated items (byte-for-byte equal), first ones kept.
Text remove_duplicate_items(const char* text, const char* separator);

// The value of the cookie whose name is exactly `name` (without "=", letter
// case ignored), wherever it stands in the text, the last item included. The
// value runs to the next ";" or the end of the text and is neither trimmed
// nor decoded. A missing cookie and an empty value both give the empty text.
Text read_cookie(const char* cookies, const char* name);

}  // namespace quilbex::app

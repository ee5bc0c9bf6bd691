#pragma once
// An alert as an Internet mail message (RFC 5322), every line ending in
// CR LF:
//
//   Date: Mon, 07 Dec 2026 08:31:02 +0800
//   From: quilbex@example.com
//   To: zhang@example.com, li@example.com
//   Subject: =?UTF-8?B?...?=          the title as RFC 2047 encoded words
//   Message-ID: <...@example.com>
//   MIME-Version: 1.0
//   Content-Type: text/plain; charset=UTF-8
//   Content-Transfer-Encoding: base64
//
//   the text with CR LF line ends, in base64 lines of 76 characters
//
// Base64 keeps every line short and 7-bit whatever the text holds, so no
// server needs 8BITMIME and no line of the text can be taken for the end of
// the message.

#include "app/alerts/AlertMessage.h"

#include <ctime>
#include <string>
#include <vector>

namespace quilbex::app {

// The addresses must be plain "local@domain" (AlertConfig checks them).
// `unique` makes the Message-ID's left part. A sender's name, when given,
// goes before the address as RFC 2047 encoded words.
std::string mail_message(const std::string& from, const std::vector<std::string>& to, const AlertMessage& message,
                         std::time_t when, const std::string& unique, const std::string& from_name = "");

}  // namespace quilbex::app

#pragma once
// HMAC-SHA256 for the push services that sign their requests (the DingTalk
// and Feishu group bots). OpenSSL's functions are looked up at run time
// through libcurl's handle, from the same OpenSSL that libcurl was linked
// with, as the trust store's are: a run that sends no signed alert never
// needs them.

#include <optional>
#include <string>
#include <string_view>

namespace quilbex::app {

// The 32 raw bytes of HMAC-SHA256(key, message); nothing when libcurl or
// OpenSSL's functions cannot be found.
std::optional<std::string> hmac_sha256(std::string_view key, std::string_view message);

}  // namespace quilbex::app

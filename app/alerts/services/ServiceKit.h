#pragma once
// Helpers for the push services' rows: the pieces every service file uses
// to read its keys and put its request together.

#include "app/alerts/AlertConfig.h"
#include "app/alerts/AlertEncoding.h"
#include "app/alerts/ServiceChannel.h"

#include <string>

namespace quilbex::app::services {

// A JSON string literal of `text`.
inline std::string json_text(const std::string& text) { return "\"" + json_escape(text) + "\""; }

// The title and the text as one text, for services that take only one, cut
// to `max_bytes` (0: no limit).
std::string one_text(const AlertMessage& message, std::size_t max_bytes);

// Whether a key or token can stand as one part of an address as it is:
// letters, digits and "-_.:@" only (no '/', '?', '#', '%' or space).
bool plain_token(const std::string& token);

// A build that failed for `error`, with the host known so far.
ChannelBuild refused(std::string error, std::string host = "");

// The channel `name` sending to `base` (already checked by service_base);
// its host is taken from `base`. `secrets` are masked in what the service
// answers.
ChannelBuild service(const char* name, const std::string& base, ServiceChannel::Build build, AnswerRule rule,
                     std::vector<std::string> secrets);

}  // namespace quilbex::app::services

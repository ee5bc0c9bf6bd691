#pragma once
// The alert channels, one row each. A row names the channel, lists its keys
// in Config.ini's [NOTIFY] section together with the environment variable
// that check-in panels use for the same value, and builds the channel from
// the values read. Adding a channel is one file that defines its row and one
// line in channel_table().
//
// A channel is configured when any of its keys marked `names_channel` has a
// value. The environment is read only when [NOTIFY] configures no channel at
// all, so a member's file always wins over what a panel left behind.

#include "app/alerts/AlertChannel.h"

#include <map>
#include <memory>
#include <span>
#include <string>

namespace quilbex::app {

struct ChannelKey {
    const char* key;  // in [NOTIFY]
    const char* env;  // the panels' environment variable, or nullptr
    bool names_channel = false;
};

// The values of one row's keys (UTF-8); a key that is not set reads empty.
class ChannelValues {
public:
    void set(const std::string& key, std::string value) { m_values[key] = std::move(value); }
    std::string get(const std::string& key) const {
        auto found = m_values.find(key);
        return found == m_values.end() ? "" : found->second;
    }

private:
    std::map<std::string, std::string> m_values;
};

// A built channel, or the reason it cannot be used (never a secret). `host`
// names where it would go, as far as that is known.
struct ChannelBuild {
    std::shared_ptr<AlertChannel> channel;
    std::string host;
    std::string error;
};

struct ChannelRow {
    const char* name;
    std::span<const ChannelKey> keys;
    ChannelBuild (*build)(const ChannelValues& values);
};

// Every channel, in the order alerts go out.
std::span<const ChannelRow* const> channel_table();

}  // namespace quilbex::app

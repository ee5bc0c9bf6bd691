#pragma once
// The browser control's property block. Unlike the runtime's own units it
// stores zero-terminated texts:
//
//   u32 version (written as 1; above 1 is refused)
//   i32 disable F5 reload, i32 cookie mode
//   address, cache directory, cookie directory (GBK), user agent: each a
//   zero-terminated text
//   i32 new-window navigation
//
// An empty block leaves every field empty or zero.

#include "forms/blocks/BlockStream.h"

namespace quilbex::forms {

struct BrowserBlock {
    static constexpr std::uint32_t kMaxVersion = 1;

    std::int32_t disable_f5_reload = 0;
    std::int32_t cookie_mode = 0;
    std::string address;
    std::string cache_directory;
    std::string cookie_directory;
    std::string user_agent;
    std::int32_t new_window_navigation = 0;

    bool operator==(const BrowserBlock&) const = default;
};

Parsed<BrowserBlock> read_browser_block(std::span<const std::uint8_t> block);
// Fails for a text that contains a zero byte.
Parsed<Bytes> write_browser_block(const BrowserBlock& block);

}  // namespace quilbex::forms

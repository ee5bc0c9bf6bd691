#include "forms/blocks/BrowserBlock.h"

namespace quilbex::forms {

Parsed<BrowserBlock> read_browser_block(std::span<const std::uint8_t> data) {
    BrowserBlock b;
    if (data.empty())
        return b;
    ByteReader in(data);
    read_block_version(in, BrowserBlock::kMaxVersion, "browser");
    b.disable_f5_reload = in.i32("disable F5 reload");
    b.cookie_mode = in.i32("cookie mode");
    b.address = in.zero_text("address");
    b.cache_directory = in.zero_text("cache directory");
    b.cookie_directory = in.zero_text("cookie directory");
    b.user_agent = in.zero_text("user agent");
    b.new_window_navigation = in.i32("new-window navigation");
    return finish_block(in, std::move(b), "browser");
}

Parsed<Bytes> write_browser_block(const BrowserBlock& b) {
    ByteWriter out;
    out.u32(1);
    out.i32(b.disable_f5_reload);
    out.i32(b.cookie_mode);
    out.zero_text(b.address, "address");
    out.zero_text(b.cache_directory, "cache directory");
    out.zero_text(b.cookie_directory, "cookie directory");
    out.zero_text(b.user_agent, "user agent");
    out.i32(b.new_window_navigation);
    return finish(out);
}

}  // namespace quilbex::forms

#include "forms/blocks/TimerBlock.h"

namespace quilbex::forms {

Parsed<TimerBlock> read_timer_block(std::span<const std::uint8_t> data) {
    TimerBlock b;
    if (data.empty())
        return b;
    ByteReader in(data);
    b.version = read_block_version(in, TimerBlock::kMaxVersion, "timer");
    b.interval = in.i32("interval");
    return finish_block(in, std::move(b), "timer");
}

Parsed<Bytes> write_timer_block(const TimerBlock& b) {
    ByteWriter out;
    if (b.version > TimerBlock::kMaxVersion)
        out.fail("timer block version above 1");
    out.u32(b.version);
    out.i32(b.interval);
    return finish(out);
}

}  // namespace quilbex::forms

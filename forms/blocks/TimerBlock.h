#pragma once
// The timer unit's property block: version (0 or 1), then the interval in
// milliseconds (0 or less: stopped). An empty block gives a stopped timer.

#include "forms/blocks/BlockStream.h"

namespace quilbex::forms {

struct TimerBlock {
    static constexpr std::uint32_t kMaxVersion = 1;

    std::uint32_t version = kMaxVersion;
    std::int32_t interval = 0;

    bool operator==(const TimerBlock&) const = default;
};

Parsed<TimerBlock> read_timer_block(std::span<const std::uint8_t> block);
Parsed<Bytes> write_timer_block(const TimerBlock& block);

}  // namespace quilbex::forms

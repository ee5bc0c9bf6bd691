#pragma once
// The time source of timers and message times. The real clock follows the
// monotonic system clock; the virtual clock moves only when told to, so that
// timer tests are exact and fast.

#include <atomic>
#include <cstdint>

namespace quilbex::ui {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary fixed start.
    virtual std::int64_t now_ms() const = 0;
    // True for a clock that only moves by advance_to().
    virtual bool is_virtual() const = 0;
    // Moves a virtual clock forward to `ms` (never backward); ignored by the real clock.
    virtual void advance_to(std::int64_t ms) = 0;
};

class SteadyClock final : public Clock {
public:
    std::int64_t now_ms() const override;
    bool is_virtual() const override { return false; }
    void advance_to(std::int64_t) override {}
};

class VirtualClock final : public Clock {
public:
    std::int64_t now_ms() const override { return m_now.load(); }
    bool is_virtual() const override { return true; }
    void advance_to(std::int64_t ms) override;

private:
    std::atomic<std::int64_t> m_now{0};
};

}  // namespace quilbex::ui

#pragma once
// The timer unit ("时钟"): a window unit without a visible window that raises
// its event 0 every interval milliseconds while the interval is positive.
// Ticks are WM_TIMER messages of system timer 1000 on its hidden window, so
// they arrive through the main thread's message loop.

#include "forms/blocks/TimerBlock.h"
#include "forms/units/UnitBase.h"

namespace quilbex::forms {

class TimerUnit final : public UnitBase {
public:
    static constexpr ui::UINT_PTR kTimerId = 1000;
    static constexpr const char* kClassName = "_QV_Timer";

    static UnitObject* create(const UnitCreateArgs& args);

    std::int32_t interval() const { return m_block.interval; }
    // A negative interval counts as 0; the same interval keeps the running
    // timer (and its phase); a positive one (re)starts it, 0 stops it.
    void set_interval(std::int64_t value);
    bool running() const { return m_running; }
    const TimerBlock& block() const { return m_block; }

private:
    TimerUnit(const UnitCreateArgs& args, TimerBlock block);
    ui::LRESULT handle_message(ui::UINT message, ui::WPARAM wparam, ui::LPARAM lparam) override;
    void start();
    void stop();

    TimerBlock m_block;
    std::int32_t m_design_mode;
    bool m_running = false;
};

}  // namespace quilbex::forms

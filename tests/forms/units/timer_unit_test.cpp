// The timer: ticks on the window thread's loop, an interval change that keeps
// or restarts the phase, stopping, and ticks lost while dispatch is suspended.

#include "UnitsFixture.h"
#include "forms/blocks/TimerBlock.h"
#include "forms/blocks/WindowBlock.h"
#include "forms/units/TimerUnit.h"
#include "platform/ui/WindowSystem.h"
#include "runtime/Notifications.h"

#include <gtest/gtest.h>

namespace quilbex::testing {
namespace {

using forms::TimerBlock;
constexpr std::uint32_t kTimer = control_id(2);
constexpr std::uint32_t kTick = 1;
constexpr std::int32_t kInterval = 8;  // unit property 0

class TimerUnitTest : public ::testing::Test {
protected:
    void start_with(std::int32_t interval) {
        program.add_window(kWindowId, block_bytes(forms::WindowBlock{}, forms::write_window_block));
        TimerBlock block;
        block.interval = interval;
        program.add_unit(kWindowId, kTimer, forms::kTimerType, block_bytes(block, forms::write_timer_block),
                         {5, 5, 37, 37});
        program.bind(kWindowId, kTimer, 0, kTick);
        program.start();
        ASSERT_TRUE(program.load());
        program.clear_runs();
    }
    std::size_t ticks() const { return program.runs_of(kTick); }

    UnitsProgram program;
};

TEST_F(TimerUnitTest, ticks_once_per_interval_from_the_loop_and_stays_hidden) {
    start_with(1000);
    EXPECT_FALSE(ui::IsWindowVisible(program.hwnd(kTimer)));
    program.backend().advance_time(999);
    EXPECT_EQ(ticks(), 0u);
    program.backend().advance_time(1);
    EXPECT_EQ(ticks(), 1u);
    program.backend().advance_time(4000);
    EXPECT_EQ(ticks(), 5u);
    EXPECT_EQ(program.runs().back().unit_id, kTimer);
}

TEST_F(TimerUnitTest, same_interval_keeps_the_phase_and_a_new_one_restarts_it) {
    start_with(1000);
    program.backend().advance_time(600);
    write_number(kWindowId, kTimer, kInterval, 1000);
    program.backend().advance_time(400);
    EXPECT_EQ(ticks(), 1u) << "the tick due at 1000 ms must keep its time";

    program.backend().advance_time(600);  // 1600 ms: a new interval starts counting now
    write_number(kWindowId, kTimer, kInterval, 500);
    program.backend().advance_time(499);
    EXPECT_EQ(ticks(), 1u);
    program.backend().advance_time(1);
    EXPECT_EQ(ticks(), 2u);
}

TEST_F(TimerUnitTest, negative_interval_stops_and_reads_back_as_zero) {
    start_with(100);
    write_number(kWindowId, kTimer, kInterval, -5);
    EXPECT_EQ(read_number(kWindowId, kTimer, kInterval), 0u);
    program.backend().advance_time(1000);
    EXPECT_EQ(ticks(), 0u);
    // Starting again from 0 works like any other change.
    write_number(kWindowId, kTimer, kInterval, 100);
    program.backend().advance_time(100);
    EXPECT_EQ(ticks(), 1u);
}

TEST_F(TimerUnitTest, empty_block_gives_a_stopped_timer_that_a_write_starts) {
    program.add_window(kWindowId, {});
    program.add_unit(kWindowId, kTimer, forms::kTimerType, {}, {0, 0, 10, 10});
    program.bind(kWindowId, kTimer, 0, kTick);
    program.start();
    ASSERT_TRUE(program.load());
    program.backend().advance_time(5000);
    EXPECT_EQ(ticks(), 0u);
    write_number(kWindowId, kTimer, kInterval, 250);
    program.backend().advance_time(1000);
    EXPECT_EQ(ticks(), 4u);
}

TEST_F(TimerUnitTest, ticks_do_not_reach_handlers_while_dispatch_is_suspended) {
    start_with(100);
    rt::runtime_notify(2009, 0, 0);
    program.backend().advance_time(300);
    EXPECT_EQ(ticks(), 0u);
    rt::runtime_notify(2010, 0, 0);
    program.backend().advance_time(100);
    EXPECT_EQ(ticks(), 1u);
}

TEST_F(TimerUnitTest, closing_the_window_kills_the_timer) {
    start_with(100);
    ui::HWND window = program.hwnd(kWindowId, kWindowRecord | 1);
    ASSERT_NE(window, nullptr);
    ui::SendMessageA(window, ui::WM_CLOSE, 0, 0);
    EXPECT_FALSE(ui::IsWindow(window));
    EXPECT_EQ(ui::WindowSystem::the().timer_count(), 0u);
    program.backend().advance_time(1000);
    EXPECT_EQ(ticks(), 0u);
}

}  // namespace
}  // namespace quilbex::testing

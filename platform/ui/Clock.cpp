#include "platform/ui/Clock.h"

#include <chrono>

namespace quilbex::ui {

std::int64_t SteadyClock::now_ms() const {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void VirtualClock::advance_to(std::int64_t ms) {
    std::int64_t current = m_now.load();
    while (ms > current && !m_now.compare_exchange_weak(current, ms)) {}
}

}  // namespace quilbex::ui

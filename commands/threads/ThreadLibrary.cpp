#include "commands/threads/ThreadCommands.h"

#include <atomic>
#include <forward_list>
#include <mutex>

namespace quilbex::commands::lib {
namespace {

std::atomic<rt::RuntimeNotify> g_runtime{nullptr};

// The critical sections this library's commands create, deleted at the end
// of the program. The program creates none today; the list keeps the
// library's end-of-program duty in one place.
struct CriticalSections {
    std::mutex guard;
    std::forward_list<std::mutex> sections;
};

CriticalSections& critical_sections() {
    static CriticalSections list;
    return list;
}

}  // namespace

std::int32_t thread_library_notify(std::uint32_t code, std::uintptr_t arg1, std::uintptr_t) {
    switch (code) {
    case 1: g_runtime = reinterpret_cast<rt::RuntimeNotify>(arg1); return 0;
    case 6: {
        auto& list = critical_sections();
        std::lock_guard lock(list.guard);
        list.sections.clear();
        return 0;
    }
    default: return -1;
    }
}

rt::RuntimeNotify thread_library_runtime() { return g_runtime.load(); }

}  // namespace quilbex::commands::lib

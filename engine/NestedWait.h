#pragma once
// Runs an asynchronous GLib operation to completion for a caller that must
// answer synchronously, by iterating the thread's main context until the
// operation reports back or a time limit passes.
//
// Other sources of the main context (including engine callbacks into the
// program) may run during the wait. The completion state is shared with the
// callback, so a callback that arrives after a timed-out wait is harmless.

#include <algorithm>
#include <chrono>
#include <glib.h>
#include <memory>

namespace quilbex::engine {

template <typename Result> struct AsyncSlot {
    bool done = false;
    Result result{};
};

// The time WebKit's cookie store gets to answer.
inline constexpr std::chrono::milliseconds kCookieWaitLimit{5000};

// Iterates the main context until `slot->done` or `limit` has passed.
// Returns whether the operation completed.
template <typename Result>
bool wait_for(const std::shared_ptr<AsyncSlot<Result>>& slot, std::chrono::milliseconds limit) {
    GMainContext* context = g_main_context_get_thread_default();
    if (!context)
        context = g_main_context_default();
    const gint64 deadline = g_get_monotonic_time() + static_cast<gint64>(limit.count()) * 1000;
    while (!slot->done) {
        const gint64 now = g_get_monotonic_time();
        if (now >= deadline)
            break;
        // A short timer wakes the blocking iteration in time for the deadline.
        const gint64 wake_ms = std::clamp<gint64>((deadline - now) / 1000 + 1, 1, 50);
        GSource* wake = g_timeout_source_new(static_cast<guint>(wake_ms));
        g_source_set_callback(
            wake, [](gpointer) -> gboolean { return G_SOURCE_REMOVE; }, nullptr, nullptr);
        g_source_attach(wake, context);
        g_main_context_iteration(context, TRUE);
        g_source_destroy(wake);
        g_source_unref(wake);
    }
    return slot->done;
}

}  // namespace quilbex::engine

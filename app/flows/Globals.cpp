#include "app/flows/Globals.h"

#include "runtime/Memory.h"

#include <cstring>
#include <mutex>

namespace quilbex::app {

std::atomic<std::int32_t> quote_thread{0};
std::atomic<std::int32_t> lottery_thread{0};
std::atomic<std::int32_t> lottery_method{0};

namespace {

std::mutex& cookie_mutex() {
    static std::mutex mutex;
    return mutex;
}

commands::Text& forum_cookie() {
    static commands::Text text;
    return text;
}

}  // namespace

void set_forum_cookie(const char* text) {
    commands::Text copy(rt::make_text(text ? text : ""));
    std::lock_guard lock(cookie_mutex());
    forum_cookie().swap(copy);
}

commands::Text forum_cookie_copy() {
    std::lock_guard lock(cookie_mutex());
    const char* text = forum_cookie().get();
    return commands::Text(rt::make_text(text ? text : ""));
}

void release_forum_cookie() {
    commands::Text old;
    std::lock_guard lock(cookie_mutex());
    forum_cookie().swap(old);
}

}  // namespace quilbex::app

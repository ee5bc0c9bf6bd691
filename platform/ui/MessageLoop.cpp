// Sent and posted messages, calls carried over from other threads, the
// message-loop primitives, input delivery and timers.

#include "platform/ui/Messages.h"
#include "platform/ui/WindowSystem.h"

#include <algorithm>

namespace quilbex::ui {

namespace {

bool in_range(UINT message, UINT min, UINT max) { return (min == 0 && max == 0) || (message >= min && message <= max); }

}  // namespace

DWORD WindowSystem::message_time() const { return static_cast<DWORD>(m_backend->clock().now_ms()); }

bool WindowSystem::call_on_window_thread(const std::function<void()>& task, HWND target) {
    if (on_window_thread()) {
        task();
        return true;
    }
    auto call = std::make_shared<SentCall>();
    call->task = task;
    call->target = target;
    {
        std::lock_guard lock(m_queue_mutex);
        // Checked under the queue lock: a window destroyed after this point
        // finds the call queued and releases it.
        if (m_closing || (target && !is_window(target)))
            return false;
        m_sent.push_back(call);
        ++m_waiting_senders;
    }
    m_backend->wake();
    std::unique_lock lock(m_queue_mutex);
    m_call_done.wait(lock, [&] { return call->done; });
    --m_waiting_senders;
    if (m_closing)
        m_call_done.notify_all();  // the destructor may be waiting for the last sender
    return call->ran;
}

void WindowSystem::process_sent_calls() {
    for (;;) {
        std::shared_ptr<SentCall> call;
        {
            std::lock_guard lock(m_queue_mutex);
            if (m_sent.empty())
                return;
            call = m_sent.front();
            m_sent.pop_front();
        }
        bool run = !call->target || find(call->target) != nullptr;
        if (run) {
            ++m_dispatch_depth;
            call->task();
            --m_dispatch_depth;
        }
        {
            std::lock_guard lock(m_queue_mutex);
            call->done = true;
            call->ran = run;
        }
        m_call_done.notify_all();
    }
}

void WindowSystem::release_calls_for(HWND handle) {
    std::lock_guard lock(m_queue_mutex);
    bool any = false;
    std::erase_if(m_sent, [&](const std::shared_ptr<SentCall>& call) {
        if (call->target != handle)
            return false;
        call->done = true;
        call->ran = false;
        any = true;
        return true;
    });
    if (any)
        m_call_done.notify_all();
}

void WindowSystem::fail_all_calls() {
    std::lock_guard lock(m_queue_mutex);
    m_closing = true;
    for (auto& call : m_sent) {
        call->done = true;
        call->ran = false;
    }
    m_sent.clear();
    m_call_done.notify_all();
}

LRESULT WindowSystem::send_message(HWND handle, UINT message, WPARAM wparam, LPARAM lparam) {
    if (!on_window_thread()) {
        LRESULT result = 0;
        call_on_window_thread([&] { result = send_message(handle, message, wparam, lparam); }, handle);
        return result;
    }
    Window* w = find(handle);
    if (!w || !w->procedure)
        return 0;
    WNDPROC proc = w->procedure;
    ++m_dispatch_depth;
    LRESULT result = proc(handle, message, wparam, lparam);
    --m_dispatch_depth;
    collect_garbage();
    return result;
}

bool WindowSystem::post_message(HWND handle, UINT message, WPARAM wparam, LPARAM lparam) {
    if (handle && !is_window(handle))
        return false;
    {
        std::lock_guard lock(m_queue_mutex);
        if (m_closing)
            return false;
        m_posted.push_back(MSG{handle, message, wparam, lparam, message_time(), {0, 0}});
    }
    m_backend->wake();
    return true;
}

void WindowSystem::post_quit_message(int exit_code) {
    {
        std::lock_guard lock(m_queue_mutex);
        m_quit_posted = true;
        m_quit_code = exit_code;
    }
    m_backend->wake();
}

bool WindowSystem::take_message(MSG* msg, HWND filter, UINT min, UINT max, bool remove) {
    std::lock_guard lock(m_queue_mutex);
    for (auto it = m_posted.begin(); it != m_posted.end();) {
        if (it->hwnd && !m_windows.count(it->hwnd)) {
            it = m_posted.erase(it);  // its window is gone
            continue;
        }
        bool window_matches = !filter || it->hwnd == filter;
        for (HWND h = it->hwnd; !window_matches && h; h = m_windows.count(h) ? m_windows[h]->parent : nullptr)
            window_matches = h == filter;
        if (!window_matches || !in_range(it->message, min, max)) {
            ++it;
            continue;
        }
        *msg = *it;
        if (remove)
            m_posted.erase(it);
        return true;
    }
    if (m_quit_posted && !filter && in_range(WM_QUIT, min, max)) {
        *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(m_quit_code), 0, message_time(), {0, 0}};
        if (remove)
            m_quit_posted = false;
        return true;
    }
    return false;
}

bool WindowSystem::take_paint(MSG* msg, HWND filter) {
    if (m_backend->paints_natively())
        return false;
    std::function<HWND(HWND)> search = [&](HWND h) -> HWND {
        Window* w = find(h);
        if (!w || !w->visible_flag())
            return nullptr;
        if (w->needs_paint && (!filter || filter == h))
            return h;
        for (HWND c : w->children)
            if (HWND found = search(c))
                return found;
        return nullptr;
    };
    for (HWND top : m_top_levels) {
        if (HWND h = search(top)) {
            *msg = MSG{h, WM_PAINT, 0, 0, message_time(), {0, 0}};
            return true;
        }
    }
    return false;
}

bool WindowSystem::take_timer(MSG* msg, HWND filter, bool remove) {
    std::int64_t now = m_backend->clock().now_ms();
    Timer* due = nullptr;
    for (Timer& t : m_timers)
        if (t.due <= now && (!filter || t.window == filter) && (!due || t.due < due->due))
            due = &t;
    if (!due)
        return false;
    *msg = MSG{due->window, WM_TIMER, due->id, reinterpret_cast<LPARAM>(due->proc), message_time(), {0, 0}};
    if (remove) {
        // The next tick keeps the timer's phase; ticks missed meanwhile are
        // dropped, as one WM_TIMER stands for any number of expiries.
        std::int64_t next = due->due + due->interval;
        if (next <= now)
            next += ((now - next) / due->interval + 1) * due->interval;
        due->due = next;
    }
    return true;
}

bool WindowSystem::get_message(MSG* msg, HWND filter, UINT min, UINT max) {
    for (;;) {
        process_sent_calls();
        collect_garbage();
        if (take_message(msg, filter, min, max, true))
            return msg->message != WM_QUIT;
        if (in_range(WM_PAINT, min, max) && take_paint(msg, filter))
            return true;
        if (in_range(WM_TIMER, min, max) && take_timer(msg, filter, true))
            return true;
        std::int64_t due = next_timer_due();
        std::int64_t timeout = due < 0 ? -1 : std::max<std::int64_t>(0, due - m_backend->clock().now_ms());
        m_backend->wait(timeout);
    }
}

bool WindowSystem::peek_message(MSG* msg, HWND filter, UINT min, UINT max, UINT remove) {
    process_sent_calls();
    m_backend->wait(0);
    process_sent_calls();
    bool take = (remove & 1) != 0;
    if (take_message(msg, filter, min, max, take))
        return true;
    if (in_range(WM_PAINT, min, max) && take_paint(msg, filter))
        return true;
    return in_range(WM_TIMER, min, max) && take_timer(msg, filter, take);
}

LRESULT WindowSystem::dispatch_message(const MSG& msg) {
    if (msg.message == WM_TIMER && msg.lParam) {
        auto proc = reinterpret_cast<TIMERPROC>(msg.lParam);
        proc(msg.hwnd, WM_TIMER, msg.wParam, msg.time);
        return 0;
    }
    if (!msg.hwnd)
        return 0;
    LRESULT result = send_message(msg.hwnd, msg.message, msg.wParam, msg.lParam);
    if (msg.message == WM_PAINT) {
        // A procedure that ignores WM_PAINT must not be asked again and again.
        if (Window* w = find(msg.hwnd))
            w->needs_paint = false;
    }
    return result;
}

void WindowSystem::wait_message() {
    MSG msg;
    for (;;) {
        if (peek_message(&msg, nullptr, 0, 0, 0))
            return;
        std::int64_t due = next_timer_due();
        m_backend->wait(due < 0 ? -1 : std::max<std::int64_t>(0, due - m_backend->clock().now_ms()));
    }
}

int WindowSystem::run_until_quit() {
    MSG msg{};
    while (get_message(&msg, nullptr, 0, 0))
        dispatch_message(msg);
    return static_cast<int>(msg.wParam);
}

bool WindowSystem::pump_pending() {
    // Each timer fires at most once per pump, so a handler slower than its
    // timer's interval cannot keep the pump from returning.
    std::int64_t start = m_backend->clock().now_ms();
    MSG msg;
    for (;;) {
        process_sent_calls();
        m_backend->wait(0);
        process_sent_calls();
        if (take_message(&msg, nullptr, 0, 0, false)) {
            if (msg.message == WM_QUIT)
                return false;
            take_message(&msg, nullptr, 0, 0, true);
        } else if (!take_paint(&msg, nullptr)) {
            Timer* due = nullptr;
            for (Timer& t : m_timers)
                if (t.due <= start && (!due || t.due < due->due))
                    due = &t;
            if (!due || !take_timer(&msg, due->window, true))
                return true;
        }
        dispatch_message(msg);
    }
}

void WindowSystem::run_until(const std::function<bool()>& done) {
    MSG msg{};
    while (!done()) {
        if (!get_message(&msg, nullptr, 0, 0)) {
            post_quit_message(static_cast<int>(msg.wParam));
            return;
        }
        dispatch_message(msg);
    }
}

bool WindowSystem::deliver_input(MSG msg) {
    if (!on_window_thread()) {
        bool consumed = false;
        call_on_window_thread([&] { consumed = deliver_input(msg); });
        return consumed;
    }
    msg.time = message_time();
    if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN)
        set_key_down(static_cast<UINT>(msg.wParam), true);
    if (msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP)
        set_key_down(static_cast<UINT>(msg.wParam), false);
    // Input that reaches a disabled window (or one inside a disabled window)
    // is dropped before anyone sees it.
    if (msg.hwnd && find(msg.hwnd) && !takes_input(msg.hwnd))
        return true;
    if (m_input_filter && m_input_filter(msg))
        return true;
    if (msg.hwnd && find(msg.hwnd))
        dispatch_message(msg);
    return false;
}

void WindowSystem::set_key_down(UINT virtual_key, bool down) { m_keys_down[virtual_key & 0xFF] = down; }

short WindowSystem::key_state(int virtual_key) const {
    return m_keys_down[static_cast<unsigned>(virtual_key) & 0xFF] ? static_cast<short>(0x8000) : 0;
}

UINT_PTR WindowSystem::set_timer(HWND handle, UINT_PTR id, UINT elapse, TIMERPROC proc) {
    if (handle && !find(handle))
        return 0;
    elapse = std::clamp<UINT>(elapse, 10, 0x7FFFFFFF);  // USER_TIMER_MINIMUM .. MAXIMUM
    if (!handle) {
        bool exists = id && std::any_of(m_timers.begin(), m_timers.end(),
                                        [&](const Timer& t) { return !t.window && t.id == id; });
        if (!exists)
            id = m_next_thread_timer++;
    }
    std::int64_t due = m_backend->clock().now_ms() + elapse;
    for (Timer& t : m_timers) {
        if (t.window == handle && t.id == id) {
            t.interval = elapse;
            t.due = due;
            t.proc = proc;
            return id ? id : 1;
        }
    }
    m_timers.push_back(Timer{handle, id, elapse, due, proc});
    m_backend->wake();
    return id ? id : 1;
}

bool WindowSystem::kill_timer(HWND handle, UINT_PTR id) {
    return std::erase_if(m_timers, [&](const Timer& t) { return t.window == handle && t.id == id; }) > 0;
}

std::int64_t WindowSystem::next_timer_due() const {
    std::int64_t due = -1;
    for (const Timer& t : m_timers)
        if (due < 0 || t.due < due)
            due = t.due;
    return due;
}

}  // namespace quilbex::ui

#include "platform/ui/headless/HeadlessBackend.h"

#include "platform/ui/Constants.h"
#include "platform/ui/Gbk.h"
#include "platform/ui/Gdi.h"
#include "platform/ui/Messages.h"
#include "platform/ui/SystemMetrics.h"
#include "platform/ui/WindowSystem.h"

#include <cctype>
#include <cstdio>

namespace quilbex::ui {

int first_button(UINT flags) {
    switch (flags & MB_TYPEMASK) {
    case MB_OKCANCEL: return IDOK;
    case MB_ABORTRETRYIGNORE: return IDABORT;
    case MB_YESNOCANCEL:
    case MB_YESNO: return IDYES;
    case MB_RETRYCANCEL: return IDRETRY;
    case MB_CANCELTRYCONTINUE: return IDCANCEL;
    default: return IDOK;
    }
}

HeadlessBackend::HeadlessBackend(const HeadlessOptions& options)
    : m_clock(options.virtual_clock ? std::unique_ptr<Clock>(new VirtualClock)
                                    : std::unique_ptr<Clock>(new SteadyClock)),
      m_screen_width(options.screen_width), m_screen_height(options.screen_height) {}

void HeadlessBackend::window_destroyed(Window& window) { m_paints.erase(window.handle); }

std::unique_ptr<DrawingContext> HeadlessBackend::create_paint_context(Window& window) {
    RECT client = m_system ? m_system->client_rect(window) : RECT{0, 0, 0, 0};
    return std::make_unique<RecordingContext>(client);
}

void HeadlessBackend::paint_finished(Window& window, DrawingContext& context) {
    m_paints[window.handle] = static_cast<RecordingContext&>(context).take_operations();
}

SIZE HeadlessBackend::measure_text(const LOGFONTA& font, std::string_view gbk) {
    return headless_text_extent(font, gbk);
}

int HeadlessBackend::system_metric(int index) { return standard_system_metric(index, m_screen_width, m_screen_height); }

int HeadlessBackend::message_box(HWND owner, std::string_view text, std::string_view caption, UINT flags) {
    MessageBoxRecord record{owner, std::string(text), std::string(caption), flags, 0};
    std::function<int(const MessageBoxRecord&)> answer;
    {
        std::lock_guard lock(m_mutex);
        answer = m_answer;
    }
    if (answer) {
        record.answer = answer(record);
    } else {
        record.answer = first_button(flags);
        std::fprintf(stderr, "[%s] %s\n", gbk_to_utf8(caption).c_str(), gbk_to_utf8(text).c_str());
    }
    std::lock_guard lock(m_mutex);
    m_boxes.push_back(record);
    return record.answer;
}

void HeadlessBackend::wait(std::int64_t timeout_ms) {
    std::unique_lock lock(m_mutex);
    if (m_woken) {
        m_woken = false;
        return;
    }
    if (timeout_ms == 0)
        return;
    if (timeout_ms > 0 && m_clock->is_virtual()) {
        // Nothing else can happen before the next deadline on this thread:
        // the virtual clock jumps there at once. Other threads get a moment
        // first, so that a loop full of timers does not starve them.
        if (m_woken_cv.wait_for(lock, std::chrono::milliseconds(1), [&] { return m_woken; })) {
            m_woken = false;
            return;
        }
        m_clock->advance_to(m_clock->now_ms() + timeout_ms);
        return;
    }
    if (timeout_ms < 0)
        m_woken_cv.wait(lock, [&] { return m_woken; });
    else
        m_woken_cv.wait_for(lock, std::chrono::milliseconds(timeout_ms), [&] { return m_woken; });
    m_woken = false;
}

void HeadlessBackend::wake() {
    {
        std::lock_guard lock(m_mutex);
        m_woken = true;
    }
    m_woken_cv.notify_all();
}

void HeadlessBackend::advance_time(std::int64_t ms) {
    if (!m_system)
        return;
    if (!m_clock->is_virtual()) {
        m_system->pump_pending();
        return;
    }
    std::int64_t target = m_clock->now_ms() + std::max<std::int64_t>(0, ms);
    for (;;) {
        m_system->pump_pending();
        std::int64_t due = m_system->next_timer_due();
        if (due < 0 || due > target)
            break;
        m_clock->advance_to(due);
    }
    m_clock->advance_to(target);
    m_system->pump_pending();
}

bool HeadlessBackend::accepts_input(HWND window) const {
    if (!m_system || !m_system->is_visible(window))
        return false;
    for (HWND h = window; h;) {
        Window* w = m_system->find(h);
        if (!w || !w->enabled_flag())
            return false;
        h = w->parent;
    }
    return true;
}

WPARAM HeadlessBackend::mouse_key_state() const {
    WPARAM state = 0;
    if (m_system->key_state(VK_CONTROL))
        state |= MK_CONTROL;
    if (m_system->key_state(VK_SHIFT))
        state |= MK_SHIFT;
    return state;
}

bool HeadlessBackend::mouse(HWND window, UINT down, UINT up, WPARAM button, std::optional<POINT> at) {
    if (!accepts_input(window))
        return false;
    Window* w = m_system->find(window);
    RECT client = m_system->client_rect(*w);
    POINT p = at.value_or(POINT{client.right / 2, client.bottom / 2});
    LPARAM where = MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y));
    HWND top = window;
    while (m_system->find(top)->parent)
        top = m_system->find(top)->parent;
    if (m_system->active() != top)
        m_system->set_active(top);  // a click activates the window it lands in
    if (down)
        m_system->deliver_input(MSG{window, down, mouse_key_state() | button, where, 0, p});
    if (up && m_system->find(window))
        m_system->deliver_input(MSG{window, up, mouse_key_state(), where, 0, p});
    return true;
}

bool HeadlessBackend::click(HWND window, std::optional<POINT> at) {
    return mouse(window, WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON, at);
}

bool HeadlessBackend::right_click(HWND window, std::optional<POINT> at) {
    return mouse(window, WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON, at);
}

bool HeadlessBackend::double_click(HWND window, std::optional<POINT> at) {
    if (!click(window, at))
        return false;
    return mouse(window, WM_LBUTTONDBLCLK, WM_LBUTTONUP, MK_LBUTTON, at);
}

bool HeadlessBackend::mouse_move(HWND window, POINT at) {
    if (!accepts_input(window))
        return false;
    m_system->deliver_input(MSG{window, WM_MOUSEMOVE, mouse_key_state(),
                                MAKELPARAM(static_cast<WORD>(at.x), static_cast<WORD>(at.y)), 0, at});
    return true;
}

bool HeadlessBackend::wheel(HWND window, int notches) {
    if (!accepts_input(window))
        return false;
    auto distance = static_cast<WORD>(static_cast<short>(notches * 120));
    m_system->deliver_input(
        MSG{window, WM_MOUSEWHEEL, MAKEWPARAM(static_cast<WORD>(mouse_key_state()), distance), 0, 0, {0, 0}});
    return true;
}

HWND HeadlessBackend::keyboard_target() const { return m_system->focus() ? m_system->focus() : m_system->active(); }

void HeadlessBackend::key_down(UINT key) {
    HWND target = keyboard_target();
    bool alt = m_system->key_state(VK_MENU) != 0;
    m_system->set_key_down(key, true);
    if (target)
        m_system->deliver_input(MSG{target, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, 1, 0, {0, 0}});
}

void HeadlessBackend::key_up(UINT key) {
    HWND target = keyboard_target();
    bool alt = m_system->key_state(VK_MENU) != 0;
    m_system->set_key_down(key, false);
    if (target)
        m_system->deliver_input(
            MSG{target, alt ? WM_SYSKEYUP : WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u), 0, {0, 0}});
}

void HeadlessBackend::press_key(UINT key) {
    HWND target = keyboard_target();
    bool alt = m_system->key_state(VK_MENU) != 0;
    bool shift = m_system->key_state(VK_SHIFT) != 0;
    bool ctrl = m_system->key_state(VK_CONTROL) != 0;
    bool consumed = false;
    m_system->set_key_down(key, true);
    if (target)
        consumed = m_system->deliver_input(MSG{target, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, 1, 0, {0, 0}});
    int typed = -1;
    if (key == VK_RETURN || key == VK_ESCAPE || key == VK_BACK || key == VK_TAB || key == VK_SPACE)
        typed = static_cast<int>(key);
    else if (key >= '0' && key <= '9')
        typed = static_cast<int>(key);
    else if (key >= 'A' && key <= 'Z')
        typed = ctrl    ? static_cast<int>(key - 'A' + 1)
                : shift ? static_cast<int>(key)
                        : std::tolower(static_cast<int>(key));
    HWND now = keyboard_target();
    if (!consumed && !alt && typed >= 0 && now && m_system->find(now))
        m_system->deliver_input(MSG{now, WM_CHAR, static_cast<WPARAM>(typed), 1, 0, {0, 0}});
    key_up(key);
}

void HeadlessBackend::set_modifiers(bool ctrl, bool shift, bool alt) {
    m_system->set_key_down(VK_CONTROL, ctrl);
    m_system->set_key_down(VK_SHIFT, shift);
    m_system->set_key_down(VK_MENU, alt);
}

void HeadlessBackend::type_text(HWND window, std::string_view gbk) {
    if (window) {
        if (!accepts_input(window))
            return;
        m_system->set_focus(window);
    }
    for (std::size_t i = 0; i < gbk.size();) {
        std::size_t n = gbk_char_length(gbk, i);
        WPARAM code = static_cast<unsigned char>(gbk[i]);
        if (n == 2)
            code = (code << 8) | static_cast<unsigned char>(gbk[i + 1]);
        i += n;
        HWND target = keyboard_target();
        if (!target)
            return;
        m_system->deliver_input(MSG{target, WM_CHAR, code, 1, 0, {0, 0}});
    }
}

bool HeadlessBackend::focus(HWND window) {
    if (!m_system->find(window))
        return false;
    m_system->set_focus(window);
    return m_system->focus() == window;
}

bool HeadlessBackend::request_close(HWND window) { return m_system->request_close(window); }

std::vector<DrawOp> HeadlessBackend::paint(HWND window) {
    if (!m_system || !m_system->find(window))
        return {};
    m_paints.erase(window);
    m_system->send_message(window, WM_PAINT, 0, 0);
    if (Window* w = m_system->find(window))
        w->needs_paint = false;
    return last_paint(window);
}

std::vector<DrawOp> HeadlessBackend::last_paint(HWND window) const {
    auto it = m_paints.find(window);
    return it == m_paints.end() ? std::vector<DrawOp>{} : it->second;
}

void HeadlessBackend::set_message_box_answer(std::function<int(const MessageBoxRecord&)> answer) {
    std::lock_guard lock(m_mutex);
    m_answer = std::move(answer);
}

std::vector<MessageBoxRecord> HeadlessBackend::message_boxes() const {
    std::lock_guard lock(m_mutex);
    return m_boxes;
}

void HeadlessBackend::set_screen_size(int width, int height) {
    m_screen_width = width;
    m_screen_height = height;
}

}  // namespace quilbex::ui

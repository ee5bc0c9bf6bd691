#pragma once
// The headless window system: every window lives in memory only. It is
// deterministic (with the virtual clock, time moves only when the loop would
// otherwise wait for a timer, or when a test advances it), and it lets tests
// act as the user (clicks, keys, typed text, focus, close requests) and read
// back what a window shows.
//
// Input goes through WindowSystem::deliver_input, so the input filter sees it
// exactly as it sees the GTK backend's input. All the test seams must be
// called on the window thread.

#include "platform/ui/Clock.h"
#include "platform/ui/WindowSystemBackend.h"
#include "platform/ui/headless/RecordingContext.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace quilbex::ui {

struct HeadlessOptions {
    bool virtual_clock = true;
    int screen_width = 1280;
    int screen_height = 1024;
};

struct MessageBoxRecord {
    HWND owner = nullptr;
    std::string text;  // GBK
    std::string caption;  // GBK
    UINT flags = 0;
    int answer = 0;
};

class HeadlessBackend final : public WindowSystemBackend {
public:
    explicit HeadlessBackend(const HeadlessOptions& options);

    std::string_view name() const override { return "headless"; }
    void attach(WindowSystem& system) override { m_system = &system; }
    void detach() override { m_system = nullptr; }
    void window_created(Window&) override {}
    void window_destroyed(Window& window) override;
    void window_changed(Window&, unsigned) override {}
    void focus_changed(HWND, HWND) override {}
    void invalidate(Window&) override {}
    std::unique_ptr<DrawingContext> create_paint_context(Window& window) override;
    void paint_finished(Window& window, DrawingContext& context) override;
    bool paints_natively() const override { return false; }
    bool native_editing() const override { return false; }
    SIZE measure_text(const LOGFONTA& font, std::string_view gbk) override;
    int system_metric(int index) override;
    int message_box(HWND owner, std::string_view text, std::string_view caption, UINT flags) override;
    void wait(std::int64_t timeout_ms) override;
    void wake() override;
    Clock& clock() override { return *m_clock; }

    // --- time ---
    // Moves the virtual clock forward by `ms`, running the loop at every
    // timer deadline on the way (so a 1000 ms timer ticks five times in
    // 5000 ms), then once more at the end. With the real clock it pumps once.
    void advance_time(std::int64_t ms);

    // --- the user ---
    // A left click at a client point (default: the centre). Refused (false)
    // for a window that is hidden or disabled, or inside one that is.
    bool click(HWND window, std::optional<POINT> at = std::nullopt);
    bool right_click(HWND window, std::optional<POINT> at = std::nullopt);
    bool double_click(HWND window, std::optional<POINT> at = std::nullopt);
    bool mouse_move(HWND window, POINT at);
    bool wheel(HWND window, int notches);
    // Presses and releases a key on the focused window (or the active one):
    // WM_KEYDOWN, the WM_CHAR it types (Enter, Esc, Backspace, Tab, space,
    // letters and digits) unless the input filter consumed the key, WM_KEYUP.
    void press_key(UINT virtual_key);
    void key_down(UINT virtual_key);
    void key_up(UINT virtual_key);
    // Holds Ctrl, Shift and Alt down (or releases them) for later input.
    void set_modifiers(bool ctrl, bool shift, bool alt);
    // Focuses `window` (when given) and types GBK text into the focus, one
    // WM_CHAR per character (two-byte characters as lead << 8 | trail).
    void type_text(HWND window, std::string_view gbk);
    bool focus(HWND window);
    // The close box: WM_SYSCOMMAND SC_CLOSE.
    bool request_close(HWND window);

    // --- what windows show ---
    // Paints the window now and returns what it drew.
    std::vector<DrawOp> paint(HWND window);
    // What the window drew the last time the loop painted it.
    std::vector<DrawOp> last_paint(HWND window) const;

    // --- message boxes ---
    // Answers every later box through `answer` (returning an ID* code);
    // without one, the first button of the box answers and the box is
    // written to stderr in UTF-8.
    void set_message_box_answer(std::function<int(const MessageBoxRecord&)> answer);
    std::vector<MessageBoxRecord> message_boxes() const;

    void set_screen_size(int width, int height);

private:
    bool accepts_input(HWND window) const;
    bool mouse(HWND window, UINT down, UINT up, WPARAM button, std::optional<POINT> at);
    WPARAM mouse_key_state() const;
    HWND keyboard_target() const;

    WindowSystem* m_system = nullptr;
    std::unique_ptr<Clock> m_clock;
    int m_screen_width;
    int m_screen_height;
    std::map<HWND, std::vector<DrawOp>> m_paints;

    mutable std::mutex m_mutex;
    std::condition_variable m_woken_cv;
    bool m_woken = false;
    std::function<int(const MessageBoxRecord&)> m_answer;
    std::vector<MessageBoxRecord> m_boxes;
};

// The button a message box of type `flags` offers first.
int first_button(UINT flags);

}  // namespace quilbex::ui

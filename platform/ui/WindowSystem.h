#pragma once
// The process-wide window system: one front object over a backend (GTK 3 for
// real windows, headless for tests), in the way an event loop is split from
// its implementation. The program selects the backend once at start-up on
// its main thread, which becomes the window thread: every window belongs to
// it, and its message loop dispatches their messages. Other threads reach
// windows only through the Windows-named functions of User32.h, which carry
// the call over to the window thread and wait for it there.
//
// Message priorities, as GetMessage hands them out:
//   1. calls and messages sent from other threads (run, never returned)
//   2. posted messages, in order
//   3. the quit message, once the posted ones are gone
//   4. WM_PAINT for windows that need painting (headless only)
//   5. WM_TIMER for due timers, at most one outstanding per timer

#include "platform/ui/Types.h"
#include "platform/ui/Window.h"
#include "platform/ui/WindowClass.h"
#include "platform/ui/WindowSystemBackend.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace quilbex::ui {

class HeadlessBackend;
struct HeadlessOptions;

class WindowSystem {
public:
    // The current window system. If none was selected, a headless one is
    // made on the calling thread.
    static WindowSystem& the();
    // Replaces the window system with a headless one owned by the calling
    // thread (every existing window is discarded) and returns its backend.
    static HeadlessBackend& use_headless();
    static HeadlessBackend& use_headless(const HeadlessOptions& options);
    // Replaces the window system with the GTK backend when a display can be
    // opened; returns false, leaving the current system, when it cannot.
    static bool use_gtk();
    // The program's choice at start-up: GTK when a display can be opened,
    // otherwise the headless system on the real clock (message boxes then go
    // to stderr). Returns the name of the backend chosen ("gtk" or "headless").
    static std::string_view use_for_program();
    // Discards the window system; senders waiting on other threads get 0.
    static void shut_down();
    // Makes `system` the current window system (backends' selection functions use it).
    static void install(std::unique_ptr<WindowSystem> system);

    explicit WindowSystem(std::unique_ptr<WindowSystemBackend> backend);
    ~WindowSystem();
    WindowSystem(const WindowSystem&) = delete;
    WindowSystem& operator=(const WindowSystem&) = delete;

    WindowSystemBackend& backend() { return *m_backend; }
    bool on_window_thread() const { return std::this_thread::get_id() == m_window_thread; }

    // Runs `task` on the window thread and waits for it. On the window thread
    // it runs at once. Returns false when the task could not run because the
    // window system went away.
    bool call_on_window_thread(const std::function<void()>& task, HWND target = nullptr);

    // --- window records (window thread) ---
    Window* find(HWND handle);
    bool is_window(HWND handle) const;  // any thread
    std::vector<HWND> top_level_windows() const { return m_top_levels; }
    std::vector<HWND> all_windows() const;

    // --- classes ---
    ATOM register_class(const WNDCLASSA& info, ControlKind kind);
    bool unregister_class(std::string_view name);
    std::shared_ptr<const WindowClassInfo> find_class(std::string_view name) const;
    bool set_class_value(HWND handle, int index, LONG_PTR value, LONG_PTR* old);

    // --- window tree (window thread) ---
    HWND create_window(DWORD ex_style, LPCSTR class_name, LPCSTR title, DWORD style, int x, int y, int width,
                       int height, HWND parent, HMENU menu, LPVOID param);
    bool destroy_window(HWND handle);
    bool set_parent(HWND child, HWND new_parent, HWND* old_parent);
    bool place_in_z_order(HWND handle, HWND insert_after);
    bool set_geometry(HWND handle, const RECT& rect);
    bool show_window(HWND handle, int command);
    bool enable_window(HWND handle, bool enable);
    HWND set_focus(HWND handle);
    HWND focus() const { return m_focus; }
    // Activating a disabled window activates the enabled window in front of
    // it instead (the modal window that disabled it); with none, nothing changes.
    HWND set_active(HWND handle);
    HWND active() const { return m_active; }
    // Whether the window and every window it lies in are enabled: a window
    // that is not takes no input and no close request from the user.
    bool takes_input(HWND handle);
    // The enabled, visible top-level window nearest the top of the stacking
    // order, other than `except`, or null.
    HWND front_enabled_window(HWND except);
    // The user asks to close a window (its close box or the window manager):
    // WM_SYSCOMMAND SC_CLOSE when the window takes input; a disabled window
    // instead brings the window that disabled it to the front. Returns
    // whether the request was passed on.
    bool request_close(HWND handle);
    void notify_changed(HWND handle, unsigned changes);
    // The insets of the frame, caption and borders around the client area.
    RECT nonclient_insets(const Window& window) const;
    RECT client_rect(const Window& window) const;
    POINT client_origin_on_screen(const Window& window) const;
    bool is_visible(HWND handle) const;  // the window and all its ancestors

    // --- messages ---
    LRESULT send_message(HWND handle, UINT message, WPARAM wparam, LPARAM lparam);
    bool post_message(HWND handle, UINT message, WPARAM wparam, LPARAM lparam);
    void post_quit_message(int exit_code);
    // GetMessage: blocks; false for WM_QUIT.
    bool get_message(MSG* msg, HWND filter, UINT min, UINT max);
    bool peek_message(MSG* msg, HWND filter, UINT min, UINT max, UINT remove);
    LRESULT dispatch_message(const MSG& msg);
    // Blocks until a message is waiting.
    void wait_message();
    // Runs the loop until WM_QUIT and returns its exit code.
    int run_until_quit();
    // Dispatches every message that is waiting, without blocking; leaves a
    // pending quit message in place and then returns false.
    bool pump_pending();
    // Runs the loop until `done` returns true; a quit message that arrives on
    // the way is posted again for the outer loop and ends this one.
    void run_until(const std::function<bool()>& done);

    // Input from the user (or a test) goes through the input filter, then to
    // the window procedure; returns true when the filter consumed it.
    using InputFilter = std::function<bool(MSG&)>;
    void set_input_filter(InputFilter filter) { m_input_filter = std::move(filter); }
    bool deliver_input(MSG msg);
    // Key state as GetKeyState reports it: bit 15 set while the key is down.
    void set_key_down(UINT virtual_key, bool down);
    short key_state(int virtual_key) const;

    // --- timers ---
    UINT_PTR set_timer(HWND handle, UINT_PTR id, UINT elapse, TIMERPROC proc);
    bool kill_timer(HWND handle, UINT_PTR id);
    // The earliest due time of any timer, or -1.
    std::int64_t next_timer_due() const;
    std::size_t timer_count() const { return m_timers.size(); }

    // --- painting ---
    void invalidate(HWND handle, bool erase);
    HDC begin_paint(HWND handle, PAINTSTRUCT* paint);
    void end_paint(HWND handle);
    // The backend paints a window now with `context` (GTK draw handler).
    void paint_with(HWND handle, DrawingContext& context);

    // Sends WM_CTLCOLOREDIT / WM_CTLCOLORSTATIC to an edit's parent and keeps
    // the colours it answers.
    void refresh_control_colors(HWND handle);

private:
    struct SentCall {
        std::function<void()> task;
        HWND target = nullptr;
        bool done = false;
        bool ran = false;
    };
    struct Timer {
        HWND window = nullptr;
        UINT_PTR id = 0;
        UINT interval = 0;
        std::int64_t due = 0;
        TIMERPROC proc = nullptr;
    };

    void register_builtin_classes();
    void process_sent_calls();
    bool take_message(MSG* msg, HWND filter, UINT min, UINT max, bool remove);
    bool take_paint(MSG* msg, HWND filter);
    bool take_timer(MSG* msg, HWND filter, bool remove);
    void destroy_tree(HWND handle);
    void unlink(Window& window);
    void release_calls_for(HWND handle);
    void fail_all_calls();
    void collect_garbage();
    DWORD message_time() const;
    void insert_top_level(HWND handle, bool topmost);

    std::unique_ptr<WindowSystemBackend> m_backend;
    std::thread::id m_window_thread;

    mutable std::mutex m_handles_mutex;  // guards m_windows' key set for other threads' IsWindow
    std::unordered_map<HWND, std::unique_ptr<Window>> m_windows;
    std::vector<std::unique_ptr<Window>> m_graveyard;  // freed when no dispatch is running
    int m_dispatch_depth = 0;
    std::uintptr_t m_next_handle = 0x10010;
    std::vector<HWND> m_top_levels;  // stacking order, topmost first

    std::map<std::string, std::shared_ptr<WindowClassInfo>> m_classes;  // key: lower-case name
    ATOM m_next_atom = 0xC000;

    HWND m_focus = nullptr;
    HWND m_active = nullptr;
    std::vector<bool> m_keys_down = std::vector<bool>(256);
    InputFilter m_input_filter;

    std::mutex m_queue_mutex;
    std::deque<MSG> m_posted;
    std::deque<std::shared_ptr<SentCall>> m_sent;
    std::condition_variable m_call_done;
    // Threads inside call_on_window_thread from queuing their call until they
    // have left the wait; the destructor waits for none to be left, as they
    // still lock m_queue_mutex after their call is released.
    int m_waiting_senders = 0;
    bool m_closing = false;
    bool m_quit_posted = false;
    int m_quit_code = 0;

    std::vector<Timer> m_timers;
    UINT_PTR m_next_thread_timer = 1;
};

// Ends the current window system at scope exit (tests, program end).
struct WindowSystemScope {
    ~WindowSystemScope() { WindowSystem::shut_down(); }
};

}  // namespace quilbex::ui

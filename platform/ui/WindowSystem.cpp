#include "platform/ui/WindowSystem.h"

#include "platform/ui/ButtonControl.h"
#include "platform/ui/Constants.h"
#include "platform/ui/EditControl.h"
#include "platform/ui/Icon.h"
#include "platform/ui/Styles.h"
#include "platform/ui/headless/HeadlessBackend.h"

#include <algorithm>
#include <atomic>
#include <cctype>

namespace quilbex::ui {

namespace {

std::mutex g_instance_mutex;
// Never destroyed by the exit sequence: the process may end from inside a
// toolkit callback or on another thread, where taking the windows down would
// pull widgets out from under running code. shut_down() ends it on purpose.
std::unique_ptr<WindowSystem>& g_instance = *new std::unique_ptr<WindowSystem>;
std::atomic<WindowSystem*> g_current{nullptr};

std::string lower(std::string_view name) {
    std::string out(name);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

void install_instance(std::unique_ptr<WindowSystem> system) {
    std::unique_ptr<WindowSystem> old;
    {
        std::lock_guard lock(g_instance_mutex);
        old = std::move(g_instance);
        g_current = nullptr;
    }
    old.reset();
    std::lock_guard lock(g_instance_mutex);
    g_instance = std::move(system);
    g_current = g_instance.get();
}

}  // namespace

bool Window::is_child() const { return (style & WS_CHILD) != 0; }
bool Window::visible_flag() const { return (style & WS_VISIBLE) != 0; }
bool Window::enabled_flag() const { return (style & WS_DISABLED) == 0; }

WindowSystem& WindowSystem::the() {
    if (WindowSystem* current = g_current.load())
        return *current;
    std::lock_guard lock(g_instance_mutex);
    if (!g_instance) {
        g_instance = std::make_unique<WindowSystem>(std::make_unique<HeadlessBackend>(HeadlessOptions{}));
        g_current = g_instance.get();
    }
    return *g_instance;
}

HeadlessBackend& WindowSystem::use_headless() { return use_headless(HeadlessOptions{}); }

HeadlessBackend& WindowSystem::use_headless(const HeadlessOptions& options) {
    auto backend = std::make_unique<HeadlessBackend>(options);
    HeadlessBackend& raw = *backend;
    shut_down();
    install_instance(std::make_unique<WindowSystem>(std::move(backend)));
    return raw;
}

std::string_view WindowSystem::use_for_program() {
    if (use_gtk())
        return "gtk";
    HeadlessOptions options;
    options.virtual_clock = false;
    use_headless(options);
    return "headless";
}

void WindowSystem::shut_down() {
    std::unique_ptr<WindowSystem> old;
    {
        std::lock_guard lock(g_instance_mutex);
        old = std::move(g_instance);
        g_current = nullptr;
    }
}

void WindowSystem::install(std::unique_ptr<WindowSystem> system) { install_instance(std::move(system)); }

WindowSystem::WindowSystem(std::unique_ptr<WindowSystemBackend> backend)
    : m_backend(std::move(backend)), m_window_thread(std::this_thread::get_id()) {
    register_builtin_classes();
    m_backend->attach(*this);
}

WindowSystem::~WindowSystem() {
    fail_all_calls();
    {
        // Released senders still take the queue lock on their way out.
        std::unique_lock lock(m_queue_mutex);
        m_call_done.wait(lock, [&] { return m_waiting_senders == 0; });
    }
    m_backend->detach();
    // Native parts go deepest first; no messages are sent while the system goes away.
    std::vector<HWND> order;
    std::function<void(HWND)> visit = [&](HWND h) {
        auto it = m_windows.find(h);
        if (it == m_windows.end())
            return;
        for (HWND child : it->second->children)
            visit(child);
        order.push_back(h);
    };
    for (HWND top : m_top_levels)
        visit(top);
    for (HWND h : order)
        m_backend->window_destroyed(*m_windows[h]);
    {
        std::lock_guard lock(m_handles_mutex);
        m_windows.clear();
    }
    m_graveyard.clear();
    m_backend.reset();
}

void WindowSystem::register_builtin_classes() {
    WNDCLASSA edit{};
    edit.style = CS_DBLCLKS;
    edit.lpfnWndProc = EditWindowProc;
    edit.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(static_cast<std::uintptr_t>(IDC_IBEAM)));
    edit.lpszClassName = "EDIT";
    register_class(edit, ControlKind::Edit);

    WNDCLASSA button{};
    button.style = CS_DBLCLKS;
    button.lpfnWndProc = ButtonWindowProc;
    button.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(static_cast<std::uintptr_t>(IDC_ARROW)));
    button.lpszClassName = "BUTTON";
    register_class(button, ControlKind::Button);
}

Window* WindowSystem::find(HWND handle) {
    if (!handle)
        return nullptr;
    auto it = m_windows.find(handle);
    return it == m_windows.end() ? nullptr : it->second.get();
}

bool WindowSystem::is_window(HWND handle) const {
    if (!handle)
        return false;
    std::lock_guard lock(m_handles_mutex);
    auto it = m_windows.find(handle);
    return it != m_windows.end();
}

std::vector<HWND> WindowSystem::all_windows() const {
    std::vector<HWND> out;
    for (auto& [h, w] : m_windows)
        out.push_back(h);
    std::sort(out.begin(), out.end());
    return out;
}

ATOM WindowSystem::register_class(const WNDCLASSA& info, ControlKind kind) {
    if (!info.lpszClassName || !*info.lpszClassName || !info.lpfnWndProc)
        return 0;
    std::string key = lower(info.lpszClassName);
    if (m_classes.count(key))
        return 0;
    auto cls = std::make_shared<WindowClassInfo>();
    cls->name = info.lpszClassName;
    cls->style = info.style;
    cls->procedure = info.lpfnWndProc;
    cls->icon = info.hIcon;
    cls->cursor = info.hCursor;
    cls->background = info.hbrBackground;
    cls->kind = kind;
    cls->atom = m_next_atom++;
    m_classes.emplace(key, cls);
    return cls->atom;
}

bool WindowSystem::unregister_class(std::string_view name) {
    auto it = m_classes.find(lower(name));
    if (it == m_classes.end() || it->second->kind != ControlKind::Custom)
        return false;
    for (auto& [h, w] : m_windows)
        if (w->window_class == it->second)
            return false;  // Windows refuses while windows of the class exist
    m_classes.erase(it);
    return true;
}

std::shared_ptr<const WindowClassInfo> WindowSystem::find_class(std::string_view name) const {
    auto it = m_classes.find(lower(name));
    return it == m_classes.end() ? nullptr : it->second;
}

bool WindowSystem::set_class_value(HWND handle, int index, LONG_PTR value, LONG_PTR* old) {
    Window* w = find(handle);
    if (!w)
        return false;
    auto it = m_classes.find(lower(w->window_class->name));
    if (it == m_classes.end())
        return false;
    WindowClassInfo& cls = *it->second;
    if (index == GCLP_HCURSOR) {
        *old = reinterpret_cast<LONG_PTR>(cls.cursor);
        cls.cursor = reinterpret_cast<HCURSOR>(value);
        for (auto& [h, other] : m_windows)
            if (other->window_class.get() == &cls)
                m_backend->window_changed(*other, kChangeCursor);
        return true;
    }
    if (index == GCLP_HBRBACKGROUND) {
        *old = reinterpret_cast<LONG_PTR>(cls.background);
        cls.background = reinterpret_cast<HBRUSH>(value);
        return true;
    }
    return false;
}

}  // namespace quilbex::ui

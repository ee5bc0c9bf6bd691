#include "forms/FormsHost.h"

#include "forms/Cursors.h"
#include "forms/Dispatch.h"
#include "forms/FormsApi.h"
#include "forms/FormsState.h"
#include "forms/Input.h"
#include "forms/PropertyAccess.h"
#include "forms/WindowLoader.h"
#include "forms/template/TemplateReader.h"
#include "platform/ui/User32.h"
#include "runtime/ErrorReport.h"
#include "runtime/Exit.h"
#include "runtime/Notifications.h"
#include "runtime/RuntimeApp.h"
#include "runtime/WindowHost.h"
#include "runtime_messages/RuntimeMessages.h"

#include <algorithm>
#include <span>

namespace quilbex::forms {
namespace {

inline constexpr ui::UINT kMessageExitRequest = 0x83E7;
inline constexpr char kHiddenOwnerClass[] = "_QV_HideOwner";

ui::HWND g_hidden_owner = nullptr;

struct IdleCallback {
    ui::HWND window;
    void (*routine)(std::uint32_t);
    std::uint32_t argument;
};
std::vector<IdleCallback> g_idle_callbacks;

// A framework window object that only wraps a window handle (notification 1007).
class WrappedWindow final : public UnitObject {
public:
    explicit WrappedWindow(ui::HWND hwnd) : UnitObject(0, 0) { m_hwnd = hwnd; }
    ui::HWND detach() { return std::exchange(m_hwnd, nullptr); }
};

ui::LRESULT hidden_owner_procedure(ui::HWND hwnd, ui::UINT message, ui::WPARAM wparam, ui::LPARAM lparam) {
    if (message == kMessageExitRequest)
        rt::exit_process(static_cast<std::uint32_t>(wparam));
    return ui::DefWindowProcA(hwnd, message, wparam, lparam);
}

// Every handler check relocates against the routine table's size, so a
// template whose handler points outside the table cannot be loaded.
bool handlers_in_range(const TemplateData& data, const rt::ProgramHeader& header) {
    for (const auto& window : data.windows)
        for (const auto& unit : window.units)
            for (const auto& entry : unit.handlers) {
                const rt::ApplicationRoutine* handler = nullptr;
                if (!rt::relocate_handler(header, entry.handler, handler))
                    return false;
            }
    return true;
}

UnitObject* object_of(std::uint32_t window_id, std::uint32_t unit_id) {
    LoadedWindow* window = find_loaded_window(window_id);
    if (!window)
        return nullptr;
    int index = unit_id == 0 ? 0 : window->unit_index(unit_id);
    if (index < 0 || !window->unit_live(static_cast<std::size_t>(index)))
        return nullptr;
    return window->object(static_cast<std::size_t>(index));
}

void run_idle_callbacks() {
    for (std::size_t i = g_idle_callbacks.size(); i-- > 0;) {
        if (i >= g_idle_callbacks.size())
            continue;
        IdleCallback callback = g_idle_callbacks[i];
        if (!ui::IsWindow(callback.window)) {
            g_idle_callbacks.erase(g_idle_callbacks.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        callback.routine(callback.argument);
    }
}

class FormsHost final : public rt::WindowHost {
public:
    bool read_templates(const rt::ProgramHeader& header) override {
        auto parsed = forms::read_templates(std::span(header.templateStart, header.templateLength));
        if (!parsed || !handlers_in_range(parsed.value(), header))
            return false;
        auto& state = forms_state();
        state.header = &header;
        state.windows.assign(std::move(parsed).value());
        return true;
    }

    void create_hidden_owner() override {
        // A handle kept from an earlier window system is gone with it.
        if (g_hidden_owner && ui::IsWindow(g_hidden_owner))
            return;
        ui::WNDCLASSA info{};
        info.lpfnWndProc = hidden_owner_procedure;
        info.hCursor = ui::LoadCursorA(nullptr, reinterpret_cast<ui::LPCSTR>(std::uintptr_t{ui::IDC_ARROW}));
        info.lpszClassName = kHiddenOwnerClass;
        ui::RegisterClassA(&info);
        g_hidden_owner = ui::CreateWindowExA(ui::WS_EX_TOOLWINDOW, kHiddenOwnerClass, "", 0, 0, 0, 0, 0, nullptr,
                                             nullptr, nullptr, nullptr);
    }

    void destroy_hidden_owner() override {
        if (g_hidden_owner && ui::IsWindow(g_hidden_owner))
            ui::DestroyWindow(g_hidden_owner);
        g_hidden_owner = nullptr;
    }

    bool request_exit_from_worker(std::uint32_t code) override {
        ui::HWND owner = hidden_owner();
        if (!owner)
            return false;
        ui::SendMessageA(owner, kMessageExitRequest, code, 0);
        return true;
    }

    bool load_startup_window(std::uint32_t window_id) override {
        LoadedWindow* window = find_loaded_window(window_id);
        return window && load_window(*window, 0, false, nullptr);
    }

    bool any_window_live() override { return forms::any_window_live(); }

    std::uint32_t run_message_loop() override {
        for (;;) {
            ui::MSG message{};
            while (!ui::PeekMessageA(&message, nullptr, 0, 0, ui::PM_NOREMOVE)) {
                run_idle_callbacks();
                ui::WaitMessage();
            }
            if (!ui::GetMessageA(&message, nullptr, 0, 0))
                return static_cast<std::uint32_t>(message.wParam);
            ui::DispatchMessageA(&message);
        }
    }

    void clear_idle_callbacks() override { g_idle_callbacks.clear(); }

    void destroy_all_windows() override {
        auto& windows = forms_state().windows.windows();
        for (auto& window : windows)
            destroy_loaded_window(window);
        forms_state().windows.clear();
    }

    void release_resources() override {}

    std::string describe_for_error(std::uint32_t window_id, std::uint32_t unit_id) override {
        LoadedWindow* window = find_loaded_window(window_id);
        if (!window || window->working.units.empty())
            return rt::messages::window_not_found();
        std::string text = "\r\n\"" + window->working.units[0].tag + "\"";
        if (unit_id != 0 && unit_sub_kind(unit_id) != UnitSubKind::MenuItem) {
            int index = window->unit_index(unit_id);
            if (index < 0)
                text += rt::messages::unit_not_found();
            else
                text += "\r\n\"" + window->working.units[static_cast<std::size_t>(index)].tag + "\"";
        }
        return text;
    }

    int message_box(const char* text, const char* caption, std::uint32_t flags) override {
        return ui::MessageBoxA(nullptr, text, caption, flags);
    }

    std::int64_t notify(std::uint32_t code, std::uintptr_t arg1, std::uintptr_t arg2, bool& handled) override {
        auto& app = rt::runtime_app();
        switch (code) {
        case 1001: return static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(&forms_state().windows));
        case 1007: return pointer(new WrappedWindow(reinterpret_cast<ui::HWND>(arg1)));
        case 1008: delete reinterpret_cast<UnitObject*>(arg1); return 0;
        case 1009: {
            auto* wrapped = dynamic_cast<WrappedWindow*>(reinterpret_cast<UnitObject*>(arg1));
            return wrapped ? pointer(wrapped->detach()) : 0;
        }
        case 1010: {
            auto* object = reinterpret_cast<UnitObject*>(arg1);
            return object ? pointer(object->hwnd()) : 0;
        }
        case 1012: {
            auto* entry = reinterpret_cast<const IdleCallback*>(arg1);
            auto same = [&](const IdleCallback& c) { return c.window == entry->window; };
            if (std::none_of(g_idle_callbacks.begin(), g_idle_callbacks.end(), same))
                g_idle_callbacks.push_back(*entry);
            return 0;
        }
        case 1013:
            std::erase_if(g_idle_callbacks,
                          [&](const IdleCallback& c) { return c.window == reinterpret_cast<ui::HWND>(arg1); });
            return 0;
        case 1014: return is_unit_window(reinterpret_cast<ui::HWND>(arg1)) ? 1 : 0;
        case 2000: unit_destroyed(static_cast<std::uint32_t>(arg1), static_cast<std::uint32_t>(arg2)); return 0;
        case 2005: {
            auto* request = reinterpret_cast<const LoadRequest*>(arg1);
            ui::HWND owner = request->parent ? request->parent->hwnd() : nullptr;
            return load_window_for_library(request->window_id, owner, request->modal != 0);
        }
        case 2006: return pointer(object_of(static_cast<std::uint32_t>(arg1), static_cast<std::uint32_t>(arg2)));
        case 2007: {
            UnitObject* object = object_of(static_cast<std::uint32_t>(arg1), static_cast<std::uint32_t>(arg2));
            if (!object)
                rt::report_runtime_error(rt::messages::component_missing(), 0, static_cast<std::uint32_t>(arg1),
                                         static_cast<std::uint32_t>(arg2));
            return pointer(object);
        }
        case 2008: return raise_event_record(*reinterpret_cast<EventRecord*>(arg1));
        case 2009:
            ui::pump_pending_messages();
            ++app.suppressCount;
            return 0;
        case 2010:
            ui::pump_pending_messages();
            if (app.suppressCount > 0)
                --app.suppressCount;
            return 0;
        case 2017: return current_event_source(reinterpret_cast<std::uint32_t*>(arg1));
        case 2018: ui::pump_pending_messages(); return 0;
        case 2031: return raise_event_typed(*reinterpret_cast<TypedCallRecord*>(arg1));
        case 2032: return static_cast<std::int64_t>(forms_state().windows.size());
        case 2033: {
            LoadedWindow* window = find_loaded_window(static_cast<std::uint32_t>(arg1));
            return window && window->unit_live(0) ? pointer(window->hwnd()) : 0;
        }
        default: handled = false; return 0;
        }
    }

    std::uint64_t read_property(std::uint32_t window_id, std::uint32_t unit_id, std::int32_t index,
                                std::int32_t element) override {
        return read_unit_property(window_id, unit_id, index, element);
    }

    void write_property(std::uint32_t window_id, std::uint32_t unit_id, std::int32_t index, std::int32_t element,
                        std::uint64_t value) override {
        write_unit_property(window_id, unit_id, index, element, value);
    }

private:
    static std::int64_t pointer(const void* p) {
        return static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(p));
    }

    static bool is_unit_window(ui::HWND hwnd) {
        for (auto& window : forms_state().windows.windows())
            for (auto& object : window.objects)
                if (object && object->hwnd() == hwnd)
                    return true;
        return false;
    }
};

}  // namespace

LoadedWindow* find_loaded_window(std::uint32_t window_id) { return forms_state().windows.find(window_id); }

ui::HWND hidden_owner() { return g_hidden_owner && ui::IsWindow(g_hidden_owner) ? g_hidden_owner : nullptr; }

bool any_window_live() {
    for (auto& window : forms_state().windows.windows())
        if (window.unit_live(0))
            return true;
    return false;
}

void restore_windows_disabled_by(LoadedWindow& window) {
    for (auto [hwnd, was_enabled] : window.disabled_by_modal)
        if (ui::IsWindow(hwnd))
            ui::EnableWindow(hwnd, was_enabled ? win::TRUE : win::FALSE);
    window.disabled_by_modal.clear();
}

void unit_destroyed(std::uint32_t window_id, std::uint32_t unit_id) {
    LoadedWindow* window = find_loaded_window(window_id);
    if (!window)
        return;
    int index = unit_id == 0 ? 0 : window->unit_index(unit_id);
    if (index < 0)
        return;
    auto position = static_cast<std::size_t>(index);
    release_mouse_pointer(window->cursors[position]);
    window->cursors[position] = nullptr;
    if (position != 0) {
        window->objects[position].reset();
        return;
    }
    restore_windows_disabled_by(*window);
    for (std::size_t i = 0; i < window->cursors.size(); ++i) {
        release_mouse_pointer(window->cursors[i]);
        window->cursors[i] = nullptr;
    }
    // Controls still listed go with the window.
    for (auto& object : window->objects)
        object.reset();
    if (window->has_saved) {
        window->working = window->saved;
        window->has_saved = false;
    }
    window->modal = false;
    window->loaded = false;
    window->closing = false;
    auto& state = forms_state();
    if (state.current_modal_window == window_id)
        state.current_modal_window = 0;
    if (!any_window_live() && rt::runtime_app().loopEntered)
        ui::PostQuitMessage(0);
}

bool unit_wants_key(std::uint32_t window_id, ui::HWND focus, int key) {
    LoadedWindow* window = find_loaded_window(window_id);
    if (!window || !focus)
        return false;
    for (std::size_t i = 1; i < window->objects.size(); ++i) {
        if (!window->objects[i] || window->objects[i]->hwnd() != focus)
            continue;
        const rt::DataTypeRecord* type = rt::data_type_record(window->working.units[i].type);
        auto wants = unit_routine<UnitKeyWantedRoutine>(type, kInterfaceKeyWanted);
        return wants && wants(window->objects[i].get(), key);
    }
    return false;
}

void install_forms_host() {
    rt::set_window_host(std::make_unique<FormsHost>());
    install_input_filter();
}

}  // namespace quilbex::forms

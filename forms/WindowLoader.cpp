#include "forms/WindowLoader.h"

#include "forms/Cursors.h"
#include "forms/FormsApi.h"
#include "forms/FormsState.h"
#include "forms/UnitInterface.h"
#include "forms/blocks/WindowBlock.h"
#include "platform/ui/User32.h"
#include "runtime/Notifications.h"
#include "runtime/RuntimeApp.h"

namespace quilbex::forms {
namespace {

inline constexpr ui::UINT kMessageUnitsCreated = 0x806F;
inline constexpr ui::UINT kMessageWindowCreated = 0x8004;
inline constexpr ui::UINT kMessageWindowReady = 0x8076;
inline constexpr ui::UINT kFirstControlId = 100;
inline constexpr ui::UINT kControlIdStep = 10;

struct CreationPlan {
    bool visible = false;
    ui::DWORD extra_style = 0;
};

CreationPlan plan_for(const UnitRecord& record, const rt::DataTypeRecord& type, bool own_record, int show_argument) {
    CreationPlan plan;
    if (type.stateFlags & rt::kTypeFlagNoWindow) {
        plan.visible = false;
    } else if (own_record && show_argument != 0) {
        plan.visible = true;
    } else {
        plan.visible = record.visible();
        if (record.disabled())
            plan.extra_style |= ui::WS_DISABLED;
    }
    if (record.tab_stop())
        plan.extra_style |= ui::WS_TABSTOP;
    return plan;
}

// Undoes a creation that failed half-way: destroys what was made and puts the
// saved unit list back, so the template is unchanged.
void abandon(LoadedWindow& window) {
    if (ui::HWND hwnd = window.hwnd(); hwnd && ui::IsWindow(hwnd))
        ui::DestroyWindow(hwnd);
    for (std::size_t i = 1; i < window.objects.size(); ++i) {
        if (window.unit_live(i))
            ui::DestroyWindow(window.objects[i]->hwnd());
    }
    for (auto& object : window.objects)
        object.reset();
    if (window.has_saved) {
        window.working = window.saved;
        window.has_saved = false;
    }
}

void resume_dispatch() { rt::runtime_notify(2010, 0, 0); }

bool create_units(LoadedWindow& window, int show_argument, bool modal, ui::HWND owner, std::vector<bool>& visible) {
    auto& units = window.working.units;
    visible.assign(units.size(), false);
    ui::UINT next_control_id = kFirstControlId;
    // The window's own record first, then the others from the last to the second.
    std::vector<std::size_t> order{0};
    for (std::size_t i = units.size(); i-- > 1;)
        order.push_back(i);
    for (std::size_t index : order) {
        UnitRecord& record = units[index];
        if (record.is_menu_item())
            continue;
        const rt::DataTypeRecord* type = rt::data_type_record(record.type);
        auto create = unit_routine<UnitCreateRoutine>(type, kInterfaceCreate);
        if (!type || !create)
            return false;
        bool own = index == 0;
        CreationPlan plan = plan_for(record, *type, own, show_argument);
        visible[index] = plan.visible;
        UnitCreateArgs args;
        args.block = record.property_block.data();
        args.block_length = static_cast<std::uint32_t>(record.property_block.size());
        args.extra_style = plan.extra_style;
        args.left = record.left;
        args.top = record.top;
        args.width = record.width;
        args.height = record.height;
        args.window_id = window.id();
        args.unit_id = record.id;
        if (own) {
            args.parent = owner;
            args.modal = modal;
            forms_state().creating_modal = modal;
        } else {
            args.parent = window.hwnd();
            args.control_id = next_control_id;
            next_control_id += kControlIdStep;
        }
        UnitObject* object = create(args);
        forms_state().creating_modal = false;
        window.objects[index].reset(object);
        if (!object || !ui::IsWindow(object->hwnd()))
            return false;
    }
    return true;
}

void parent_and_stack(LoadedWindow& window, std::vector<bool>& visible) {
    auto& units = window.working.units;
    for (std::size_t i = 1; i < units.size(); ++i) {
        if (!window.objects[i])
            continue;
        ui::HWND parent = window.hwnd();
        if (units[i].container != 0) {
            int container = window.unit_index(units[i].container);
            if (container > 0 && window.objects[static_cast<std::size_t>(container)])
                parent = window.objects[static_cast<std::size_t>(container)]->hwnd();
        }
        ui::SetParent(window.objects[i]->hwnd(), parent);
    }
    // Units listed after the first page of a container start hidden.
    for (std::size_t i = 1; i < units.size(); ++i) {
        const rt::DataTypeRecord* type = rt::data_type_record(units[i].type);
        if (!type || !(type->stateFlags & rt::kTypeFlagContainer))
            continue;
        bool past_first_page = false;
        for (std::uint32_t child : units[i].page_list) {
            if (child == 0) {
                past_first_page = true;
                continue;
            }
            int index = window.unit_index(child);
            if (past_first_page && index > 0)
                visible[static_cast<std::size_t>(index)] = false;
        }
    }
    // Each control goes directly after the nearest earlier control of the
    // same container, or to the top of its parent's stacking order.
    constexpr ui::UINT kStackOnly = ui::SWP_NOMOVE | ui::SWP_NOSIZE | ui::SWP_NOACTIVATE;
    for (std::size_t i = 1; i < units.size(); ++i) {
        if (!window.objects[i])
            continue;
        ui::HWND after = ui::HWND_TOP;
        for (std::size_t j = i; j-- > 1;) {
            if (window.objects[j] && units[j].container == units[i].container) {
                after = window.objects[j]->hwnd();
                break;
            }
        }
        ui::SetWindowPos(window.objects[i]->hwnd(), after, 0, 0, 0, 0, kStackOnly);
    }
}

void load_cursors(LoadedWindow& window) {
    for (std::size_t i = 0; i < window.working.units.size(); ++i) {
        window.cursors[i] = load_mouse_pointer(window.working.units[i].mouse_pointer);
        if (window.cursors[i] && window.objects[i])
            ui::set_window_cursor(window.objects[i]->hwnd(), window.cursors[i]);
    }
}

void send_to_controls(LoadedWindow& window, ui::UINT message) {
    for (std::size_t i = window.objects.size(); i-- > 1;)
        if (window.unit_live(i))
            ui::SendMessageA(window.objects[i]->hwnd(), message, 0, 0);
}

// The unit (or the window) that holds the focus, as an index, or -1.
int focused_unit(const LoadedWindow& window) {
    ui::HWND focus = ui::GetFocus();
    if (!focus)
        return -1;
    for (std::size_t i = 0; i < window.objects.size(); ++i)
        if (window.objects[i] && window.objects[i]->hwnd() == focus)
            return static_cast<int>(i);
    return -1;
}

int start_position_command(const UnitRecord& own_record) {
    auto block = read_window_block(own_record.property_block);
    std::int32_t start = block ? block.value().start_position : 1;
    if (start == 2)
        return ui::SW_SHOWMINIMIZED;
    if (start == 3)
        return ui::SW_SHOWMAXIMIZED;
    return ui::SW_SHOW;
}

void disable_other_windows(LoadedWindow& modal_window) {
    for (auto& other : forms_state().windows.windows()) {
        if (&other == &modal_window)
            continue;
        ui::HWND hwnd = other.hwnd();
        if (!hwnd || !ui::IsWindow(hwnd) || ui::GetParent(hwnd))
            continue;
        modal_window.disabled_by_modal.emplace_back(hwnd, ui::IsWindowEnabled(hwnd) != 0);
        ui::EnableWindow(hwnd, win::FALSE);
    }
}

}  // namespace

bool load_window(LoadedWindow& window, int show_argument, bool modal, ui::HWND owner) {
    // A window that is live is only brought up again, modal or not: building
    // it a second time would orphan its objects and the list of windows a
    // modal window disabled.
    if (window.unit_live(0)) {
        if (ui::IsIconic(window.hwnd()))
            ui::ShowWindow(window.hwnd(), ui::SW_RESTORE);
        else
            ui::SetActiveWindow(window.hwnd());
        return true;
    }
    if (modal)
        owner = nullptr;
    else if (owner && !ui::IsWindow(owner))
        return false;
    if (window.working.units.empty())
        return false;

    rt::runtime_notify(2009, 0, 0);
    window.saved = window.working;
    window.has_saved = true;
    window.objects.clear();
    window.objects.resize(window.working.units.size());
    window.cursors.assign(window.working.units.size(), nullptr);
    window.disabled_by_modal.clear();

    std::vector<bool> visible;
    if (!create_units(window, show_argument, modal, owner, visible)) {
        abandon(window);
        resume_dispatch();
        return false;
    }
    parent_and_stack(window, visible);
    load_cursors(window);
    send_to_controls(window, kMessageUnitsCreated);
    ui::SendMessageA(window.hwnd(), kMessageWindowCreated, 0, 0);
    for (std::size_t i = 1; i < window.objects.size(); ++i)
        if (window.objects[i])
            ui::ShowWindow(window.objects[i]->hwnd(), visible[i] ? ui::SW_SHOWNA : ui::SW_HIDE);
    resume_dispatch();

    std::uint32_t window_id = window.id();
    std::uint32_t own_id = window.working.units[0].id;
    // Handlers may close the window; look it up again after each one.
    auto still_there = [&] {
        LoadedWindow* current = find_loaded_window(window_id);
        return current && current->unit_live(0);
    };
    raise_event(window_id, own_id, 0);
    if (still_there())
        raise_event(window_id, own_id, 3);
    if (still_there())
        raise_event(window_id, own_id, 4);
    if (!still_there())
        return true;

    if (visible[0]) {
        int command = show_argument != 0 ? ui::SW_SHOW : start_position_command(window.working.units[0]);
        ui::ShowWindow(window.hwnd(), command);
        int focused = focused_unit(window);
        if (focused >= 0)
            raise_event(window_id, window.working.units[static_cast<std::size_t>(focused)].id, -7);
    }
    if (!still_there())
        return true;
    if (modal) {
        window.modal = true;
        disable_other_windows(window);
    }
    ui::HWND focus = ui::GetFocus();
    send_to_controls(window, kMessageWindowReady);
    if (focus && ui::IsWindow(focus) && ui::GetFocus() != focus)
        ui::SetFocus(focus);
    window.loaded = true;
    window.not_yet_shown = true;
    return true;
}

int load_window_for_library(std::uint32_t window_id, ui::HWND owner, bool modal) {
    LoadedWindow* window = find_loaded_window(window_id);
    if (!window)
        return -1;
    // Loading a live window activates it; its own modal loop, if any, is
    // already running further down the stack.
    bool was_live = window->unit_live(0);
    if (!load_window(*window, 0, modal, owner))
        return -1;
    if (was_live)
        return 0;
    window = find_loaded_window(window_id);
    if (!window || !window->unit_live(0) || !window->working.units[0].visible())
        return 0;
    run_first_show(window_id);
    return 0;
}

void run_first_show(std::uint32_t window_id) {
    LoadedWindow* window = find_loaded_window(window_id);
    if (!window || !window->unit_live(0) || !window->not_yet_shown)
        return;
    window->not_yet_shown = false;
    if (!window->modal)
        return;
    // The modal loop ends when the window is destroyed (the runtime clears
    // the current modal window then).
    auto& state = forms_state();
    std::uint32_t previous = state.current_modal_window;
    state.current_modal_window = window_id;
    ui::run_message_loop_until([&] { return state.current_modal_window != window_id; });
    state.current_modal_window = previous;
}

void show_own_window(std::uint32_t window_id) {
    LoadedWindow* window = find_loaded_window(window_id);
    if (!window || !window->unit_live(0))
        return;
    ui::ShowWindow(window->hwnd(), ui::SW_SHOW);
    run_first_show(window_id);
}

void destroy_loaded_window(LoadedWindow& window) {
    if (ui::HWND hwnd = window.hwnd(); hwnd && ui::IsWindow(hwnd))
        ui::DestroyWindow(hwnd);
}

}  // namespace quilbex::forms

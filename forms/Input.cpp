#include "forms/Input.h"

#include "forms/FormsApi.h"
#include "forms/FormsState.h"
#include "forms/UnitInterface.h"
#include "platform/ui/User32.h"
#include "runtime/Notifications.h"

namespace quilbex::forms {
namespace {

struct InputTarget {
    LoadedWindow* window = nullptr;
    std::size_t index = 0;
};

// The loaded window and unit that a window handle belongs to: the unit whose
// window it is, or the nearest one among its ancestors.
InputTarget target_of(ui::HWND hwnd) {
    for (int depth = 0; hwnd && depth < 64; ++depth) {
        for (auto& window : forms_state().windows.windows())
            for (std::size_t i = 0; i < window.objects.size(); ++i)
                if (window.objects[i] && window.objects[i]->hwnd() == hwnd)
                    return {&window, i};
        hwnd = ui::GetParent(hwnd);
    }
    return {};
}

struct CommonEvent {
    std::int32_t index = 0;  // 0: not a common event
    bool vetoable = true;
};

CommonEvent common_event(ui::UINT message) {
    switch (message) {
    case ui::WM_LBUTTONDOWN: return {-1};
    case ui::WM_LBUTTONUP: return {-2};
    case ui::WM_LBUTTONDBLCLK: return {-3};
    case ui::WM_RBUTTONDOWN: return {-4};
    case ui::WM_RBUTTONUP: return {-5};
    case ui::WM_MOUSEMOVE: return {-6};
    case ui::WM_KEYDOWN:
    case ui::WM_SYSKEYDOWN: return {-9};
    case ui::WM_KEYUP:
    case ui::WM_SYSKEYUP: return {-10};
    case ui::WM_CHAR: return {-11, false};
    case ui::WM_MOUSEWHEEL: return {-12};
    default: return {};
    }
}

// Raises the common event for the message; true when the handler keeps the
// message from the unit.
bool raise_common_event(const InputTarget& target, ui::MSG& message) {
    CommonEvent event = common_event(message.message);
    if (event.index == 0)
        return false;
    std::uint32_t window_id = target.window->id();
    std::uint32_t unit_id = target.window->working.units[target.index].id;
    if (!has_handler(window_id, unit_id, event.index))
        return false;
    auto x = static_cast<std::uint32_t>(static_cast<std::int32_t>(ui::GET_X_LPARAM(message.lParam)));
    auto y = static_cast<std::uint32_t>(static_cast<std::int32_t>(ui::GET_Y_LPARAM(message.lParam)));
    EventOutcome outcome;
    switch (event.index) {
    case -9:
    case -10:
        outcome = raise_event(window_id, unit_id, event.index, {event_key_code(message.wParam), event_key_state()});
        break;
    case -11:
        outcome = raise_event(window_id, unit_id, event.index, {static_cast<std::uint32_t>(message.wParam)});
        break;
    case -12: {
        auto distance = static_cast<std::int16_t>(ui::HIWORD(message.wParam)) / 120;
        outcome =
            raise_event(window_id, unit_id, event.index, {static_cast<std::uint32_t>(distance), event_key_state()});
        break;
    }
    default: outcome = raise_event(window_id, unit_id, event.index, {x, y, event_key_state()}); break;
    }
    if (!outcome.value)
        return false;
    if (!event.vetoable) {
        if (*outcome.value == 0)
            return true;
        message.wParam = static_cast<ui::WPARAM>(static_cast<std::uint32_t>(*outcome.value));
        return false;
    }
    return *outcome.value == 0;
}

bool window_keyboard(const InputTarget& target, ui::MSG& message) {
    if (message.message != ui::WM_KEYDOWN && message.message != ui::WM_SYSKEYDOWN)
        return false;
    UnitObject* window_object = target.window->window_object();
    if (!window_object)
        return false;
    const rt::DataTypeRecord* type = rt::data_type_record(target.window->working.units[0].type);
    auto keyboard = unit_routine<UnitKeyboardRoutine>(type, kInterfaceKeyboard);
    return keyboard && keyboard(window_object, message);
}

}  // namespace

std::uint32_t event_key_code(ui::WPARAM virtual_key) {
    auto key = static_cast<std::uint32_t>(virtual_key);
    if (key >= 0x60 && key <= 0x69)
        key = key - 0x60 + 0x30;
    else if (key == 0x6D)
        key = 189;
    else if (key == 0x6E)
        key = 190;
    else if (key == 0x6F)
        key = 191;
    return key & 0x1FFF;
}

std::uint32_t event_key_state() {
    std::uint32_t state = 0;
    if (ui::GetKeyState(ui::VK_CONTROL) & 0x8000)
        state |= 1;
    if (ui::GetKeyState(ui::VK_SHIFT) & 0x8000)
        state |= 2;
    if (ui::GetKeyState(ui::VK_MENU) & 0x8000)
        state |= 4;
    return state;
}

bool filter_input(ui::MSG& message) {
    InputTarget target = target_of(message.hwnd);
    if (!target.window)
        return false;
    std::uint32_t window_id = target.window->id();
    if (raise_common_event(target, message))
        return true;
    // A handler may have closed the window.
    target = target_of(message.hwnd);
    if (!target.window || target.window->id() != window_id)
        return false;
    return window_keyboard(target, message);
}

void install_input_filter() { ui::set_input_filter(filter_input); }

}  // namespace quilbex::forms

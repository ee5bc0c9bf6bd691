#include "forms/PropertyAccess.h"

#include "forms/Cursors.h"
#include "forms/FormsApi.h"
#include "forms/FormsState.h"
#include "forms/UnitInterface.h"
#include "forms/WindowLoader.h"
#include "platform/ui/Constants.h"
#include "platform/ui/User32.h"
#include "platform/ui/WindowSystem.h"
#include "runtime/Blocks.h"
#include "runtime/ErrorReport.h"
#include "runtime/Memory.h"
#include "runtime/Notifications.h"
#include "runtime_messages/RuntimeMessages.h"

#include <algorithm>
#include <cstring>

namespace quilbex::forms {
namespace {

using namespace rt::messages;

inline constexpr std::int32_t kPositionLimit = 32627;

std::uint64_t pointer_value(const void* pointer) { return reinterpret_cast<std::uintptr_t>(pointer); }

std::uint64_t new_text(const std::string& bytes) { return pointer_value(rt::make_text(bytes)); }
std::uint64_t new_byte_set(const std::string& bytes) {
    return pointer_value(rt::make_byte_set(bytes.data(), bytes.size()));
}

struct Target {
    LoadedWindow* window;
    std::size_t index;
    UnitRecord* record;
};

// Finds the window and the unit's record; a window that is not in the list
// and a unit that is not in the window are runtime errors.
Target find_target(std::uint32_t window_id, std::uint32_t unit_id) {
    LoadedWindow* window = forms_state().windows.find(window_id);
    if (!window)
        rt::report_runtime_error(property_window_not_loaded(), 0, window_id, unit_id);
    int index = unit_id == 0 ? 0 : window->unit_index(unit_id);
    if (index < 0)
        rt::report_runtime_error(component_missing(), 0, window_id, unit_id);
    auto position = static_cast<std::size_t>(index);
    return {window, position, &window->working.units[position]};
}

const rt::PropertyDescription* property_description(const UnitRecord& record, int index) {
    const rt::DataTypeRecord* type = rt::data_type_record(record.type);
    if (!type || !type->properties || index < 0 || static_cast<std::uint32_t>(index) >= type->propertyCount)
        return nullptr;
    return &type->properties[index];
}

std::uint64_t font_attribute(const std::string& font, std::int32_t element) {
    // A font reads as one of its attributes: 0 height, 1 weight, 2 italic,
    // 3 underline, 4 strike-out, 5 the face name; any other element gives the
    // whole 60-byte record as a byte set.
    if (font.size() != 60 || element < 0 || element > 5)
        return new_byte_set(font);
    auto byte_at = [&](std::size_t offset) { return static_cast<std::uint8_t>(font[offset]); };
    std::int32_t value = 0;
    switch (element) {
    case 0: std::memcpy(&value, font.data(), 4); return static_cast<std::uint32_t>(value);
    case 1: std::memcpy(&value, font.data() + 16, 4); return static_cast<std::uint32_t>(value);
    case 2: return byte_at(20) ? 1 : 0;
    case 3: return byte_at(21) ? 1 : 0;
    case 4: return byte_at(22) ? 1 : 0;
    default: return new_text(std::string(font.c_str() + 28, strnlen(font.c_str() + 28, 32)));
    }
}

std::uint64_t convert_for_reading(const PropertyValue& value, std::uint16_t kind, std::int32_t element) {
    switch (kind) {
    case kKindLong:
    case kKindLong2: return value.number;
    case kKindLogical: return value.number == 1 ? 1 : 0;
    case kKindText: return new_text(value.bytes);
    case kKindPicture:
    case kKindPicture2:
    case kKindBytes:
    case kKindBytes2:
    case kKindBytes3: return new_byte_set(value.bytes);
    case kKindMousePointer:
        return new_byte_set(
            mouse_pointer_for_reading(std::vector<std::uint8_t>(value.bytes.begin(), value.bytes.end())));
    case kKindFont: return font_attribute(value.bytes, element);
    default: return value.is_bytes ? new_text(value.bytes) : static_cast<std::uint32_t>(value.number);
    }
}

PropertyValue convert_for_writing(std::uint64_t value, std::uint16_t kind) {
    switch (kind) {
    case kKindLogical: return PropertyValue::of_number(static_cast<std::uint32_t>(value) != 0 ? 1 : 0);
    case kKindText: {
        auto* text = reinterpret_cast<const char*>(static_cast<std::uintptr_t>(value));
        return PropertyValue::of_bytes(text ? std::string(text) : std::string());
    }
    case kKindPicture:
    case kKindPicture2:
    case kKindMousePointer:
    case kKindBytes:
    case kKindFont:
    case kKindBytes2:
    case kKindBytes3: {
        auto bytes = rt::byte_set_bytes(reinterpret_cast<const void*>(static_cast<std::uintptr_t>(value)));
        return PropertyValue::of_bytes(std::string(bytes.begin(), bytes.end()));
    }
    case kKindLong:
    case kKindLong2: return PropertyValue::of_number(value);
    default: return PropertyValue::of_number(static_cast<std::uint32_t>(value));
    }
}

// The unit's rectangle in its parent's client coordinates (the screen for a
// top-level window).
ui::RECT live_rect(ui::HWND hwnd) {
    ui::Window* window = ui::WindowSystem::the().find(hwnd);
    return window ? window->rect : ui::RECT{};
}

bool type_has_no_window(const UnitRecord& record) {
    const rt::DataTypeRecord* type = rt::data_type_record(record.type);
    return type && (type->stateFlags & rt::kTypeFlagNoWindow);
}

std::uint64_t read_menu_item(const UnitRecord& record, std::int32_t index) {
    switch (index) {
    case 0: return new_text(record.caption);
    case 1: return (record.menu_flags >> 2) & 1;
    case 2: return (record.menu_flags >> 1) & 1;
    case 3: return (record.menu_flags & 1) ? 0 : 1;
    default: return 0;
    }
}

void write_menu_item(UnitRecord& record, std::int32_t index, std::uint64_t value) {
    auto set_bit = [&](std::uint32_t bit, bool on) {
        record.menu_flags = on ? (record.menu_flags | bit) : (record.menu_flags & ~bit);
    };
    bool on = static_cast<std::uint32_t>(value) != 0;
    switch (index) {
    case 0: {
        auto* text = reinterpret_cast<const char*>(static_cast<std::uintptr_t>(value));
        record.caption = text ? text : "";
        break;
    }
    case 1: set_bit(4, on); break;
    case 2: set_bit(2, on); break;
    case 3: set_bit(1, !on); break;
    default: break;
    }
    // This program's windows carry no menus, so there is no menu to rebuild.
}

std::uint64_t read_on_window_thread(std::uint32_t window_id, std::uint32_t unit_id, std::int32_t index,
                                    std::int32_t element) {
    Target target = find_target(window_id, unit_id);
    UnitRecord& record = *target.record;
    if (record.is_menu_item())
        return read_menu_item(record, index);
    bool live = target.window->unit_live(target.index);
    UnitObject* object = target.window->object(target.index);
    switch (index) {
    case 0: return static_cast<std::uint32_t>(live ? live_rect(object->hwnd()).left : record.left);
    case 1: return static_cast<std::uint32_t>(live ? live_rect(object->hwnd()).top : record.top);
    case 2: return static_cast<std::uint32_t>(live ? ui::rect_width(live_rect(object->hwnd())) : record.width);
    case 3: return static_cast<std::uint32_t>(live ? ui::rect_height(live_rect(object->hwnd())) : record.height);
    case 4: return new_text(record.tag);
    case 5: {
        if (!live)
            return record.visible() ? 1 : 0;
        ui::Window* window = ui::WindowSystem::the().find(object->hwnd());
        return window && window->visible_flag() ? 1 : 0;
    }
    case 6: {
        if (!live)
            return record.disabled() ? 1 : 0;
        ui::Window* window = ui::WindowSystem::the().find(object->hwnd());
        return window && !window->enabled_flag() ? 1 : 0;
    }
    case 7: return new_byte_set(mouse_pointer_for_reading(record.mouse_pointer));
    default: break;
    }
    if (!live)
        rt::report_runtime_error(read_property_not_loaded(), 0, window_id, unit_id);
    const rt::DataTypeRecord* type = rt::data_type_record(record.type);
    auto read = unit_routine<UnitReadPropertyRoutine>(type, kInterfaceReadProperty);
    const rt::PropertyDescription* description = property_description(record, index);
    if (!read || !description)
        return 0;
    return convert_for_reading(read(object, index - 8), description->dataKind, element);
}

void write_on_window_thread(std::uint32_t window_id, std::uint32_t unit_id, std::int32_t index, std::uint64_t value) {
    Target target = find_target(window_id, unit_id);
    UnitRecord& record = *target.record;
    if (record.is_menu_item()) {
        write_menu_item(record, index, value);
        return;
    }
    auto& system = ui::WindowSystem::the();
    bool live = target.window->unit_live(target.index);
    ui::HWND hwnd = live ? target.window->object(target.index)->hwnd() : nullptr;
    auto number = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    bool flag = number != 0;
    switch (index) {
    case 0:
    case 1: {
        std::int32_t position = clamp_position(number);
        (index == 0 ? record.left : record.top) = position;
        if (live) {
            ui::RECT rect = live_rect(hwnd);
            ui::LONG width = ui::rect_width(rect), height = ui::rect_height(rect);
            if (index == 0)
                rect.left = position;
            else
                rect.top = position;
            system.set_geometry(hwnd, {rect.left, rect.top, rect.left + width, rect.top + height});
            system.invalidate(hwnd, true);
        }
        return;
    }
    case 2:
    case 3: {
        std::int32_t size = clamp_size(number);
        (index == 2 ? record.width : record.height) = size;
        if (live) {
            ui::RECT rect = live_rect(hwnd);
            if (index == 2)
                rect.right = rect.left + size;
            else
                rect.bottom = rect.top + size;
            system.set_geometry(hwnd, rect);
        }
        return;
    }
    case 4: {
        auto* text = reinterpret_cast<const char*>(static_cast<std::uintptr_t>(value));
        record.tag = text ? text : "";
        return;
    }
    case 5:
        record.flags = flag ? (record.flags | kUnitVisible) : (record.flags & ~kUnitVisible);
        if (live) {
            if (!flag)
                system.show_window(hwnd, ui::SW_HIDE);
            else if (target.index == 0)
                show_own_window(window_id);  // may run a modal loop: nothing here is used after it
            else if (!type_has_no_window(record))
                system.show_window(hwnd, ui::SW_SHOW);
        }
        return;
    case 6:
        record.flags = flag ? (record.flags | kUnitDisabled) : (record.flags & ~kUnitDisabled);
        if (live)
            system.enable_window(hwnd, !flag);
        return;
    case 7: {
        auto bytes = rt::byte_set_bytes(reinterpret_cast<const void*>(static_cast<std::uintptr_t>(value)));
        record.mouse_pointer.assign(bytes.begin(), bytes.end());
        release_mouse_pointer(target.window->cursors[target.index]);
        target.window->cursors[target.index] = load_mouse_pointer(record.mouse_pointer);
        if (live)
            ui::set_window_cursor(hwnd, target.window->cursors[target.index]);
        return;
    }
    default: break;
    }
    if (!live)
        rt::report_runtime_error(write_property_not_loaded(), 0, window_id, unit_id);
    const rt::DataTypeRecord* type = rt::data_type_record(record.type);
    auto changed = unit_routine<UnitPropertyChangedRoutine>(type, kInterfacePropertyChanged);
    const rt::PropertyDescription* description = property_description(record, index);
    if (!changed || !description)
        return;
    changed(target.window->object(target.index), index - 8, convert_for_writing(value, description->dataKind));
}

}  // namespace

std::int32_t clamp_position(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, -kPositionLimit, kPositionLimit));
}

std::int32_t clamp_size(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, 0, kPositionLimit));
}

std::uint64_t read_unit_property(std::uint32_t window_id, std::uint32_t unit_id, std::int32_t index,
                                 std::int32_t element) {
    auto& system = ui::WindowSystem::the();
    if (system.on_window_thread())
        return read_on_window_thread(window_id, unit_id, index, element);
    std::uint64_t result = 0;
    system.call_on_window_thread([&] { result = read_on_window_thread(window_id, unit_id, index, element); });
    return result;
}

void write_unit_property(std::uint32_t window_id, std::uint32_t unit_id, std::int32_t index, std::int32_t,
                         std::uint64_t value) {
    auto& system = ui::WindowSystem::the();
    if (system.on_window_thread()) {
        write_on_window_thread(window_id, unit_id, index, value);
        return;
    }
    system.call_on_window_thread([&] { write_on_window_thread(window_id, unit_id, index, value); });
}

}  // namespace quilbex::forms

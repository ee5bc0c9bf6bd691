#pragma once
// The in-memory form of the serialized window templates: the window list,
// and per window its stored values, texts and unit records in template order.
// Every field of the stream is kept, so writing a read template gives back
// the same bytes. Texts are GBK bytes without their terminator.

#include "forms/template/Identifiers.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace quilbex::forms {

struct HandlerEntry {
    std::int32_t event = 0;  // the unit type's event index (negative: common events)
    std::uint32_t handler = kNoHandler;  // routine index before relocation
    bool operator==(const HandlerEntry&) const = default;
};

// One unit record. The window's own record and controls use the fields up to
// `reserved_d`; a menu item record (sub-kind 2 in its identifier) uses
// `menu_values`, `menu_flags`, `caption` and exactly one handler entry with
// event 0 in their place. Both end with the property block.
struct UnitRecord {
    std::uint32_t id = 0;  // stored in the unit list, not in the record
    std::uint32_t type = 0;
    std::uint32_t source_unit = 0;
    std::array<std::uint32_t, 4> reserved_a{};
    std::string name;
    std::string second_name;

    std::uint32_t object_slot = 0;
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint32_t cursor_slot = 0;
    std::uint32_t container = 0;
    std::vector<std::uint32_t> page_list;
    std::vector<std::uint8_t> mouse_pointer;
    std::string tag;
    std::uint32_t reserved_b = 0;
    std::uint32_t flags = 0;
    std::uint32_t reserved_c = 0;
    std::vector<HandlerEntry> handlers;
    std::array<std::uint32_t, 5> reserved_d{};

    std::array<std::uint32_t, 2> menu_values{};
    std::uint32_t menu_flags = 0;
    std::string caption;

    std::vector<std::uint8_t> property_block;

    bool is_menu_item() const { return unit_sub_kind(id) == UnitSubKind::MenuItem; }
    bool visible() const { return (flags & kUnitVisible) != 0; }
    bool disabled() const { return (flags & kUnitDisabled) != 0; }
    bool tab_stop() const { return (flags & kUnitTabStop) != 0; }
    // The routine index bound to `event`, or kNoHandler.
    std::uint32_t handler_for(std::int32_t event) const;

    bool operator==(const UnitRecord&) const = default;
};

struct WindowTemplate {
    std::uint32_t id = 0;
    std::array<std::uint32_t, 2> values{};  // stored with the window, not used to create it
    std::array<std::string, 2> texts;  // likewise
    std::vector<UnitRecord> units;  // the window's own record first

    // Linear lookups; null when absent.
    const UnitRecord* find_unit(std::uint32_t unit_id) const;
    UnitRecord* find_unit(std::uint32_t unit_id);
    const UnitRecord* find_unit_by_name(const std::string& gbk_name) const;

    bool operator==(const WindowTemplate&) const = default;
};

struct TemplateData {
    std::vector<WindowTemplate> windows;  // in window list order

    const WindowTemplate* find_window(std::uint32_t window_id) const;
    WindowTemplate* find_window(std::uint32_t window_id);

    bool operator==(const TemplateData&) const = default;
};

}  // namespace quilbex::forms

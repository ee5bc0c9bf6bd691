#include "forms/template/TemplateReader.h"

#include "forms/template/ByteStream.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace quilbex::forms {
namespace {

void read_control_fields(ByteReader& in, UnitRecord& unit) {
    unit.object_slot = in.u32("object slot");
    unit.left = in.i32("left");
    unit.top = in.i32("top");
    unit.width = in.i32("width");
    unit.height = in.i32("height");
    unit.cursor_slot = in.u32("cursor slot");
    unit.container = in.u32("container");
    std::uint32_t pages = in.u32("page list count");
    if (pages > in.remaining() / 4)
        in.fail("page list count " + std::to_string(pages) + " exceeds the record");
    for (std::uint32_t i = 0; i < pages && !in.failed(); ++i)
        unit.page_list.push_back(in.u32("page list entry"));
    unit.mouse_pointer = in.byte_array("mouse pointer");
    unit.tag = in.zero_text("tag");
    unit.reserved_b = in.u32("reserved");
    unit.flags = in.u32("flags");
    unit.reserved_c = in.u32("reserved");
    std::uint32_t count = in.u32("handler count");
    if (count > in.remaining() / 8)
        in.fail("handler count " + std::to_string(count) + " exceeds the record");
    for (std::uint32_t i = 0; i < count && !in.failed(); ++i) {
        HandlerEntry entry;
        entry.event = in.i32("handler event");
        entry.handler = in.u32("handler");
        unit.handlers.push_back(entry);
    }
    for (auto& value : unit.reserved_d)
        value = in.u32("reserved");
}

void read_menu_fields(ByteReader& in, UnitRecord& unit) {
    unit.menu_values[0] = in.u32("menu value");
    unit.menu_values[1] = in.u32("menu value");
    unit.menu_flags = in.u32("menu flags");
    unit.caption = in.zero_text("menu caption");
    unit.handlers.push_back({0, in.u32("menu handler")});
}

// Reads one window's unit list area (the B bytes).
bool read_unit_area(ByteReader& area, std::uint32_t count, WindowTemplate& window, FormatError& error) {
    if (count == 0) {
        area.fail("a window has no unit records");
    } else if (count > area.remaining() / 8) {
        area.fail("unit count " + std::to_string(count) + " exceeds the unit list");
    }
    std::vector<std::uint32_t> ids;
    std::vector<std::uint32_t> offsets;
    for (std::uint32_t i = 0; i < count && !area.failed(); ++i)
        ids.push_back(area.u32("unit identifier"));
    for (std::uint32_t i = 0; i < count && !area.failed(); ++i)
        offsets.push_back(area.u32("unit offset"));
    if (area.failed()) {
        error = area.error();
        return false;
    }

    std::size_t records_base = area.offset();
    auto records = area.rest();
    std::vector<std::pair<std::size_t, std::size_t>> spans;  // [start, end) of each record with its length
    for (std::uint32_t i = 0; i < count; ++i) {
        std::size_t start = offsets[i];
        if (start > records.size() || records.size() - start < 4) {
            error = {"unit offset " + std::to_string(start) + " lies outside the record area", records_base};
            return false;
        }
        ByteReader at(records.subspan(start), records_base + start);
        std::uint32_t length = at.u32("record length");
        auto body = at.take_bytes(length, "unit record");
        if (at.failed()) {
            error = at.error();
            return false;
        }
        auto unit = read_unit_record(ids[i], body, records_base + start + 4);
        if (!unit) {
            error = unit.error();
            return false;
        }
        window.units.push_back(std::move(unit).value());
        spans.emplace_back(start, start + 4 + length);
    }

    // The records must tile the area: no gap, no overlap, nothing left over,
    // so that every byte of the stream belongs to exactly one field.
    std::sort(spans.begin(), spans.end());
    std::size_t expected = 0;
    for (auto [start, end] : spans) {
        if (start != expected) {
            error = {"unit records overlap or leave a gap", records_base + std::min(start, expected)};
            return false;
        }
        expected = end;
    }
    if (expected != records.size()) {
        error = {"bytes left over after the unit records", records_base + expected};
        return false;
    }
    return true;
}

}  // namespace

Parsed<UnitRecord> read_unit_record(std::uint32_t unit_id, std::span<const std::uint8_t> record, std::size_t base) {
    ByteReader in(record, base);
    UnitRecord unit;
    unit.id = unit_id;
    unit.type = in.u32("unit type");
    unit.source_unit = in.u32("source unit");
    for (auto& value : unit.reserved_a)
        value = in.u32("reserved");
    unit.name = in.zero_text("unit name");
    unit.second_name = in.zero_text("second name");
    if (unit.is_menu_item())
        read_menu_fields(in, unit);
    else
        read_control_fields(in, unit);
    auto block = in.rest();
    if (in.failed())
        return in.error();
    unit.property_block.assign(block.begin(), block.end());
    return unit;
}

Parsed<TemplateData> read_templates(std::span<const std::uint8_t> data) {
    ByteReader in(data);
    TemplateData result;

    std::uint32_t list_size = in.u32("window list size");
    if (list_size % 8 != 0)
        in.fail("window list size " + std::to_string(list_size) + " is not a multiple of 8");
    ByteReader list = in.take(list_size, "window list");
    std::uint32_t window_count = list_size / 8;
    for (std::uint32_t i = 0; i < window_count && !list.failed(); ++i)
        result.windows.emplace_back().id = list.u32("window identifier");
    if (in.failed())
        return in.error();

    for (auto& window : result.windows) {
        window.values[0] = in.u32("window value");
        window.values[1] = in.u32("window value");
        window.texts[0] = in.counted_text("window text");
        window.texts[1] = in.counted_text("window text");
        std::uint32_t unit_count = in.u32("unit count");
        std::uint32_t area_size = in.u32("unit list size");
        ByteReader area = in.take(area_size, "unit list");
        if (in.failed())
            return in.error();
        FormatError error;
        if (!read_unit_area(area, unit_count, window, error))
            return error;
    }
    if (!in.at_end())
        return FormatError{std::to_string(in.remaining()) + " bytes follow the last window", in.offset()};
    return result;
}

}  // namespace quilbex::forms

#include "forms/template/TemplateWriter.h"

namespace quilbex::forms {
namespace {

void write_control_fields(ByteWriter& out, const UnitRecord& unit) {
    out.u32(unit.object_slot);
    out.i32(unit.left);
    out.i32(unit.top);
    out.i32(unit.width);
    out.i32(unit.height);
    out.u32(unit.cursor_slot);
    out.u32(unit.container);
    out.u32(static_cast<std::uint32_t>(unit.page_list.size()));
    for (auto entry : unit.page_list)
        out.u32(entry);
    out.byte_array(unit.mouse_pointer);
    out.zero_text(unit.tag, "tag");
    out.u32(unit.reserved_b);
    out.u32(unit.flags);
    out.u32(unit.reserved_c);
    out.u32(static_cast<std::uint32_t>(unit.handlers.size()));
    for (const auto& entry : unit.handlers) {
        out.i32(entry.event);
        out.u32(entry.handler);
    }
    for (auto value : unit.reserved_d)
        out.u32(value);
}

void write_menu_fields(ByteWriter& out, const UnitRecord& unit) {
    out.u32(unit.menu_values[0]);
    out.u32(unit.menu_values[1]);
    out.u32(unit.menu_flags);
    out.zero_text(unit.caption, "menu caption");
    if (unit.handlers.size() > 1)
        out.fail("a menu item has more than one handler");
    out.u32(unit.handlers.empty() ? kNoHandler : unit.handlers.front().handler);
}

}  // namespace

Parsed<Bytes> write_unit_record(const UnitRecord& unit) {
    ByteWriter out;
    out.u32(unit.type);
    out.u32(unit.source_unit);
    for (auto value : unit.reserved_a)
        out.u32(value);
    out.zero_text(unit.name, "unit name");
    out.zero_text(unit.second_name, "second name");
    if (unit.is_menu_item())
        write_menu_fields(out, unit);
    else
        write_control_fields(out, unit);
    out.raw(unit.property_block);
    return finish(out);
}

Parsed<Bytes> write_templates(const TemplateData& templates) {
    ByteWriter out;
    out.u32(static_cast<std::uint32_t>(templates.windows.size() * 8));
    for (const auto& window : templates.windows)
        out.u32(window.id);
    for (std::size_t i = 0; i < templates.windows.size(); ++i)
        out.u32(0);

    for (const auto& window : templates.windows) {
        if (window.units.empty())
            return FormatError{"a window has no unit records", 0};
        out.u32(window.values[0]);
        out.u32(window.values[1]);
        out.counted_text(window.texts[0]);
        out.counted_text(window.texts[1]);

        ByteWriter ids;
        ByteWriter offsets;
        ByteWriter records;
        for (const auto& unit : window.units) {
            auto record = write_unit_record(unit);
            if (!record)
                return record.error();
            ids.u32(unit.id);
            offsets.u32(static_cast<std::uint32_t>(records.size()));
            records.byte_array(record.value());
        }
        if (records.failed())
            return records.error();
        auto id_bytes = ids.take();
        auto offset_bytes = offsets.take();
        auto record_bytes = records.take();
        out.u32(static_cast<std::uint32_t>(window.units.size()));
        out.byte_array(Bytes{});  // placeholder length, patched below
        std::size_t size_at = out.size() - 4;
        out.raw(id_bytes);
        out.raw(offset_bytes);
        out.raw(record_bytes);
        std::size_t area = id_bytes.size() + offset_bytes.size() + record_bytes.size();
        if (area > 0xFFFFFFFFu)
            out.fail("a unit list does not fit in 32 bits");
        out.patch_u32(size_at, static_cast<std::uint32_t>(area));
    }
    return finish(out);
}

}  // namespace quilbex::forms

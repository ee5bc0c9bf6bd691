// The serialized window templates: layout, round trip and refusal of
// malformed data.

#include "forms/template/ByteStream.h"
#include "forms/template/TemplateReader.h"
#include "forms/template/TemplateWriter.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace quilbex::forms {
namespace {

UnitRecord window_record(std::uint32_t id) {
    UnitRecord unit;
    unit.id = id;
    unit.type = kWindowType;
    unit.left = 50;
    unit.top = 50;
    unit.width = 440;
    unit.height = 338;
    unit.flags = kUnitVisible;
    unit.handlers = {{0, 0}};  // routine 0 is a real handler
    unit.property_block = {6, 0, 0, 0};
    return unit;
}

UnitRecord control(std::uint32_t id, std::string name) {
    UnitRecord unit;
    unit.id = id;
    unit.type = kButtonType;
    unit.name = std::move(name);
    unit.left = -24;
    unit.top = -64;
    unit.width = 80;
    unit.height = 32;
    unit.flags = kUnitVisible | kUnitTabStop;
    return unit;
}

// Two windows using every field: page lists, mouse pointer data, tags,
// handlers without a routine, reserved values and a menu item.
TemplateData sample() {
    TemplateData data;
    WindowTemplate& main = data.windows.emplace_back();
    main.id = 0x52010001;
    main.values = {0x0000E100, 0x19010003};
    main.units.push_back(window_record(0x06010000));
    UnitRecord box = control(0x16012C18, "\xb1\xe0\xbc\xad\xbf\xf2");
    box.type = kEditBoxType;
    box.container = 0x16000001;
    box.page_list = {0x16000002, 0, 0x16000003, 0};
    box.mouse_pointer = {0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3};
    box.tag = "tag";
    box.second_name = "second";
    box.source_unit = 0x16010002;
    box.reserved_a = {1, 2, 3, 4};
    box.reserved_d = {5, 6, 7, 8, 9};
    box.handlers = {{0, 3}, {-7, kNoHandler}, {-12, 8}};
    box.property_block = {2, 0, 0, 0, 9};
    main.units.push_back(box);
    UnitRecord item;
    item.id = 0x26010005;
    item.type = kMenuItemType;
    item.name = "menu";
    item.menu_values = {11, 12};
    item.menu_flags = 0x5;
    item.caption = "&File";
    item.handlers = {{0, 4}};
    item.property_block = {0xAB};
    main.units.push_back(item);

    WindowTemplate& login = data.windows.emplace_back();
    login.id = 0x5201591B;
    login.values = {0x4601139C, 0x19015925};
    login.texts = {"one", ""};
    login.units.push_back(window_record(0x0601591A));
    login.units.push_back(control(0x16015923, "b"));
    return data;
}

Bytes write(const TemplateData& data) {
    auto bytes = write_templates(data);
    EXPECT_TRUE(bytes.ok()) << (bytes.ok() ? "" : bytes.error().message);
    return bytes.ok() ? bytes.value() : Bytes{};
}

TEST(TemplateStream, reads_back_every_field_and_rewrites_the_same_bytes) {
    TemplateData data = sample();
    Bytes bytes = write(data);
    auto read = read_templates(bytes);
    ASSERT_TRUE(read.ok()) << read.error().message << " at " << read.error().offset;
    EXPECT_EQ(read.value(), data);
    EXPECT_EQ(write(read.value()), bytes);
}

// A stream built by hand, so that the writer and the reader cannot agree on a
// wrong layout: one window, one record with a two-byte property block.
TEST(TemplateStream, reads_a_hand_built_stream) {
    ByteWriter record;
    record.u32(kWindowType);  // type
    record.u32(0);  // source
    for (int i = 0; i < 4; ++i)
        record.u32(0);
    record.raw(Bytes{'\0', 'x', '\0'});  // empty name, second name "x"
    record.u32(0);  // object slot
    for (std::int32_t v : {1, -2, 3, 4})
        record.i32(v);
    record.u32(0);  // cursor slot
    record.u32(0);  // container
    record.u32(1);  // one page list entry
    record.u32(0);
    record.u32(0);  // no mouse pointer
    record.raw(Bytes{'t', '\0'});
    record.u32(0);
    record.u32(5);  // visible, tab stop
    record.u32(0);
    record.u32(1);  // one handler
    record.i32(0);
    record.u32(0xFFFFFFFF);
    for (int i = 0; i < 5; ++i)
        record.u32(0);
    record.raw(Bytes{0xAA, 0xBB});
    Bytes body = record.take();

    ByteWriter stream;
    stream.u32(8);
    stream.u32(0x52010001);
    stream.u32(0x12345678);  // slot, ignored
    stream.u32(7);
    stream.u32(9);
    stream.counted_text("ab");
    stream.counted_text("");
    stream.u32(1);
    stream.u32(static_cast<std::uint32_t>(4 + 4 + 4 + body.size()));
    stream.u32(0x06010000);
    stream.u32(0);  // offset from the end of the offset array
    stream.byte_array(body);
    Bytes bytes = stream.take();

    auto read = read_templates(bytes);
    ASSERT_TRUE(read.ok()) << read.error().message;
    const WindowTemplate& window = read.value().windows.at(0);
    EXPECT_EQ(window.id, 0x52010001u);
    EXPECT_EQ(window.values, (std::array<std::uint32_t, 2>{7, 9}));
    EXPECT_EQ(window.texts[0], "ab");
    ASSERT_EQ(window.units.size(), 1u);
    const UnitRecord& unit = window.units[0];
    EXPECT_EQ(unit.second_name, "x");
    EXPECT_EQ(unit.top, -2);
    EXPECT_EQ(unit.page_list, std::vector<std::uint32_t>{0});
    EXPECT_EQ(unit.tag, "t");
    EXPECT_TRUE(unit.visible() && unit.tab_stop() && !unit.disabled());
    EXPECT_EQ(unit.handler_for(0), kNoHandler);
    EXPECT_EQ(unit.property_block, (Bytes{0xAA, 0xBB}));
    // The slot is not kept, so the rewritten stream has a zero there.
    Bytes rewritten = write(read.value());
    bytes[8] = bytes[9] = bytes[10] = bytes[11] = 0;
    EXPECT_EQ(rewritten, bytes);
}

// Records may be stored in any order as long as each offset finds its record.
TEST(TemplateStream, follows_offsets_rather_than_record_order) {
    Bytes first = write_unit_record(window_record(0x06010000)).value();
    Bytes second = write_unit_record(control(0x16010002, "b")).value();
    ByteWriter stream;
    stream.u32(8);
    stream.u32(0x52010001);
    stream.u32(0);
    stream.u32(0);
    stream.u32(0);
    stream.counted_text("");
    stream.counted_text("");
    stream.u32(2);
    stream.u32(static_cast<std::uint32_t>(16 + 8 + first.size() + second.size()));
    stream.u32(0x06010000);
    stream.u32(0x16010002);
    stream.u32(static_cast<std::uint32_t>(4 + second.size()));
    stream.u32(0);
    stream.byte_array(second);
    stream.byte_array(first);
    auto read = read_templates(stream.take());
    ASSERT_TRUE(read.ok()) << read.error().message;
    const auto& units = read.value().windows.at(0).units;
    ASSERT_EQ(units.size(), 2u);
    EXPECT_EQ(units[0], window_record(0x06010000));
    EXPECT_EQ(units[1], control(0x16010002, "b"));
}

TEST(TemplateStream, refuses_every_truncation_and_trailing_bytes) {
    Bytes bytes = write(sample());
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        Bytes cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_FALSE(read_templates(cut).ok()) << "prefix of " << n << " bytes";
    }
    bytes.push_back(0);
    auto read = read_templates(bytes);
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.error().offset, bytes.size() - 1);
}

// Patches a 32-bit value of a one-window stream built from `data`.
Bytes patched(const TemplateData& data, std::size_t at, std::uint32_t value) {
    Bytes bytes = write(data);
    for (int i = 0; i < 4; ++i)
        bytes.at(at + i) = static_cast<std::uint8_t>(value >> (8 * i));
    return bytes;
}

TEST(TemplateStream, refuses_lengths_and_counts_that_do_not_fit) {
    TemplateData data;
    WindowTemplate& window = data.windows.emplace_back();
    window.id = 0x52010001;
    window.units = {window_record(0x06010000), control(0x16010002, "b")};
    // Stream offsets: 0 list size, 4 id, 8 slot, 12/16 values, 20/24 text
    // lengths, 28 unit count, 32 unit list size, 36/40 ids, 44/48 offsets,
    // 52 first record length.
    const std::pair<std::size_t, std::uint32_t> cases[] = {
        {0, 12},  {0, 0xFFFFFFF8},  {20, 0xFFFFFFFF}, {28, 0}, {28, 0x40000000}, {32, 0xFFFFFFFF},
        {32, 20}, {44, 0xFFFFFFF0}, {48, 0},          {48, 1}, {52, 0xFFFFFFFF}, {52, 10},
    };
    for (auto [at, value] : cases)
        EXPECT_FALSE(read_templates(patched(data, at, value)).ok()) << "value " << value << " at " << at;
}

TEST(TemplateStream, refuses_unterminated_names_and_oversized_lists_inside_a_record) {
    UnitRecord unit = window_record(0x06010000);
    Bytes record = write_unit_record(unit).value();
    // Name and second name are the zero bytes at 24 and 25.
    Bytes no_terminator(record.begin(), record.begin() + 24);
    no_terminator.insert(no_terminator.end(), 8, 'a');
    EXPECT_FALSE(read_unit_record(unit.id, no_terminator).ok());
    // Page list count at 26 + 7 * 4 = 54.
    Bytes pages = record;
    pages[54] = pages[55] = pages[56] = 0xFF;
    EXPECT_FALSE(read_unit_record(unit.id, pages).ok());
}

// Bytes changed one at a time must give a result or an error, never a read
// outside the data (the sanitizer build checks the reads).
TEST(TemplateStream, survives_every_single_byte_corruption) {
    Bytes bytes = write(sample());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        for (std::uint8_t value : {0x00, 0x01, 0x7F, 0x80, 0xFF}) {
            Bytes corrupt = bytes;
            corrupt[i] = value;
            auto read = read_templates(corrupt);
            if (read.ok()) {
                EXPECT_EQ(write(read.value()).size(), corrupt.size());
            }
        }
    }
}

TEST(TemplateStream, writer_refuses_what_the_format_cannot_hold) {
    TemplateData data = sample();
    data.windows[0].units[1].tag = std::string("a\0b", 3);
    EXPECT_FALSE(write_templates(data).ok());

    data = sample();
    data.windows[0].units[2].handlers.push_back({0, 1});
    EXPECT_FALSE(write_templates(data).ok());

    data = sample();
    data.windows[1].units.clear();
    EXPECT_FALSE(write_templates(data).ok());
}

TEST(TemplateStream, looks_units_and_windows_up_by_identifier) {
    TemplateData data = sample();
    ASSERT_NE(data.find_window(0x5201591B), nullptr);
    EXPECT_EQ(data.find_window(0x5201591B)->find_unit(0x16015923)->name, "b");
    EXPECT_EQ(data.find_window(0x52010002), nullptr);
    EXPECT_EQ(data.windows[0].find_unit(0x16015923), nullptr);
    EXPECT_EQ(data.windows[0].find_unit(0x16012C18)->handler_for(-12), 8u);
    EXPECT_EQ(data.windows[0].find_unit(0x16012C18)->handler_for(5), kNoHandler);
}

}  // namespace
}  // namespace quilbex::forms

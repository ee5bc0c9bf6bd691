// The forms description: what a description turns into, and the mistakes
// it reports with their line instead of generating wrong templates.

#include "forms/blocks/ButtonBlock.h"
#include "forms/blocks/EditBoxBlock.h"
#include "forms/blocks/WindowBlock.h"
#include "support/Gbk.h"
#include "tools/formgen/Description.h"
#include "tools/formgen/PixelArt.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace quilbex::tools {
namespace {

const char* kHeader = R"(routine first
routine second
window 0x52000001 w
values 1 2
texts "甲" ""
unit 0x06000001 window "" self
  position 1 2 3 4
  flags visible
)";

std::variant<FormsDescription, DescriptionError> parse(const std::string& body,
                                                       const std::map<std::string, std::string>& defines = {}) {
    return parse_description(kHeader + body, std::filesystem::temp_directory_path(), defines);
}

FormsDescription ok(const std::string& body, const std::map<std::string, std::string>& defines = {}) {
    auto result = parse(body, defines);
    if (auto* error = std::get_if<DescriptionError>(&result))
        ADD_FAILURE() << "line " << error->line << ": " << error->message;
    return std::holds_alternative<FormsDescription>(result) ? std::get<FormsDescription>(result) : FormsDescription{};
}

// The line of the reported error, or 0 when the description was accepted.
int error_line(const std::string& body) {
    auto result = parse(body);
    auto* error = std::get_if<DescriptionError>(&result);
    return error ? error->line : 0;
}

TEST(FormgenDescription, builds_records_with_handlers_by_routine_index) {
    FormsDescription d = ok(R"(  on created second
unit 0x16000002 button "按钮" go
  position -5 6 7 8
  flags visible tabstop
  on click first
  on -7 second
  caption = "好"
)");
    ASSERT_EQ(d.routines, (std::vector<std::string>{"first", "second"}));
    const auto& w = d.templates.windows.at(0);
    EXPECT_EQ(w.texts[0], testing::gbk("甲"));
    ASSERT_EQ(w.units.size(), 2u);
    EXPECT_EQ(w.units[0].handlers, (std::vector<forms::HandlerEntry>{{0, 1}}));
    const auto& b = w.units[1];
    EXPECT_EQ(b.name, testing::gbk("按钮"));
    EXPECT_EQ(b.left, -5);
    EXPECT_EQ(b.flags, forms::kUnitVisible | forms::kUnitTabStop);
    EXPECT_EQ(b.handlers, (std::vector<forms::HandlerEntry>{{0, 0}, {-7, 1}}));
    EXPECT_EQ(forms::read_button_block(b.property_block).value().caption, testing::gbk("好"));
    ASSERT_EQ(d.windows.at(0).units.size(), 2u);
    EXPECT_EQ(d.windows[0].units[1].symbol, "go");
}

TEST(FormgenDescription, unlisted_fields_keep_defaults_and_block_empty_stores_nothing) {
    FormsDescription d = ok(R"(  title = "t"
unit 0x16000002 edit_box "a"
  multi_line = true
unit 0x16000003 edit_box "b"
  block empty
)");
    const auto& units = d.templates.windows.at(0).units;
    forms::WindowBlock window = forms::read_window_block(units[0].property_block).value();
    forms::WindowBlock expected;
    expected.title = "t";
    EXPECT_EQ(window, expected);
    forms::EditBoxBlock box = forms::read_edit_box_block(units[1].property_block).value();
    EXPECT_EQ(box.multi_line, 1);
    EXPECT_EQ(box.border, 1);
    EXPECT_TRUE(units[2].property_block.empty());
}

TEST(FormgenDescription, defines_expand_in_texts_and_command_line_values_win) {
    std::string body = R"(define host "a.example"
  title = "https://${host}/x"
)";
    auto title = [](const FormsDescription& d) {
        return forms::read_window_block(d.templates.windows.at(0).units[0].property_block).value().title;
    };
    EXPECT_EQ(title(ok(body)), "https://a.example/x");
    EXPECT_EQ(title(ok(body, {{"host", "127.0.0.1:9"}})), "https://127.0.0.1:9/x");
}

TEST(FormgenDescription, reports_mistakes_at_their_line) {
    // The header takes lines 1 to 8.
    EXPECT_EQ(error_line("  on created nobody\n"), 9);  // unknown routine
    EXPECT_EQ(error_line("  on click first\n  on 0 second\n"), 10);  // event bound twice
    EXPECT_EQ(error_line("  colour = 5\n"), 9);  // no such window field
    EXPECT_EQ(error_line("  title = 5\n"), 9);  // wrong kind of value
    EXPECT_EQ(error_line("unit 0x16000002 timer \"t\"\n  interval = 0x100000000\n"), 10);
    EXPECT_EQ(error_line("unit 0x06000002 window \"\"\n"), 9);  // a second own record
    EXPECT_EQ(error_line("unit 0x16000001 label \"\"\nunit 0x16000001 label \"\"\n"), 10);
    EXPECT_EQ(error_line("unit 0x12000002 label \"\"\n"), 9);  // not a unit identifier
    EXPECT_EQ(error_line("unit 0x16000002 label \"x\n"), 9);  // unterminated text
    EXPECT_EQ(error_line("  title = \"${nothing}\"\n"), 9);
    EXPECT_EQ(error_line("  title = \"\xff\"\n"), 9);  // not convertible to GBK
    EXPECT_EQ(error_line("  icon = pixels \"no-such-file.txt\"\n"), 9);
    EXPECT_EQ(error_line("unit 0x16000002 edit_box \"\"\n  block empty\n  border = 0\n"), 11);
    EXPECT_EQ(error_line("routine first\n"), 9);  // listed twice
    EXPECT_EQ(error_line(""), 0);
}

TEST(FormgenDescription, pixel_icons_become_block_bytes_and_icon_files) {
    auto dir = std::filesystem::temp_directory_path() / "formgen_description_test";
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "dot.txt") << "size 2 1\ncolour . none\ncolour X #FF0000\npixels\n.X\n";
    auto result = parse_description(std::string(kHeader) + "  icon = pixels \"dot.txt\"\n", dir);
    std::filesystem::remove_all(dir);
    ASSERT_TRUE(std::holds_alternative<FormsDescription>(result));
    const auto& d = std::get<FormsDescription>(result);
    ASSERT_EQ(d.icons.size(), 1u);
    EXPECT_EQ(d.icons[0].file_name, "dot.ico");
    auto window = forms::read_window_block(d.templates.windows.at(0).units[0].property_block).value();
    EXPECT_EQ(window.icon, d.icons[0].bytes);
}

}  // namespace
}  // namespace quilbex::tools

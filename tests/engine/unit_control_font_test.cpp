// The style sheet that gives form fields the desktop's interface font.

#include "engine/ControlFont.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace quilbex::testing {
namespace {

using engine::control_font_style_sheet;

TEST(ControlFont, the_desktop_font_becomes_the_fields_family_and_size_in_whole_pixels) {
    // 10 points are 13.33 CSS pixels: the fields are drawn at 13, as WebKit draws them.
    EXPECT_EQ(control_font_style_sheet("Sans 10"),
              "input, textarea, select, button { font-family: \"Sans\"; font-size: 13px; }");
    EXPECT_EQ(control_font_style_sheet("Noto Sans CJK SC Bold 12"),
              "input, textarea, select, button { font-family: \"Noto Sans CJK SC\"; font-size: 16px; }");
    EXPECT_EQ(control_font_style_sheet("文泉驿正黑 9"),
              "input, textarea, select, button { font-family: \"文泉驿正黑\"; font-size: 12px; }");
    EXPECT_EQ(control_font_style_sheet("Cantarell 14px"),
              "input, textarea, select, button { font-family: \"Cantarell\"; font-size: 14px; }");
}

TEST(ControlFont, a_setting_without_family_or_size_or_with_css_in_it_gives_no_rule_that_breaks_out) {
    EXPECT_EQ(control_font_style_sheet(""), "");
    EXPECT_EQ(control_font_style_sheet("Sans"), "");
    EXPECT_EQ(control_font_style_sheet("12"), "");
    EXPECT_EQ(control_font_style_sheet("Sans 100000"), "");
    EXPECT_EQ(control_font_style_sheet(std::string("Sans\xff 10")), "");
    // Quotes, braces and semicolons cannot end the family's string or the rule.
    const std::string sheet = control_font_style_sheet("A\";} body{display:none} x 10");
    EXPECT_EQ(sheet.find('}'), sheet.size() - 1) << sheet;
    EXPECT_EQ(sheet.find(';'), sheet.find("; font-size")) << sheet;
    EXPECT_EQ(std::count(sheet.begin(), sheet.end(), '"'), 2) << sheet;
}

}  // namespace
}  // namespace quilbex::testing

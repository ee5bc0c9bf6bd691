// The style sheet that gives form fields the desktop's interface font.

#include "engine/ControlFont.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace quilbex::testing {
namespace {

using engine::control_font_style_sheet;

TEST(ControlFont, the_desktop_font_becomes_one_rule_that_nothing_in_the_setting_can_break_out_of) {
    // 10 points are 13.33 CSS pixels: drawn at 13, as WebKit draws the fields.
    EXPECT_EQ(control_font_style_sheet("文泉驿正黑 Bold 10"),
              "input, textarea, select, button { font-family: \"文泉驿正黑\"; font-size: 13px; }");
    for (const char* unusable : {"", "Sans", "12", "Sans 100000", "Sans\xff 10"})
        EXPECT_EQ(control_font_style_sheet(unusable), "") << unusable;
    const std::string sheet = control_font_style_sheet("A\";} body{display:none} x 10");
    EXPECT_EQ(sheet.find('}'), sheet.size() - 1) << sheet;
    EXPECT_EQ(std::count(sheet.begin(), sheet.end(), '"'), 2) << sheet;
}

}  // namespace
}  // namespace quilbex::testing

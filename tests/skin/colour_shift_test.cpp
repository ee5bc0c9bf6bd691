// Hue, saturation and brightness shifts of a style sheet's colours.

#include "skin/ColourShift.h"

#include <gtest/gtest.h>

namespace quilbex::skin {
namespace {

TEST(ColourShift, no_adjustment_keeps_the_sheet_byte_for_byte) {
    std::string sheet = "button { color: #FF0000; background: rgb(1, 2, 3); }";
    EXPECT_EQ(shift_colours(sheet, {}), sheet);
}

TEST(ColourShift, hue_turns_each_colour_form_and_keeps_alpha) {
    ColourAdjustment third{120, 0, 0};
    EXPECT_EQ(shift_colours("a { color: #ff0000; }", third), "a { color: #00ff00; }");
    EXPECT_EQ(shift_colours("a { color: #F00; }", third), "a { color: #00ff00; }");
    EXPECT_EQ(shift_colours("a { color: #ff000080; }", third), "a { color: #00ff0080; }");
    EXPECT_EQ(shift_colours("a { color: #f008 }", third), "a { color: #00ff0088 }");
    EXPECT_EQ(shift_colours("a { color: rgb(255, 0, 0); }", third), "a { color: rgb(0,255,0); }");
    EXPECT_EQ(shift_colours("a { color: rgba(100%,0%,0%, 0.5); }", third), "a { color: rgba(0,255,0, 0.5); }");
    EXPECT_EQ(shift_colours("a { b: linear-gradient(to top, #ff0000, #0000ff); }", third),
              "a { b: linear-gradient(to top, #00ff00, #ff0000); }");
    EXPECT_EQ(shift_colours("@define-color accent #ff0000;\na { color: @accent; }", third),
              "@define-color accent #00ff00;\na { color: @accent; }");
}

TEST(ColourShift, leaves_selectors_comments_strings_and_names_alone) {
    ColourAdjustment third{120, 0, 0};
    std::string sheet = "#ff0000, button:hover, #abc .x { /* #ff0000 */ color: red; font-family: \"#ff0000\"; "
                        "border-color: shade(#ff0000, 0.5); }";
    EXPECT_EQ(shift_colours(sheet, third),
              "#ff0000, button:hover, #abc .x { /* #ff0000 */ color: red; font-family: \"#ff0000\"; "
              "border-color: shade(#00ff00, 0.5); }");
    // Not colours: wrong digit counts or words that merely start with hex digits.
    EXPECT_EQ(shift_colours("a { b: #ff00; c: #fffff; d: #decade-x; e: rgbx(1,2,3); }", third),
              "a { b: #00ffff00; c: #fffff; d: #decade-x; e: rgbx(1,2,3); }");
}

TEST(ColourShift, saturation_and_brightness_reach_grey_white_and_black) {
    Rgb orange{230, 120, 20};
    Rgb grey = shift_colour(orange, {0, -100, 0});
    EXPECT_EQ(grey.r, grey.g);
    EXPECT_EQ(grey.g, grey.b);
    EXPECT_EQ(shift_colour(orange, {0, 0, 100}), (Rgb{255, 255, 255}));
    EXPECT_EQ(shift_colour(orange, {0, 0, -100}), (Rgb{0, 0, 0}));
    // Greys have no hue to turn.
    EXPECT_EQ(shift_colour({227, 227, 227}, {90, 0, 0}), (Rgb{227, 227, 227}));
}

TEST(ColourShift, values_beyond_their_range_are_limited) {
    Rgb red{255, 0, 0};
    EXPECT_EQ(shift_colour(red, {540, 0, 0}), shift_colour(red, {180, 0, 0}));
    EXPECT_EQ(shift_colour(red, {180, 0, 0}), (Rgb{0, 255, 255}));
    EXPECT_EQ(shift_colour(red, {0, 0, 1000}), (Rgb{255, 255, 255}));
    EXPECT_EQ(shift_colour(red, {-360, -500, 0}), shift_colour(red, {-180, -100, 0}));
}

}  // namespace
}  // namespace quilbex::skin

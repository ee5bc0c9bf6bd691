// Whether a machine's fonts can show the windows' Chinese texts, asked of
// fontconfig configurations that hold only the fonts of one folder.

#include "platform/ui/gtk/ChineseFont.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

namespace quilbex::ui::gtk {
namespace {

struct ConfigFree {
    void operator()(FcConfig* c) const { FcConfigDestroy(c); }
};

// A configuration whose only fonts are those in `folder`.
std::unique_ptr<FcConfig, ConfigFree> fonts_of(const std::string& folder) {
    std::unique_ptr<FcConfig, ConfigFree> config(FcConfigCreate());
    FcConfigAppFontAddDir(config.get(), reinterpret_cast<const FcChar8*>(folder.c_str()));
    FcConfigBuildFonts(config.get());
    return config;
}

TEST(ChineseFont, only_a_font_with_the_characters_counts) {
    const std::string latin = "/usr/share/fonts/truetype/dejavu", chinese = "/usr/share/fonts/truetype/wqy";
    if (!std::filesystem::is_directory(latin) || !std::filesystem::is_directory(chinese))
        GTEST_SKIP() << "the test's fonts (fonts-dejavu-core, fonts-wqy-zenhei) are not installed";
    EXPECT_FALSE(has_chinese_font(fonts_of(latin).get()));
    EXPECT_TRUE(has_chinese_font(fonts_of(chinese).get()));
    EXPECT_FALSE(has_chinese_font(fonts_of("/nonexistent").get()));
    EXPECT_NE(chinese_font_advice().find("fonts-noto-cjk"), std::string::npos);
}

}  // namespace
}  // namespace quilbex::ui::gtk

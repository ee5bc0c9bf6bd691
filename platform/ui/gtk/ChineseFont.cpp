#include "platform/ui/gtk/ChineseFont.h"

#include <cstdio>
#include <memory>

namespace quilbex::ui::gtk {

namespace {

struct PatternFree {
    void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
struct CharSetFree {
    void operator()(FcCharSet* c) const { FcCharSetDestroy(c); }
};
struct ObjectSetFree {
    void operator()(FcObjectSet* o) const { FcObjectSetDestroy(o); }
};
struct FontSetFree {
    void operator()(FcFontSet* f) const { FcFontSetDestroy(f); }
};

// 签到登录: the words of the main window's buttons.
constexpr FcChar32 kCharacters[] = {0x7B7E, 0x5230, 0x767B, 0x5F55};

}  // namespace

bool has_chinese_font(FcConfig* config) {
    std::unique_ptr<FcCharSet, CharSetFree> characters(FcCharSetCreate());
    std::unique_ptr<FcPattern, PatternFree> pattern(FcPatternCreate());
    if (!characters || !pattern)
        return true;  // nothing can be said; no advice rather than a wrong one
    for (FcChar32 c : kCharacters)
        FcCharSetAddChar(characters.get(), c);
    FcPatternAddCharSet(pattern.get(), FC_CHARSET, characters.get());
    std::unique_ptr<FcObjectSet, ObjectSetFree> fields(FcObjectSetBuild(FC_FAMILY, nullptr));
    // A listing keeps the fonts whose characters include all of the pattern's.
    std::unique_ptr<FcFontSet, FontSetFree> fonts(FcFontList(config, pattern.get(), fields.get()));
    return fonts && fonts->nfont > 0;
}

std::string chinese_font_advice() {
    return "quilbex: 没有能显示中文的字体，窗口中的文字会显示成方框。"
           "请安装 fonts-noto-cjk、fonts-wqy-microhei 或 fonts-wqy-zenhei 之一，"
           "例如 sudo apt install fonts-noto-cjk\n"
           "quilbex: no installed font has Chinese characters; install fonts-noto-cjk, fonts-wqy-microhei or "
           "fonts-wqy-zenhei.\n";
}

void warn_without_chinese_font() {
    if (!has_chinese_font(nullptr))
        std::fputs(chinese_font_advice().c_str(), stderr);
}

}  // namespace quilbex::ui::gtk

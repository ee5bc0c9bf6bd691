#include "platform/ui/Gdi.h"

#include "platform/ui/Constants.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <variant>

namespace quilbex::ui {

namespace {

using Object = std::variant<std::unique_ptr<FontObject>, std::unique_ptr<BrushObject>>;

// Fonts and brushes may be made on any thread (a worker may prepare a font),
// so the table is locked; the objects themselves are immutable.
struct ObjectTable {
    std::mutex mutex;
    std::unordered_map<void*, Object> objects;
};

ObjectTable& table() {
    static ObjectTable* instance = new ObjectTable;  // lives for the process, like stock objects
    return *instance;
}

template <typename T> T* add(std::unique_ptr<T> object) {
    T* raw = object.get();
    auto& t = table();
    std::lock_guard lock(t.mutex);
    t.objects.emplace(raw, std::move(object));
    return raw;
}

FontObject& stock_gui_font() {
    static FontObject font{default_gui_logfont()};
    return font;
}

BrushObject& stock_null_brush() {
    static BrushObject brush{0, true};
    return brush;
}

}  // namespace

const LOGFONTA& default_gui_logfont() {
    static const LOGFONTA font = [] {
        LOGFONTA f{};
        f.lfHeight = -12;
        f.lfWeight = 400;
        f.lfCharSet = 134;  // GB2312_CHARSET
        std::strcpy(f.lfFaceName, "MS Shell Dlg");
        return f;
    }();
    return font;
}

HFONT CreateFontIndirectA(const LOGFONTA* logfont) {
    if (!logfont)
        return nullptr;
    auto font = std::make_unique<FontObject>();
    font->logfont = *logfont;
    font->logfont.lfFaceName[LF_FACESIZE - 1] = '\0';
    return add(std::move(font));
}

HBRUSH CreateSolidBrush(COLORREF color) {
    return add(std::make_unique<BrushObject>(BrushObject{color & 0x00FFFFFF, false}));
}

HGDIOBJ GetStockObject(int index) {
    if (index == DEFAULT_GUI_FONT)
        return &stock_gui_font();
    if (index == NULL_BRUSH)
        return &stock_null_brush();
    return nullptr;
}

BOOL DeleteObject(HGDIOBJ object) {
    auto& t = table();
    std::lock_guard lock(t.mutex);
    return t.objects.erase(object) ? TRUE : FALSE;
}

COLORREF GetSysColor(int index) {
    switch (index) {
    case COLOR_WINDOW: return RGB(255, 255, 255);
    case COLOR_WINDOWTEXT:
    case COLOR_BTNTEXT: return RGB(0, 0, 0);
    case COLOR_BTNFACE: return RGB(240, 240, 240);
    case COLOR_BTNSHADOW: return RGB(160, 160, 160);
    case COLOR_GRAYTEXT: return RGB(109, 109, 109);
    case COLOR_BTNHIGHLIGHT: return RGB(255, 255, 255);
    default: return RGB(0, 0, 0);
    }
}

HBRUSH GetSysColorBrush(int index) {
    static std::mutex mutex;
    static std::unordered_map<int, std::unique_ptr<BrushObject>> brushes;
    std::lock_guard lock(mutex);
    auto& slot = brushes[index];
    if (!slot)
        slot = std::make_unique<BrushObject>(BrushObject{GetSysColor(index), false});
    return slot.get();
}

const LOGFONTA& font_of(HFONT font) {
    if (font && font != &stock_gui_font()) {
        auto& t = table();
        std::lock_guard lock(t.mutex);
        auto it = t.objects.find(font);
        if (it != t.objects.end() && std::holds_alternative<std::unique_ptr<FontObject>>(it->second))
            return font->logfont;
    }
    return stock_gui_font().logfont;
}

bool brush_color(HBRUSH brush, COLORREF* color) {
    if (!brush || brush->hollow)
        return false;
    if (color)
        *color = brush->color;
    return true;
}

COLORREF resolve_color(COLORREF color) {
    if (color == kSystemButtonFaceMarker)
        return GetSysColor(COLOR_BTNFACE);
    return color & 0x00FFFFFF;
}

}  // namespace quilbex::ui

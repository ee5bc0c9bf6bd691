#pragma once
// A drawing context that records what is drawn, for the headless backend:
// tests read back the operations a custom-painted window performed.

#include "platform/ui/DrawingContext.h"

#include <string>
#include <vector>

namespace quilbex::ui {

struct DrawOp {
    enum class Kind { Fill, Gradient, Line, Text, Icon };
    Kind kind = Kind::Fill;
    RECT rect{};  // fill, gradient, icon and text rectangles
    COLORREF color = 0;  // fill colour, gradient start, line colour, text colour
    COLORREF color2 = 0;  // gradient end
    GradientDirection direction = GradientDirection::Horizontal;
    POINT from{}, to{};  // line
    std::string text;  // GBK
    UINT format = 0;  // DT_* flags
    LOGFONTA font{};  // font of a text operation
    int bk_mode = 0;
    HICON icon = nullptr;
    RECT clip{};  // clip box when the operation was drawn
};

// The fixed text metrics of the headless backend: characters are as high as
// the font's |lfHeight| (12 pixels for DEFAULT_GUI_FONT), one-byte characters
// half that wide (rounded up) and two-byte characters as wide as high.
SIZE headless_text_extent(const LOGFONTA& font, std::string_view text);

class RecordingContext final : public DrawingContext {
public:
    explicit RecordingContext(RECT clip) : DrawingContext(clip) {}

    void fill_rect(const RECT& rect, COLORREF color) override;
    void gradient_fill(const RECT& rect, COLORREF from, COLORREF to, GradientDirection direction) override;
    void line(POINT from, POINT to, COLORREF color) override;
    int draw_text(std::string_view text, RECT& rect, UINT format) override;
    SIZE text_extent(std::string_view text) override;
    void draw_icon(HICON icon, const RECT& dest) override;

    const std::vector<DrawOp>& operations() const { return m_operations; }
    std::vector<DrawOp> take_operations() { return std::move(m_operations); }

private:
    DrawOp make(DrawOp::Kind kind) const;
    std::vector<DrawOp> m_operations;
};

}  // namespace quilbex::ui

#include "platform/ui/headless/RecordingContext.h"

#include "platform/ui/Constants.h"
#include "platform/ui/Gbk.h"
#include "platform/ui/Gdi.h"

#include <algorithm>
#include <cstdlib>

namespace quilbex::ui {

SIZE headless_text_extent(const LOGFONTA& font, std::string_view text) {
    LONG height = font.lfHeight == 0 ? 12 : std::abs(font.lfHeight);
    LONG widest = 0;
    LONG line = 0;
    LONG lines = 1;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t n = gbk_char_length(text, i);
        if (text[i] == '\n') {
            ++lines;
            line = 0;
        } else if (text[i] != '\r') {
            line += n == 2 ? height : (height + 1) / 2;
        }
        widest = std::max(widest, line);
        i += n;
    }
    return {widest, height * lines};
}

DrawOp RecordingContext::make(DrawOp::Kind kind) const {
    DrawOp op;
    op.kind = kind;
    op.clip = clip_box();
    op.bk_mode = bk_mode();
    return op;
}

void RecordingContext::fill_rect(const RECT& rect, COLORREF color) {
    DrawOp op = make(DrawOp::Kind::Fill);
    op.rect = rect;
    op.color = color;
    m_operations.push_back(op);
}

void RecordingContext::gradient_fill(const RECT& rect, COLORREF from, COLORREF to, GradientDirection direction) {
    DrawOp op = make(DrawOp::Kind::Gradient);
    op.rect = rect;
    op.color = from;
    op.color2 = to;
    op.direction = direction;
    m_operations.push_back(op);
}

void RecordingContext::line(POINT from, POINT to, COLORREF color) {
    DrawOp op = make(DrawOp::Kind::Line);
    op.from = from;
    op.to = to;
    op.color = color;
    m_operations.push_back(op);
}

int RecordingContext::draw_text(std::string_view text, RECT& rect, UINT format) {
    SIZE extent = text_extent(text);
    if (format & DT_CALCRECT) {
        rect.right = rect.left + extent.cx;
        rect.bottom = rect.top + extent.cy;
        return extent.cy;
    }
    DrawOp op = make(DrawOp::Kind::Text);
    op.rect = rect;
    op.text = std::string(text);
    op.format = format;
    op.color = text_color();
    op.font = font_of(font());
    m_operations.push_back(op);
    return extent.cy;
}

SIZE RecordingContext::text_extent(std::string_view text) { return headless_text_extent(font_of(font()), text); }

void RecordingContext::draw_icon(HICON icon, const RECT& dest) {
    DrawOp op = make(DrawOp::Kind::Icon);
    op.rect = dest;
    op.icon = icon;
    m_operations.push_back(op);
}

}  // namespace quilbex::ui

#include "forms/units/LabelUnit.h"

#include "forms/FormsApi.h"
#include "forms/units/UnitTypes.h"

#include <algorithm>
#include <vector>

namespace quilbex::forms {
namespace {

constexpr ui::COLORREF kWhite = 0xFFFFFF;
constexpr ui::COLORREF kBlack = 0x000000;
constexpr std::int32_t kMinimumFrameWidth = 5;

bool register_label_class() {
    ui::WNDCLASSA existing{};
    if (ui::GetClassInfoA(nullptr, LabelUnit::kClassName, &existing))
        return true;
    ui::WNDCLASSA info{};
    info.style = ui::CS_VREDRAW | ui::CS_HREDRAW | ui::CS_DBLCLKS;
    info.lpfnWndProc = &UnitBase::window_procedure;
    info.hCursor = ui::LoadCursorA(nullptr, reinterpret_cast<ui::LPCSTR>(static_cast<std::uintptr_t>(ui::IDC_ARROW)));
    info.hbrBackground = static_cast<ui::HBRUSH>(ui::GetStockObject(ui::NULL_BRUSH));
    info.lpszClassName = LabelUnit::kClassName;
    return ui::RegisterClassA(&info) != 0;
}

// The colours of a list that are set (the system-colour marker means "not set").
std::vector<ui::COLORREF> set_colours(const std::array<std::uint32_t, 3>& colours) {
    std::vector<ui::COLORREF> out;
    for (std::uint32_t c : colours)
        if (c != kSystemColour)
            out.push_back(c & 0xFFFFFF);
    return out;
}

ui::COLORREF mix(ui::COLORREF a, ui::COLORREF b, int step, int steps) {
    auto channel = [&](int shift) {
        int from = static_cast<int>((a >> shift) & 0xFF);
        int to = static_cast<int>((b >> shift) & 0xFF);
        return static_cast<ui::COLORREF>(from + (to - from) * step / steps) << shift;
    };
    return channel(0) | channel(8) | channel(16);
}

// The colour at position step of steps along a list of colours.
ui::COLORREF along(const std::vector<ui::COLORREF>& colours, int step, int steps) {
    if (steps <= 0)
        return colours.front();
    int segments = static_cast<int>(colours.size()) - 1;
    int scaled = step * segments;
    int segment = std::min(scaled / steps, segments - 1);
    return mix(colours[segment], colours[segment + 1], scaled - segment * steps, steps);
}

// A frame of `width` rings around `rect`, running through the colours from
// the outer ring to the inner one.
void paint_gradient_frame(ui::HDC dc, ui::RECT rect, int width, const std::vector<ui::COLORREF>& colours) {
    for (int ring = 0; ring < width && !ui::rect_empty(rect); ++ring) {
        dc->frame_rect(rect, along(colours, ring, width - 1));
        ui::InflateRect(&rect, -1, -1);
    }
}

// Gradient background modes 1 to 8: odd modes run left to right, even ones
// top to bottom; 1-2 through the colours in order, 3-4 in reverse, 5-6 out
// to the middle and back, 7-8 the same starting from the last colour.
void paint_gradient(ui::HDC dc, const ui::RECT& rect, int mode, std::vector<ui::COLORREF> colours) {
    auto direction = mode % 2 == 1 ? ui::GradientDirection::Horizontal : ui::GradientDirection::Vertical;
    if (mode == 3 || mode == 4 || mode == 7 || mode == 8)
        std::reverse(colours.begin(), colours.end());
    if (mode >= 5)
        colours.insert(colours.end(), colours.rbegin() + 1, colours.rend());
    bool horizontal = direction == ui::GradientDirection::Horizontal;
    int length = horizontal ? ui::rect_width(rect) : ui::rect_height(rect);
    int bands = static_cast<int>(colours.size()) - 1;
    for (int band = 0; band < bands; ++band) {
        ui::RECT part = rect;
        int from = length * band / bands;
        int to = length * (band + 1) / bands;
        if (horizontal) {
            part.left = rect.left + from;
            part.right = rect.left + to;
        } else {
            part.top = rect.top + from;
            part.bottom = rect.top + to;
        }
        if (!ui::rect_empty(part))
            dc->gradient_fill(part, colours[band], colours[band + 1], direction);
    }
}

LabelUnit* label(UnitObject* unit) { return static_cast<LabelUnit*>(unit); }

void property_changed(UnitObject* unit, int number, const PropertyValue& value) {
    label(unit)->set_property(number, value);
}

PropertyValue read_property(UnitObject* unit, int number) { return label(unit)->property(number); }

std::vector<std::uint8_t> all_properties(UnitObject* unit) {
    auto written = write_label_block(label(unit)->block());
    return written ? std::move(written.value()) : std::vector<std::uint8_t>{};
}

std::string as_text(const Bytes& bytes) { return {bytes.begin(), bytes.end()}; }
Bytes as_bytes(const std::string& text) { return {text.begin(), text.end()}; }

}  // namespace

LabelUnit::LabelUnit(const UnitCreateArgs& args, LabelBlock block)
    : UnitBase(args.window_id, args.unit_id), m_block(std::move(block)), m_font(font_from_bytes(m_block.font)) {}

UnitObject* LabelUnit::create(const UnitCreateArgs& args) {
    auto block = read_label_block({args.block, args.block_length});
    if (!block || !register_label_class())
        return nullptr;
    std::unique_ptr<LabelUnit> unit(new LabelUnit(args, std::move(block.value())));
    ui::HWND hwnd = ui::CreateWindowExA(
        0, kClassName, unit->m_block.caption.c_str(), args.extra_style | ui::WS_CHILD | ui::WS_CLIPSIBLINGS, args.left,
        args.top, args.width, args.height, args.parent,
        reinterpret_cast<ui::HMENU>(static_cast<std::uintptr_t>(args.control_id)), nullptr, unit.get());
    if (hwnd)
        apply_border_style(hwnd, unit->m_block.border);
    return finish_creation(std::move(unit));
}

void LabelUnit::set_property(int number, const PropertyValue& value) {
    auto integer = static_cast<std::int32_t>(value.number);
    auto colour = static_cast<std::uint32_t>(value.number);
    LabelBlock& b = m_block;
    switch (number) {
    case kCaption:
        b.caption = value.bytes;
        ui::SetWindowTextA(m_hwnd, b.caption.c_str());
        break;
    case kEffect: b.effect = clamp_choice(integer, 0, 3); break;
    case kBorder:
        b.border = clamp_choice(integer, 0, 6);
        apply_border_style(m_hwnd, b.border);
        break;
    case kFrameWidth: b.frame_width = std::max(integer, kMinimumFrameWidth); break;
    case kFrameColour1:
    case kFrameColour2:
    case kFrameColour3: b.frame_colours[static_cast<std::size_t>(number - kFrameColour1)] = colour; break;
    case kFont:
        b.font = as_bytes(value.bytes);
        m_font = font_from_bytes(b.font);
        break;
    case kTextColour: b.text_colour = colour; break;
    case kBackgroundColour: b.background_colour = colour; break;
    case kPicture:
        b.background_picture = as_bytes(value.bytes);
        m_picture.reset();
        m_picture_tried = false;
        break;
    case kPictureMode: b.picture_mode = clamp_choice(integer, 0, 2); break;
    case kGradientMode: b.gradient_mode = clamp_choice(integer, 0, 8); break;
    case kGradientColour1:
    case kGradientColour2:
    case kGradientColour3: b.gradient_colours[static_cast<std::size_t>(number - kGradientColour1)] = colour; break;
    case kHorizontalAlignment: b.horizontal_alignment = clamp_choice(integer, 0, 2); break;
    case kWordWrap: b.word_wrap = value.number != 0 ? 1 : 0; break;
    case kVerticalAlignment: b.vertical_alignment = clamp_choice(integer, 0, 2); break;
    case kFurtherText1:
    case kFurtherText2: b.further_texts[static_cast<std::size_t>(number - kFurtherText1)] = value.bytes; break;
    default: return;
    }
    ui::InvalidateRect(m_hwnd, nullptr, ui::TRUE);
}

PropertyValue LabelUnit::property(int number) const {
    const LabelBlock& b = m_block;
    auto number_of = [](std::int64_t v) { return PropertyValue::of_number(static_cast<std::uint32_t>(v)); };
    switch (number) {
    case kCaption: return PropertyValue::of_bytes(b.caption);
    case kEffect: return number_of(b.effect);
    case kBorder: return number_of(b.border);
    case kFrameWidth: return number_of(b.frame_width);
    case kFrameColour1:
    case kFrameColour2:
    case kFrameColour3: return number_of(b.frame_colours[static_cast<std::size_t>(number - kFrameColour1)]);
    case kFont: return PropertyValue::of_bytes(as_text(b.font));
    case kTextColour: return number_of(b.text_colour);
    case kBackgroundColour: return number_of(b.background_colour);
    case kPicture: return PropertyValue::of_bytes(as_text(b.background_picture));
    case kPictureMode: return number_of(b.picture_mode);
    case kGradientMode: return number_of(b.gradient_mode);
    case kGradientColour1:
    case kGradientColour2:
    case kGradientColour3: return number_of(b.gradient_colours[static_cast<std::size_t>(number - kGradientColour1)]);
    case kHorizontalAlignment: return number_of(b.horizontal_alignment);
    case kWordWrap: return number_of(b.word_wrap);
    case kVerticalAlignment: return number_of(b.vertical_alignment);
    case kFurtherText1:
    case kFurtherText2:
        return PropertyValue::of_bytes(b.further_texts[static_cast<std::size_t>(number - kFurtherText1)]);
    default: return {};
    }
}

ui::HICON LabelUnit::picture() {
    if (!m_picture_tried && !m_block.background_picture.empty()) {
        m_picture_tried = true;
        m_picture.reset(
            ui::CreateIconFromIcoData(m_block.background_picture.data(), m_block.background_picture.size(), 0, 0));
    }
    return m_picture.get();
}

void LabelUnit::paint_background(ui::HDC dc, const ui::RECT& rect) {
    ui::COLORREF background = ui::resolve_color(m_block.background_colour);
    std::vector<ui::COLORREF> gradient = set_colours(m_block.gradient_colours);
    if (ui::HICON image = picture()) {
        dc->fill_rect(rect, background);
        switch (m_block.picture_mode) {
        case 0:  // as it is, at the top left
            dc->draw_icon(image, {rect.left, rect.top, rect.left + image->width, rect.top + image->height});
            break;
        case 2:  // tiled
            for (int y = rect.top; y < rect.bottom && image->height > 0; y += image->height)
                for (int x = rect.left; x < rect.right && image->width > 0; x += image->width)
                    dc->draw_icon(image, {x, y, x + image->width, y + image->height});
            break;
        default:  // stretched over the whole area
            dc->draw_icon(image, rect);
            break;
        }
    } else if (m_block.gradient_mode != 0 && gradient.size() >= 2) {
        paint_gradient(dc, rect, m_block.gradient_mode, std::move(gradient));
    } else {
        dc->fill_rect(rect, background);
    }
}

void LabelUnit::paint_caption(ui::HDC dc, const ui::RECT& rect) {
    std::string text = ui::window_text(m_hwnd);
    if (text.empty())
        return;
    ui::HGDIOBJ previous_font = ui::SelectObject(dc, font_or_default(m_font));
    ui::SetBkMode(dc, ui::TRANSPARENT);
    ui::UINT format = ui::DT_NOPREFIX;
    if (m_block.horizontal_alignment == 1)
        format |= ui::DT_CENTER;
    else if (m_block.horizontal_alignment == 2)
        format |= ui::DT_RIGHT;
    if (m_block.word_wrap)
        format |= ui::DT_WORDBREAK | ui::DT_VCENTER;
    else if (m_block.vertical_alignment == 1)
        format |= ui::DT_SINGLELINE | ui::DT_VCENTER;
    else if (m_block.vertical_alignment == 2)
        format |= ui::DT_SINGLELINE | ui::DT_BOTTOM;
    else
        format |= ui::DT_SINGLELINE;

    auto draw = [&](ui::COLORREF colour, int dx, int dy) {
        ui::RECT place = rect;
        ui::OffsetRect(&place, dx, dy);
        ui::SetTextColor(dc, colour);
        ui::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &place, format);
    };
    int dx = 0, dy = 0;
    switch (m_block.effect) {
    case 1: draw(kWhite, 1, 1); break;  // engraved: a light copy below right
    case 2: draw(kWhite, 0, 0), dx = dy = 1; break;  // embossed: the caption itself moves
    case 3: draw(kBlack, 2, 2); break;  // shadowed
    default: break;
    }
    draw(ui::resolve_color(m_block.text_colour), dx, dy);
    ui::SelectObject(dc, previous_font);
}

void LabelUnit::paint(ui::HDC dc, const ui::RECT& client) {
    ui::RECT clip = dc->clip_box();
    if (ui::rect_empty(clip))
        return;
    ui::RECT rect = client;
    if (m_block.border == 6 && m_block.frame_width > 0) {
        std::vector<ui::COLORREF> frame = set_colours(m_block.frame_colours);
        if (frame.size() >= 2) {
            paint_gradient_frame(dc, rect, m_block.frame_width, frame);
            ui::InflateRect(&rect, -m_block.frame_width, -m_block.frame_width);
        }
    }
    dc->intersect_clip(rect);
    if (ui::rect_empty(dc->clip_box()))
        return;
    paint_background(dc, rect);
    paint_caption(dc, rect);
}

ui::LRESULT LabelUnit::handle_message(ui::UINT message, ui::WPARAM wparam, ui::LPARAM lparam) {
    switch (message) {
    case ui::WM_PAINT: {
        ui::PAINTSTRUCT ps{};
        ui::HDC dc = ui::BeginPaint(m_hwnd, &ps);
        if (dc) {
            ui::RECT client{};
            ui::GetClientRect(m_hwnd, &client);
            paint(dc, client);
        }
        ui::EndPaint(m_hwnd, &ps);
        return 0;
    }
    case ui::WM_ERASEBKGND: return 1;  // WM_PAINT covers the whole client area
    case ui::WM_SETTEXT: {
        ui::LRESULT result = default_handling(message, wparam, lparam);
        ui::InvalidateRect(m_hwnd, nullptr, ui::TRUE);
        return result;
    }
    default: return default_handling(message, wparam, lparam);
    }
}

rt::UnitInterfaceRoutine label_unit_interface(std::uint32_t number) {
    switch (number) {
    case kInterfaceCreate: return reinterpret_cast<rt::UnitInterfaceRoutine>(&LabelUnit::create);
    case kInterfacePropertyChanged: return reinterpret_cast<rt::UnitInterfaceRoutine>(&property_changed);
    case kInterfaceAllProperties: return reinterpret_cast<rt::UnitInterfaceRoutine>(&all_properties);
    case kInterfaceReadProperty: return reinterpret_cast<rt::UnitInterfaceRoutine>(&read_property);
    default: return nullptr;
    }
}

}  // namespace quilbex::forms

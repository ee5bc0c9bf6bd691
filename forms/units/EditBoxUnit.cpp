#include "forms/units/EditBoxUnit.h"

#include "forms/FormsApi.h"
#include "forms/units/UnitTypes.h"
#include "platform/kernel/CodePage.h"
#include "platform/ui/WindowSystem.h"

#include <algorithm>
#include <cstdlib>

namespace quilbex::forms {
namespace {

constexpr ui::UINT UDM_SETRANGE32 = 0x046F;
constexpr const char* kAdjusterClass = "msctls_updown32";
constexpr int kAdjusterWidth = 16;
constexpr ui::UINT kAdjusterIdOffset = 4;

// Every style bit that the block decides; the rest comes from the runtime.
constexpr ui::DWORD kBlockStyleBits = ui::ES_NOHIDESEL | ui::ES_MULTILINE | ui::ES_AUTOVSCROLL | ui::ES_WANTRETURN |
                                      ui::ES_AUTOHSCROLL | ui::WS_HSCROLL | ui::WS_VSCROLL | ui::ES_CENTER |
                                      ui::ES_RIGHT | ui::ES_READONLY | ui::ES_PASSWORD | ui::ES_LOWERCASE |
                                      ui::ES_UPPERCASE;

// The text whose height sets the least height of a single-line box.
const std::string& height_probe() {
    static const std::string text = kernel::utf8_to_gbk("吴");
    return text;
}

EditBoxUnit* edit(UnitObject* unit) { return static_cast<EditBoxUnit*>(unit); }

void property_changed(UnitObject* unit, int number, const PropertyValue& value) {
    edit(unit)->set_property(number, value);
}

PropertyValue read_property(UnitObject* unit, int number) { return edit(unit)->property(number); }

std::vector<std::uint8_t> all_properties(UnitObject* unit) {
    auto written = write_edit_box_block(edit(unit)->current_block());
    return written ? std::move(written.value()) : std::vector<std::uint8_t>{};
}

bool key_wanted(UnitObject* unit, int key) { return edit(unit)->wants_key(key); }

std::string as_text(const Bytes& bytes) { return {bytes.begin(), bytes.end()}; }
Bytes as_bytes(const std::string& text) { return {text.begin(), text.end()}; }

struct Selection {
    ui::DWORD start = 0;
    ui::DWORD end = 0;
};

Selection selection_of(ui::HWND hwnd) {
    Selection s;
    ui::SendMessageA(hwnd, ui::EM_GETSEL, reinterpret_cast<ui::WPARAM>(&s.start), reinterpret_cast<ui::LPARAM>(&s.end));
    return s;
}

void select(ui::HWND hwnd, std::int32_t start, std::int32_t length) {
    std::int32_t from = std::max(start, 0);
    std::int32_t to = length > 0 ? from + length : from;
    ui::SendMessageA(hwnd, ui::EM_SETSEL, static_cast<ui::WPARAM>(from), static_cast<ui::LPARAM>(to));
}

}  // namespace

EditBoxUnit::EditBoxUnit(const UnitCreateArgs& args, EditBoxBlock block)
    : UnitBase(args.window_id, args.unit_id), m_block(std::move(block)), m_font(font_from_bytes(m_block.font)) {}

ui::DWORD EditBoxUnit::style_for(const EditBoxBlock& block) {
    ui::DWORD style = 0;
    if (!block.hide_selection)
        style |= ui::ES_NOHIDESEL;
    if (block.multi_line) {
        style |= ui::ES_MULTILINE | ui::ES_AUTOVSCROLL | ui::ES_WANTRETURN;
        if (block.scroll_bars == 1 || block.scroll_bars == 3)
            style |= ui::ES_AUTOHSCROLL;
        if (block.scroll_bars == 1 || block.scroll_bars == 3)
            style |= ui::WS_HSCROLL;
        if (block.scroll_bars == 2 || block.scroll_bars == 3)
            style |= ui::WS_VSCROLL;
    } else {
        style |= ui::ES_AUTOHSCROLL;
    }
    if (block.alignment == 1)
        style |= ui::ES_CENTER;
    else if (block.alignment == 2)
        style |= ui::ES_RIGHT;
    if (block.input_mode == kInputReadOnly)
        style |= ui::ES_READONLY;
    else if (block.input_mode == kInputPassword)
        style |= ui::ES_PASSWORD;
    if (block.case_conversion == 1)
        style |= ui::ES_LOWERCASE;
    else if (block.case_conversion == 2)
        style |= ui::ES_UPPERCASE;
    return style;
}

UnitObject* EditBoxUnit::create(const UnitCreateArgs& args) {
    auto block = read_edit_box_block({args.block, args.block_length});
    if (!block)
        return nullptr;
    std::unique_ptr<EditBoxUnit> unit(new EditBoxUnit(args, std::move(block.value())));
    EditBoxBlock& b = unit->m_block;
    ui::DWORD style = args.extra_style | ui::WS_CHILD | ui::WS_CLIPSIBLINGS | style_for(b);
    ui::HWND hwnd = ui::CreateWindowExA(
        0, "EDIT", b.content.c_str(), style, args.left, args.top, args.width, args.height, args.parent,
        reinterpret_cast<ui::HMENU>(static_cast<std::uintptr_t>(args.control_id)), nullptr, nullptr);
    if (!hwnd)
        return nullptr;
    if (!unit->subclass(hwnd)) {
        ui::DestroyWindow(hwnd);
        return nullptr;
    }
    unit->update_colours();

    ui::HFONT font = font_or_default(unit->m_font);
    if (!b.multi_line) {
        // A single-line box is at least one line of text high.
        int least = ui::measure_text(font, height_probe()).cy + 2 * ui::GetSystemMetrics(ui::SM_CYEDGE);
        if (args.height < least)
            ui::SetWindowPos(hwnd, nullptr, 0, 0, args.width, least,
                             ui::SWP_NOMOVE | ui::SWP_NOZORDER | ui::SWP_NOACTIVATE);
    }
    ui::SendMessageA(hwnd, ui::WM_SETFONT, reinterpret_cast<ui::WPARAM>(font), ui::TRUE);
    if (!b.multi_line)
        ui::SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                         ui::SWP_NOSIZE | ui::SWP_NOMOVE | ui::SWP_NOZORDER | ui::SWP_NOACTIVATE |
                             ui::SWP_FRAMECHANGED);
    ui::SendMessageA(hwnd, ui::EM_LIMITTEXT, static_cast<ui::WPARAM>(std::max(b.max_length, 0)), 0);
    if (b.input_mode == kInputPassword)
        ui::SendMessageA(hwnd, ui::EM_SETPASSWORDCHAR, b.password_char, 0);

    if (!b.multi_line && b.adjuster != 0) {
        bool edge = b.border == 0 || b.border == 1 || b.border == 3;
        ui::RECT rect{};
        ui::GetWindowRect(hwnd, &rect);
        unit->m_adjuster = ui::CreateWindowExA(
            edge ? ui::WS_EX_STATICEDGE : 0, kAdjusterClass, nullptr, ui::WS_CHILD | ui::WS_CLIPSIBLINGS,
            args.left + args.width, args.top, kAdjusterWidth, ui::rect_height(rect), args.parent,
            reinterpret_cast<ui::HMENU>(static_cast<std::uintptr_t>(args.control_id + kAdjusterIdOffset)), nullptr,
            nullptr);
        if (unit->m_adjuster) {
            ui::SendMessageA(unit->m_adjuster, UDM_SETRANGE32,
                             static_cast<ui::WPARAM>(std::min(b.adjuster_lower, b.adjuster_upper)),
                             static_cast<ui::LPARAM>(std::max(b.adjuster_lower, b.adjuster_upper)));
            ui::EnableWindow(unit->m_adjuster, (args.extra_style & ui::WS_DISABLED) ? ui::FALSE : ui::TRUE);
        } else {
            b.adjuster = 0;  // this window system has no up-down control
        }
    }
    select(hwnd, b.selection_start, b.selection_length);
    ui::SendMessageA(hwnd, ui::EM_SCROLLCARET, 0, 0);
    apply_border_style(hwnd, b.border);
    return finish_creation(std::move(unit));
}

ui::HBRUSH EditBoxUnit::background_brush() {
    if (!m_background) {
        ui::COLORREF colour = m_block.background_colour == kSystemColour ? ui::GetSysColor(ui::COLOR_WINDOW)
                                                                         : (m_block.background_colour & 0xFFFFFF);
        m_background.reset(ui::CreateSolidBrush(colour));
    }
    return m_background.get();
}

ui::HBRUSH EditBoxUnit::on_control_color(ui::HDC dc) {
    ui::COLORREF text =
        m_block.text_colour == kSystemColour ? ui::GetSysColor(ui::COLOR_WINDOWTEXT) : (m_block.text_colour & 0xFFFFFF);
    ui::SetTextColor(dc, text);
    ui::HBRUSH brush = background_brush();
    ui::COLORREF background = 0;
    if (ui::brush_color(brush, &background))
        ui::SetBkColor(dc, background);
    return brush;
}

void EditBoxUnit::update_colours() {
    ui::WindowSystem::the().refresh_control_colors(m_hwnd);
    ui::InvalidateRect(m_hwnd, nullptr, ui::TRUE);
}

bool EditBoxUnit::on_reflected_command(ui::WORD code) {
    switch (code) {
    case ui::EN_CHANGE:
        if (!m_setting_content)
            raise(0);
        return true;
    case ui::EN_SETFOCUS: raise(-7); return true;
    case ui::EN_KILLFOCUS: {
        ui::HWND self = m_hwnd;
        clamp_to_adjuster();
        if (alive(self))
            raise(-8);
        return true;
    }
    default: return false;
    }
}

void EditBoxUnit::clamp_to_adjuster() {
    if (!m_adjuster || m_block.adjuster == 0)
        return;
    std::string text = ui::window_text(m_hwnd);
    long value = std::strtol(text.c_str(), nullptr, 10);
    long clamped = std::clamp<long>(value, std::min(m_block.adjuster_lower, m_block.adjuster_upper),
                                    std::max(m_block.adjuster_lower, m_block.adjuster_upper));
    std::string fixed = std::to_string(clamped);
    if (fixed == text)
        return;
    Selection caret = selection_of(m_hwnd);
    set_content(fixed);
    if (alive(m_hwnd))
        ui::SendMessageA(m_hwnd, ui::EM_SETSEL, caret.start, static_cast<ui::LPARAM>(caret.end));
}

void EditBoxUnit::set_content(const std::string& text) {
    ui::HWND self = m_hwnd;
    m_setting_content = true;
    m_block.content = text;
    ui::SetWindowTextA(self, text.c_str());
    m_setting_content = false;
    // One change event for the whole write, whether or not the control
    // reported a change of its own.
    ui::SendMessageA(self, ui::WM_COMMAND, ui::MAKEWPARAM(0, ui::EN_CHANGE), reinterpret_cast<ui::LPARAM>(self));
}

void EditBoxUnit::set_style_bit(ui::DWORD bits, bool on) {
    auto style = static_cast<ui::DWORD>(ui::GetWindowLongA(m_hwnd, ui::GWL_STYLE));
    style = on ? (style | bits) : (style & ~bits);
    ui::SetWindowLongA(m_hwnd, ui::GWL_STYLE, static_cast<ui::LONG>(style));
}

void EditBoxUnit::set_property(int number, const PropertyValue& value) {
    auto integer = static_cast<std::int32_t>(value.number);
    EditBoxBlock& b = m_block;
    bool restyle = false;
    switch (number) {
    case kContent: set_content(value.bytes); return;
    case kBorder:
        b.border = clamp_choice(integer, 0, 5);
        apply_border_style(m_hwnd, b.border);
        return;
    case kTextColour:
        b.text_colour = static_cast<std::uint32_t>(value.number);
        update_colours();
        return;
    case kBackgroundColour:
        b.background_colour = static_cast<std::uint32_t>(value.number);
        m_background.reset();
        update_colours();
        return;
    case kHideSelection:
        b.hide_selection = value.number != 0;
        restyle = true;
        break;
    case kMaxLength:
        b.max_length = std::max(integer, 0);
        ui::SendMessageA(m_hwnd, ui::EM_LIMITTEXT, static_cast<ui::WPARAM>(b.max_length), 0);
        return;
    case kMultiLine:
        b.multi_line = value.number != 0;
        restyle = true;
        break;
    case kScrollBars:
        b.scroll_bars = clamp_choice(integer, 0, 3);
        restyle = true;
        break;
    case kAlignment:
        b.alignment = clamp_choice(integer, 0, 2);
        restyle = true;
        break;
    case kInputMode:
        b.input_mode = clamp_choice(integer, 0, 2);
        ui::SendMessageA(m_hwnd, ui::EM_SETREADONLY, b.input_mode == kInputReadOnly, 0);
        ui::SendMessageA(m_hwnd, ui::EM_SETPASSWORDCHAR, b.input_mode == kInputPassword ? b.password_char : 0, 0);
        return;
    case kPasswordChar:
        b.password_char = static_cast<std::uint16_t>(value.number);
        if (b.input_mode == kInputPassword)
            ui::SendMessageA(m_hwnd, ui::EM_SETPASSWORDCHAR, b.password_char, 0);
        return;
    case kCaseConversion:
        b.case_conversion = clamp_choice(integer, 0, 2);
        restyle = true;
        break;
    case kAdjuster: b.adjuster = m_adjuster ? clamp_choice(integer, 0, 2) : 0; return;
    case kAdjusterLower: b.adjuster_lower = integer; return;
    case kAdjusterUpper: b.adjuster_upper = integer; return;
    case kSelectionStart:
    case kSelectionLength: {
        Selection s = selection_of(m_hwnd);
        std::int32_t start = number == kSelectionStart ? integer : static_cast<std::int32_t>(s.start);
        std::int32_t length = number == kSelectionLength ? integer : static_cast<std::int32_t>(s.end - s.start);
        b.selection_start = std::max(start, 0);
        b.selection_length = std::max(length, 0);
        select(m_hwnd, b.selection_start, b.selection_length);
        return;
    }
    case kFont: {
        b.font = as_bytes(value.bytes);
        FontPtr font = font_from_bytes(b.font);
        ui::SendMessageA(m_hwnd, ui::WM_SETFONT, reinterpret_cast<ui::WPARAM>(font_or_default(font)), ui::TRUE);
        m_font = std::move(font);
        return;
    }
    case kFurtherText1:
    case kFurtherText2: b.further_texts[static_cast<std::size_t>(number - kFurtherText1)] = value.bytes; return;
    case kSelectedText:
        ui::SendMessageA(m_hwnd, ui::EM_REPLACESEL, ui::TRUE, reinterpret_cast<ui::LPARAM>(value.bytes.c_str()));
        return;
    default: return;
    }
    if (restyle) {
        auto style = static_cast<ui::DWORD>(ui::GetWindowLongA(m_hwnd, ui::GWL_STYLE));
        style = (style & ~kBlockStyleBits) | style_for(b);
        ui::SetWindowLongA(m_hwnd, ui::GWL_STYLE, static_cast<ui::LONG>(style));
        ui::SetWindowPos(m_hwnd, nullptr, 0, 0, 0, 0,
                         ui::SWP_NOSIZE | ui::SWP_NOMOVE | ui::SWP_NOZORDER | ui::SWP_NOACTIVATE |
                             ui::SWP_FRAMECHANGED);
    }
}

PropertyValue EditBoxUnit::property(int number) const {
    const EditBoxBlock& b = m_block;
    auto number_of = [](std::int64_t v) { return PropertyValue::of_number(static_cast<std::uint32_t>(v)); };
    switch (number) {
    case kContent: return PropertyValue::of_bytes(ui::window_text(m_hwnd));
    case kBorder: return number_of(b.border);
    case kTextColour: return number_of(b.text_colour);
    case kBackgroundColour: return number_of(b.background_colour);
    case kHideSelection: return number_of(b.hide_selection);
    case kMaxLength: return number_of(b.max_length);
    case kMultiLine: return number_of(b.multi_line);
    case kScrollBars: return number_of(b.scroll_bars);
    case kAlignment: return number_of(b.alignment);
    case kInputMode: return number_of(b.input_mode);
    case kPasswordChar: return number_of(b.password_char);
    case kCaseConversion: return number_of(b.case_conversion);
    case kAdjuster: return number_of(b.adjuster);
    case kAdjusterLower: return number_of(b.adjuster_lower);
    case kAdjusterUpper: return number_of(b.adjuster_upper);
    case kSelectionStart: return number_of(selection_of(m_hwnd).start);
    case kSelectionLength: {
        Selection s = selection_of(m_hwnd);
        return number_of(s.end - s.start);
    }
    case kFont: return PropertyValue::of_bytes(as_text(b.font));
    case kFurtherText1:
    case kFurtherText2:
        return PropertyValue::of_bytes(b.further_texts[static_cast<std::size_t>(number - kFurtherText1)]);
    case kSelectedText: {
        std::string text = ui::window_text(m_hwnd);
        Selection s = selection_of(m_hwnd);
        std::size_t start = std::min<std::size_t>(s.start, text.size());
        std::size_t end = std::clamp<std::size_t>(s.end, start, text.size());
        return PropertyValue::of_bytes(text.substr(start, end - start));
    }
    default: return {};
    }
}

EditBoxBlock EditBoxUnit::current_block() const {
    EditBoxBlock block = m_block;
    block.content = ui::window_text(m_hwnd);
    Selection s = selection_of(m_hwnd);
    block.selection_start = static_cast<std::int32_t>(s.start);
    block.selection_length = static_cast<std::int32_t>(s.end - s.start);
    return block;
}

bool EditBoxUnit::wants_key(int key) const {
    return key == ui::VK_RETURN && m_block.multi_line && m_block.input_mode != kInputReadOnly;
}

rt::UnitInterfaceRoutine edit_box_unit_interface(std::uint32_t number) {
    switch (number) {
    case kInterfaceCreate: return reinterpret_cast<rt::UnitInterfaceRoutine>(&EditBoxUnit::create);
    case kInterfacePropertyChanged: return reinterpret_cast<rt::UnitInterfaceRoutine>(&property_changed);
    case kInterfaceAllProperties: return reinterpret_cast<rt::UnitInterfaceRoutine>(&all_properties);
    case kInterfaceReadProperty: return reinterpret_cast<rt::UnitInterfaceRoutine>(&read_property);
    case kInterfaceKeyWanted: return reinterpret_cast<rt::UnitInterfaceRoutine>(&key_wanted);
    default: return nullptr;
    }
}

}  // namespace quilbex::forms

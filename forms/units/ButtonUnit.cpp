#include "forms/units/ButtonUnit.h"

#include "forms/FormsApi.h"
#include "forms/units/UnitTypes.h"

namespace quilbex::forms {
namespace {

constexpr ui::DWORD kAlignmentBits = ui::BS_CENTER | ui::BS_VCENTER;  // BS_LEFT..RIGHT, BS_TOP..BOTTOM
constexpr ui::DWORD kPictureBits = ui::BS_ICON | ui::BS_BITMAP;

ButtonUnit* button(UnitObject* unit) { return static_cast<ButtonUnit*>(unit); }

void property_changed(UnitObject* unit, int number, const PropertyValue& value) {
    button(unit)->set_property(number, value);
}

PropertyValue read_property(UnitObject* unit, int number) { return button(unit)->property(number); }

std::vector<std::uint8_t> all_properties(UnitObject* unit) {
    auto written = write_button_block(button(unit)->block());
    return written ? std::move(written.value()) : std::vector<std::uint8_t>{};
}

// Mnemonic handling: the window has found this button by its caption.
bool mnemonic(UnitObject* unit, char) {
    button(unit)->click();
    return true;
}

std::string as_text(const Bytes& bytes) { return {bytes.begin(), bytes.end()}; }
Bytes as_bytes(const std::string& text) { return {text.begin(), text.end()}; }

}  // namespace

ButtonUnit::ButtonUnit(const UnitCreateArgs& args, ButtonBlock block)
    : UnitBase(args.window_id, args.unit_id), m_block(std::move(block)), m_font(font_from_bytes(m_block.font)) {}

ui::DWORD ButtonUnit::style_bits(const ButtonBlock& block) {
    ui::DWORD style = block.type == 1 ? ui::BS_DEFPUSHBUTTON : ui::BS_PUSHBUTTON;
    switch (block.horizontal_alignment) {
    case 0: style |= ui::BS_LEFT; break;
    case 2: style |= ui::BS_RIGHT; break;
    default: style |= ui::BS_CENTER; break;
    }
    switch (block.vertical_alignment) {
    case 0: style |= ui::BS_TOP; break;
    case 2: style |= ui::BS_BOTTOM; break;
    default: style |= ui::BS_VCENTER; break;
    }
    return style;
}

UnitObject* ButtonUnit::create(const UnitCreateArgs& args) {
    auto block = read_button_block({args.block, args.block_length});
    if (!block)
        return nullptr;
    std::unique_ptr<ButtonUnit> unit(new ButtonUnit(args, std::move(block.value())));
    ui::DWORD style =
        args.extra_style | ui::WS_CHILD | ui::WS_CLIPSIBLINGS | ui::BS_MULTILINE | style_bits(unit->m_block);
    ui::HWND hwnd = ui::CreateWindowExA(
        0, "BUTTON", unit->m_block.caption.c_str(), style, args.left, args.top, args.width, args.height, args.parent,
        reinterpret_cast<ui::HMENU>(static_cast<std::uintptr_t>(args.control_id)), nullptr, nullptr);
    if (!hwnd)
        return nullptr;
    if (!unit->subclass(hwnd)) {
        ui::DestroyWindow(hwnd);
        return nullptr;
    }
    if (ui::DWORD picture = unit->load_picture())
        ui::SetWindowLongA(hwnd, ui::GWL_STYLE, static_cast<ui::LONG>(style | picture));
    ui::SendMessageA(hwnd, ui::WM_SETFONT, reinterpret_cast<ui::WPARAM>(font_or_default(unit->m_font)), ui::TRUE);
    return finish_creation(std::move(unit));
}

ui::DWORD ButtonUnit::load_picture() {
    IconPtr image;
    const Bytes& data = m_block.picture;
    if (!data.empty()) {
        image.reset(ui::CreateIconFromIcoData(data.data(), data.size(), 0, 0));
        if (!image)
            image.reset(ui::CreateCursorFromCurData(data.data(), data.size()));
    }
    // Icons and cursors are the pictures this layer decodes; anything else is dropped.
    ui::SendMessageA(m_hwnd, ui::BM_SETIMAGE, ui::IMAGE_ICON, reinterpret_cast<ui::LPARAM>(image.get()));
    m_image = std::move(image);
    return m_image ? ui::BS_ICON : 0;
}

void ButtonUnit::restyle() {
    auto style = static_cast<ui::DWORD>(ui::GetWindowLongA(m_hwnd, ui::GWL_STYLE));
    style = (style & ~(kAlignmentBits | ui::BS_TYPEMASK)) | style_bits(m_block);
    ui::SetWindowLongA(m_hwnd, ui::GWL_STYLE, static_cast<ui::LONG>(style));
    ui::InvalidateRect(m_hwnd, nullptr, ui::TRUE);
}

void ButtonUnit::set_property(int number, const PropertyValue& value) {
    auto integer = static_cast<std::int32_t>(value.number);
    switch (number) {
    case kPicture: {
        m_block.picture = as_bytes(value.bytes);
        ui::DWORD picture = load_picture();
        auto style = static_cast<ui::DWORD>(ui::GetWindowLongA(m_hwnd, ui::GWL_STYLE));
        ui::SetWindowLongA(m_hwnd, ui::GWL_STYLE, static_cast<ui::LONG>((style & ~kPictureBits) | picture));
        ui::InvalidateRect(m_hwnd, nullptr, ui::TRUE);
        break;
    }
    case kType:
        m_block.type = clamp_choice(integer, 0, 1);
        // The default-button bit changes on the live window.
        ui::SendMessageA(m_hwnd, ui::BM_SETSTYLE, m_block.type == 1 ? ui::BS_DEFPUSHBUTTON : ui::BS_PUSHBUTTON,
                         ui::TRUE);
        break;
    case kCaption:
        m_block.caption = value.bytes;
        ui::SetWindowTextA(m_hwnd, m_block.caption.c_str());
        break;
    case kHorizontalAlignment:
        m_block.horizontal_alignment = clamp_choice(integer, 0, 2);
        restyle();
        break;
    case kVerticalAlignment:
        m_block.vertical_alignment = clamp_choice(integer, 0, 2);
        restyle();
        break;
    case kFont: {
        m_block.font = as_bytes(value.bytes);
        FontPtr font = font_from_bytes(m_block.font);
        ui::SendMessageA(m_hwnd, ui::WM_SETFONT, reinterpret_cast<ui::WPARAM>(font_or_default(font)), ui::TRUE);
        m_font = std::move(font);  // the old font goes only once the button has the new one
        break;
    }
    default: break;
    }
}

PropertyValue ButtonUnit::property(int number) const {
    switch (number) {
    case kPicture: return PropertyValue::of_bytes(as_text(m_block.picture));
    case kType: return PropertyValue::of_number(static_cast<std::uint32_t>(m_block.type));
    case kCaption: return PropertyValue::of_bytes(m_block.caption);
    case kHorizontalAlignment:
        return PropertyValue::of_number(static_cast<std::uint32_t>(m_block.horizontal_alignment));
    case kVerticalAlignment: return PropertyValue::of_number(static_cast<std::uint32_t>(m_block.vertical_alignment));
    case kFont: return PropertyValue::of_bytes(as_text(m_block.font));
    default: return {};
    }
}

void ButtonUnit::click() { raise(0); }

bool ButtonUnit::on_reflected_command(ui::WORD code) {
    if (code != ui::BN_CLICKED)
        return false;
    click();
    return true;
}

ui::LRESULT ButtonUnit::handle_message(ui::UINT message, ui::WPARAM wparam, ui::LPARAM lparam) {
    switch (message) {
    case ui::WM_SETFOCUS:
    case ui::WM_KILLFOCUS: {
        ui::HWND self = m_hwnd;
        ui::LRESULT result = default_handling(message, wparam, lparam);
        if (alive(self))
            raise(message == ui::WM_SETFOCUS ? -7 : -8);
        return result;
    }
    default: return default_handling(message, wparam, lparam);
    }
}

rt::UnitInterfaceRoutine button_unit_interface(std::uint32_t number) {
    switch (number) {
    case kInterfaceCreate: return reinterpret_cast<rt::UnitInterfaceRoutine>(&ButtonUnit::create);
    case kInterfacePropertyChanged: return reinterpret_cast<rt::UnitInterfaceRoutine>(&property_changed);
    case kInterfaceAllProperties: return reinterpret_cast<rt::UnitInterfaceRoutine>(&all_properties);
    case kInterfaceReadProperty: return reinterpret_cast<rt::UnitInterfaceRoutine>(&read_property);
    case kInterfaceMnemonic: return reinterpret_cast<rt::UnitInterfaceRoutine>(&mnemonic);
    default: return nullptr;
    }
}

}  // namespace quilbex::forms

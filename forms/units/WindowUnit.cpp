#include "forms/units/WindowUnit.h"

#include "forms/FormsApi.h"
#include "forms/WindowCommands.h"
#include "forms/units/ButtonUnit.h"
#include "forms/units/UnitTypes.h"
#include "runtime/DefaultIcon.h"
#include "runtime/Notifications.h"

#include <cctype>

namespace quilbex::forms {
namespace {

// The style bits that the block decides after creation.
constexpr ui::DWORD kFrameBits =
    ui::WS_CAPTION | ui::WS_SYSMENU | ui::WS_DLGFRAME | ui::WS_THICKFRAME | ui::WS_MAXIMIZEBOX | ui::WS_MINIMIZEBOX;
constexpr ui::DWORD kFrameExBits = ui::WS_EX_TOOLWINDOW | ui::WS_EX_CLIENTEDGE;
constexpr ui::DWORD kPopupBits = 0xC0000000;  // WS_POPUP and WS_CHILD
// Types that react to a keyboard mnemonic, and among them the button-like ones.
constexpr std::uint32_t kMnemonicTypes = 0x7C00;
constexpr std::uint32_t kButtonLikeTypes = 0x1C00;

struct FrameStyle {
    ui::DWORD style = 0;
    ui::DWORD ex_style = 0;
};

FrameStyle frame_style(const WindowBlock& block) {
    FrameStyle f;
    if (block.border != 0) {
        if (!block.title.empty() || block.control_box)
            f.style |= ui::WS_CAPTION;
        if (block.control_box)
            f.style |= ui::WS_SYSMENU;
        f.style |= ui::WS_DLGFRAME;
    }
    if (block.border == 1 || block.border == 3 || block.border == 5)
        f.style |= ui::WS_THICKFRAME;
    if (block.border == 3 || block.border == 4)
        f.ex_style |= ui::WS_EX_TOOLWINDOW;
    if (block.border == 5 || block.border == 6)
        f.ex_style |= ui::WS_EX_CLIENTEDGE;
    if (block.maximize_box)
        f.style |= ui::WS_MAXIMIZEBOX;
    if (block.minimize_box)
        f.style |= ui::WS_MINIMIZEBOX;
    return f;
}

bool register_window_class(const std::string& name) {
    ui::WNDCLASSA existing{};
    if (ui::GetClassInfoA(nullptr, name.c_str(), &existing))
        return existing.lpfnWndProc == &UnitBase::window_procedure;
    ui::WNDCLASSA info{};
    info.style = ui::CS_VREDRAW | ui::CS_HREDRAW | ui::CS_DBLCLKS;
    info.lpfnWndProc = &UnitBase::window_procedure;
    info.hCursor = ui::LoadCursorA(nullptr, reinterpret_cast<ui::LPCSTR>(static_cast<std::uintptr_t>(ui::IDC_ARROW)));
    info.hbrBackground = static_cast<ui::HBRUSH>(ui::GetStockObject(ui::NULL_BRUSH));
    info.lpszClassName = name.c_str();
    return ui::RegisterClassA(&info) != 0;
}

WindowUnit* window_unit(UnitObject* unit) { return static_cast<WindowUnit*>(unit); }

void property_changed(UnitObject* unit, int number, const PropertyValue& value) {
    window_unit(unit)->set_property(number, value);
}

PropertyValue read_property(UnitObject* unit, int number) { return window_unit(unit)->property(number); }

std::vector<std::uint8_t> all_properties(UnitObject* unit) {
    auto written = write_window_block(window_unit(unit)->current_block());
    return written ? std::move(written.value()) : std::vector<std::uint8_t>{};
}

bool keyboard(UnitObject* unit, const ui::MSG& message) { return window_unit(unit)->handle_key(message); }

std::string as_text(const Bytes& bytes) { return {bytes.begin(), bytes.end()}; }
Bytes as_bytes(const std::string& text) { return {text.begin(), text.end()}; }

bool vetoed(const EventOutcome& outcome) { return outcome.value && *outcome.value == 0; }

bool can_take_focus(ui::HWND hwnd) { return ui::IsWindowVisible(hwnd) && ui::IsWindowEnabled(hwnd); }

// Whether a caption marks `key` as its mnemonic ("&" before it; "&&" is a plain "&").
bool caption_has_mnemonic(const std::string& caption, char key) {
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&')
            continue;
        if (caption[i + 1] == '&') {
            ++i;
            continue;
        }
        return std::toupper(static_cast<unsigned char>(caption[i + 1])) ==
               std::toupper(static_cast<unsigned char>(key));
    }
    return false;
}

}  // namespace

WindowUnit::WindowUnit(const UnitCreateArgs& args, WindowBlock block)
    : UnitBase(args.window_id, args.unit_id), m_block(std::move(block)) {}

WindowUnit::Placement WindowUnit::placement_for(const WindowBlock& block, const UnitCreateArgs& args, int screen_width,
                                                int screen_height, ui::HWND hidden) {
    Placement p;
    FrameStyle frame = frame_style(block);
    p.style = args.extra_style | ui::WS_CLIPCHILDREN | frame.style;
    p.ex_style = frame.ex_style;
    p.left = args.left;
    p.top = args.top;
    switch (block.start_position) {
    case 1:
        p.left = (screen_width - args.width) / 2;
        p.top = (screen_height - args.height) / 2;
        break;
    case 2: p.style |= ui::WS_MINIMIZE; break;
    case 3:
        if (p.style & ui::WS_THICKFRAME)
            p.style |= ui::WS_MAXIMIZE;
        break;
    default: break;
    }
    if (args.parent) {
        p.style = (p.style & ~kPopupBits) | ui::WS_POPUP;
        p.owner = args.parent;
    } else if (args.modal || !block.show_in_taskbar) {
        p.owner = hidden;
    }
    return p;
}

UnitObject* WindowUnit::create(const UnitCreateArgs& args) {
    auto block = read_window_block({args.block, args.block_length});
    if (!block)
        return nullptr;
    std::string class_name = block.value().class_name.empty() ? kDefaultClassName : block.value().class_name;
    if (!register_window_class(class_name))
        return nullptr;
    std::unique_ptr<WindowUnit> unit(new WindowUnit(args, std::move(block.value())));
    ui::HWND hidden = hidden_owner();
    if (hidden && !ui::IsWindow(hidden))
        hidden = nullptr;  // gone already: the window then has no owner rather than failing
    Placement p = placement_for(unit->m_block, args, ui::GetSystemMetrics(ui::SM_CXSCREEN),
                                ui::GetSystemMetrics(ui::SM_CYSCREEN), hidden);
    ui::HWND hwnd = ui::CreateWindowExA(p.ex_style, class_name.c_str(), unit->m_block.title.c_str(), p.style, p.left,
                                        p.top, args.width, args.height, p.owner, args.menu, nullptr, unit.get());
    if (!hwnd || unit->hwnd() != hwnd)
        return nullptr;  // the runtime destroys the menu

    unit->apply_frame_styles();
    ui::RECT wanted{p.left, p.top, p.left + args.width, p.top + args.height};
    ui::RECT actual{};
    ui::GetWindowRect(hwnd, &actual);
    if (!(actual == wanted))
        ui::MoveWindow(hwnd, p.left, p.top, args.width, args.height, ui::TRUE);
    unit->set_icons();
    ui::SendMessageA(hwnd, ui::WM_SETFONT, reinterpret_cast<ui::WPARAM>(ui::GetStockObject(ui::DEFAULT_GUI_FONT)),
                     ui::FALSE);
    if (unit->m_block.always_on_top)
        ui::SetWindowPos(hwnd, ui::HWND_TOPMOST, 0, 0, 0, 0, ui::SWP_NOMOVE | ui::SWP_NOSIZE | ui::SWP_NOACTIVATE);
    unit->apply_close_button();
    return finish_creation(std::move(unit));
}

void WindowUnit::apply_frame_styles() {
    FrameStyle frame = frame_style(m_block);
    auto style = static_cast<ui::DWORD>(ui::GetWindowLongA(m_hwnd, ui::GWL_STYLE));
    auto ex_style = static_cast<ui::DWORD>(ui::GetWindowLongA(m_hwnd, ui::GWL_EXSTYLE));
    ui::SetWindowLongA(m_hwnd, ui::GWL_STYLE, static_cast<ui::LONG>((style & ~kFrameBits) | frame.style));
    ui::SetWindowLongA(m_hwnd, ui::GWL_EXSTYLE, static_cast<ui::LONG>((ex_style & ~kFrameExBits) | frame.ex_style));
    ui::SetWindowPos(m_hwnd, nullptr, 0, 0, 0, 0,
                     ui::SWP_NOSIZE | ui::SWP_NOMOVE | ui::SWP_NOZORDER | ui::SWP_NOACTIVATE | ui::SWP_FRAMECHANGED);
}

// A switched-off close button takes SC_CLOSE off the system menu, so the
// window shows no close box; WM_SYSCOMMAND SC_CLOSE is ignored as well.
void WindowUnit::apply_close_button() {
    if (m_block.close_button)
        ui::GetSystemMenu(m_hwnd, ui::TRUE);
    else if (ui::HMENU menu = ui::GetSystemMenu(m_hwnd, ui::FALSE))
        ui::DeleteMenu(menu, ui::SC_CLOSE, ui::MF_BYCOMMAND);
}

void WindowUnit::set_icons() {
    IconPtr big, small;
    // Without icon data of its own the window shows the program's default icon.
    std::span<const std::uint8_t> data = m_block.icon;
    if (data.empty())
        data = rt::default_icon();
    if (!data.empty()) {
        big.reset(ui::CreateIconFromIcoData(data.data(), data.size(), ui::GetSystemMetrics(ui::SM_CXICON),
                                            ui::GetSystemMetrics(ui::SM_CYICON)));
        small.reset(ui::CreateIconFromIcoData(data.data(), data.size(), ui::GetSystemMetrics(ui::SM_CXSMICON),
                                              ui::GetSystemMetrics(ui::SM_CYSMICON)));
    }
    ui::SendMessageA(m_hwnd, ui::WM_SETICON, ui::ICON_BIG, reinterpret_cast<ui::LPARAM>(big.get()));
    ui::SendMessageA(m_hwnd, ui::WM_SETICON, ui::ICON_SMALL, reinterpret_cast<ui::LPARAM>(small.get()));
    // The window no longer shows the old icons, so they may go now.
    m_big_icon = std::move(big);
    m_small_icon = std::move(small);
}

void WindowUnit::set_property(int number, const PropertyValue& value) {
    auto integer = static_cast<std::int32_t>(value.number);
    bool logical = value.number != 0;
    WindowBlock& b = m_block;
    switch (number) {
    case kBorder:
        b.border = clamp_choice(integer, 0, 6);
        apply_frame_styles();
        break;
    case kFurther3: b.further_3 = integer; break;
    case kBackgroundColour:
        b.background_colour = static_cast<std::uint32_t>(value.number);
        ui::InvalidateRect(m_hwnd, nullptr, ui::TRUE);
        break;
    case kMaximizeBox:
        b.maximize_box = logical;
        apply_frame_styles();
        break;
    case kMinimizeBox:
        b.minimize_box = logical;
        apply_frame_styles();
        break;
    case kControlBox:
        b.control_box = logical;
        apply_frame_styles();
        break;
    case kStartPosition: b.start_position = clamp_choice(integer, 0, 3); break;
    case kCloseButton:
        b.close_button = logical;
        apply_close_button();
        break;
    case kFurther10: b.further_10 = integer; break;
    case kEnterMovesFocus: b.enter_moves_focus = logical; break;
    case kEscCloses: b.esc_closes = logical; break;
    case kF1OpensHelp: b.f1_opens_help = logical; break;
    case kHelpContext: b.help_context = integer; break;
    case kShowInTaskbar: b.show_in_taskbar = logical; break;
    case kFurther16: b.further_16 = integer; break;
    case kFurther17: b.further_17 = integer; break;
    case kAlwaysOnTop:
        b.always_on_top = logical;
        ui::SetWindowPos(m_hwnd, logical ? ui::HWND_TOPMOST : ui::HWND_NOTOPMOST, 0, 0, 0, 0,
                         ui::SWP_NOMOVE | ui::SWP_NOSIZE | ui::SWP_NOACTIVATE);
        break;
    case kFurther19: b.further_19 = integer; break;
    case kClassName: b.class_name = value.bytes; break;  // used when the window is created again
    case kPicture:
        b.background_picture = as_bytes(value.bytes);
        ui::InvalidateRect(m_hwnd, nullptr, ui::TRUE);
        break;
    case kIcon:
        b.icon = as_bytes(value.bytes);
        set_icons();
        break;
    case kFurtherBytes: b.further_bytes = as_bytes(value.bytes); break;
    case kTitle:
        b.title = value.bytes;
        ui::SetWindowTextA(m_hwnd, b.title.c_str());
        apply_frame_styles();  // a caption may come or go with the title
        break;
    case kHelpFile: b.help_file = value.bytes; break;
    default: break;
    }
}

PropertyValue WindowUnit::property(int number) const {
    const WindowBlock& b = m_block;
    auto number_of = [](std::int64_t v) { return PropertyValue::of_number(static_cast<std::uint32_t>(v)); };
    switch (number) {
    case kBorder: return number_of(b.border);
    case kFurther3: return number_of(b.further_3);
    case kBackgroundColour: return number_of(b.background_colour);
    case kMaximizeBox: return number_of(b.maximize_box);
    case kMinimizeBox: return number_of(b.minimize_box);
    case kControlBox: return number_of(b.control_box);
    case kStartPosition: return number_of(b.start_position);
    case kCloseButton: return number_of(b.close_button);
    case kFurther10: return number_of(b.further_10);
    case kEnterMovesFocus: return number_of(b.enter_moves_focus);
    case kEscCloses: return number_of(b.esc_closes);
    case kF1OpensHelp: return number_of(b.f1_opens_help);
    case kHelpContext: return number_of(b.help_context);
    case kShowInTaskbar: return number_of(b.show_in_taskbar);
    case kFurther16: return number_of(b.further_16);
    case kFurther17: return number_of(b.further_17);
    case kAlwaysOnTop: return number_of(b.always_on_top);
    case kFurther19: return number_of(b.further_19);
    case kClassName: return PropertyValue::of_bytes(b.class_name);
    case kPicture: return PropertyValue::of_bytes(as_text(b.background_picture));
    case kIcon: return PropertyValue::of_bytes(as_text(b.icon));
    case kFurtherBytes: return PropertyValue::of_bytes(as_text(b.further_bytes));
    case kTitle: return PropertyValue::of_bytes(ui::window_text(m_hwnd));
    case kHelpFile: return PropertyValue::of_bytes(b.help_file);
    default: return {};
    }
}

WindowBlock WindowUnit::current_block() const {
    WindowBlock block = m_block;
    block.title = ui::window_text(m_hwnd);
    return block;
}

void WindowUnit::paint_background(ui::HDC dc) {
    ui::RECT client{};
    ui::GetClientRect(m_hwnd, &client);
    dc->fill_rect(client, ui::resolve_color(m_block.background_colour));
}

ui::LRESULT WindowUnit::on_close() {
    ui::HWND self = m_hwnd;
    std::uint32_t id = window_id();
    // A handler may close the window itself, which ends this object.
    if (vetoed(raise(12)) || !alive(self))
        return 0;
    if (vetoed(raise(1)) || !alive(self))
        return 0;
    if (LoadedWindow* window = find_loaded_window(id))
        restore_windows_disabled_by(*window);
    ui::DestroyWindow(self);
    return 0;
}

// The close that the close-window command posted: no handler is asked, the
// window finishes and goes.
ui::LRESULT WindowUnit::on_close_requested() {
    if (LoadedWindow* window = find_loaded_window(window_id())) {
        window->closing = false;
        restore_windows_disabled_by(*window);
    }
    ui::DestroyWindow(m_hwnd);
    return 0;
}

ui::LRESULT WindowUnit::handle_message(ui::UINT message, ui::WPARAM wparam, ui::LPARAM lparam) {
    ui::HWND self = m_hwnd;
    auto then_raise = [&](std::int32_t event) {
        ui::LRESULT result = default_handling(message, wparam, lparam);
        if (alive(self))
            raise(event);
        return result;
    };
    switch (message) {
    case ui::WM_CLOSE: return on_close();
    case kMessageCloseWindow: return on_close_requested();
    case ui::WM_QUERYENDSESSION: return vetoed(raise(1)) ? ui::FALSE : ui::TRUE;
    case ui::WM_SYSCOMMAND:
        if ((wparam & 0xFFF0) == ui::SC_CLOSE && !m_block.close_button)
            return 0;
        return default_handling(message, wparam, lparam);
    case ui::WM_MOVE: return then_raise(3);
    case ui::WM_SIZE: return then_raise(4);
    case ui::WM_ACTIVATE: return then_raise(ui::LOWORD(wparam) != ui::WA_INACTIVE ? 5 : 6);
    case ui::WM_SHOWWINDOW: return then_raise(wparam ? 10 : 11);
    case ui::WM_SETFOCUS: return then_raise(-7);
    case ui::WM_KILLFOCUS: return then_raise(-8);
    case ui::WM_ERASEBKGND:
        if (wparam)
            paint_background(reinterpret_cast<ui::HDC>(wparam));
        return 1;
    case ui::WM_PAINT: {
        ui::PAINTSTRUCT ps{};
        if (ui::HDC dc = ui::BeginPaint(m_hwnd, &ps))
            paint_background(dc);
        ui::EndPaint(m_hwnd, &ps);
        return 0;
    }
    default: return default_handling(message, wparam, lparam);
    }
}

// --- keyboard ---

bool WindowUnit::move_focus(bool forward) {
    std::vector<ui::HWND> stops;
    for (ui::HWND child = ui::GetWindow(m_hwnd, ui::GW_CHILD); child; child = ui::GetWindow(child, ui::GW_HWNDNEXT))
        if ((ui::GetWindowLongA(child, ui::GWL_STYLE) & static_cast<ui::LONG>(ui::WS_TABSTOP)) && can_take_focus(child))
            stops.push_back(child);
    if (stops.empty())
        return false;
    ui::HWND focus = ui::GetFocus();
    std::size_t count = stops.size();
    std::size_t at = count;
    for (std::size_t i = 0; i < count; ++i)
        if (stops[i] == focus || ui::IsChild(stops[i], focus))
            at = i;
    std::size_t next;
    if (at == count)
        next = forward ? 0 : count - 1;
    else
        next = forward ? (at + 1) % count : (at + count - 1) % count;
    ui::SetFocus(stops[next]);
    return true;
}

bool WindowUnit::default_action() {
    LoadedWindow* window = find_loaded_window(window_id());
    if (!window)
        return false;
    for (std::size_t i = 1; i < window->objects.size(); ++i) {
        auto* button = dynamic_cast<ButtonUnit*>(window->object(i));
        if (!button || !can_take_focus(button->hwnd()))
            continue;
        if ((ui::GetWindowLongA(button->hwnd(), ui::GWL_STYLE) & ui::BS_TYPEMASK) == ui::BS_DEFPUSHBUTTON) {
            button->click();
            return true;
        }
    }
    return false;
}

bool WindowUnit::mnemonic(char key) {
    LoadedWindow* window = find_loaded_window(window_id());
    if (!window)
        return false;
    auto& units = window->working.units;
    for (std::size_t i = 1; i < units.size() && i < window->objects.size(); ++i) {
        UnitObject* object = window->object(i);
        const rt::DataTypeRecord* type = rt::data_type_record(units[i].type);
        if (!object || !type || !(type->stateFlags & kMnemonicTypes) || !can_take_focus(object->hwnd()))
            continue;
        if (!caption_has_mnemonic(ui::window_text(object->hwnd()), key))
            continue;
        if (type->stateFlags & kButtonLikeTypes) {
            if (auto routine = unit_routine<UnitMnemonicRoutine>(type, kInterfaceMnemonic))
                return routine(object, key);
            raise_event(window_id(), units[i].id, 0);
            return true;
        }
        // A label and the like hand the focus to the unit that follows them.
        for (std::size_t j = i + 1; j < units.size() && j < window->objects.size(); ++j) {
            UnitObject* next = window->object(j);
            if (next && can_take_focus(next->hwnd())) {
                ui::SetFocus(next->hwnd());
                return true;
            }
        }
        return true;
    }
    return false;
}

bool WindowUnit::handle_key(const ui::MSG& message) {
    auto key = static_cast<int>(message.wParam);
    if (unit_wants_key(window_id(), ui::GetFocus(), key))
        return false;
    switch (key) {
    case ui::VK_TAB: return move_focus(ui::GetKeyState(ui::VK_SHIFT) >= 0);
    case ui::VK_RETURN: {
        ui::HWND focus = ui::GetFocus();
        if (auto* button = dynamic_cast<ButtonUnit*>(UnitBase::from_handle(focus));
            button && button->window_id() == window_id()) {
            button->click();
            return true;
        }
        if (m_block.enter_moves_focus)
            return move_focus(true);
        return default_action();
    }
    case ui::VK_ESCAPE:
        if (!m_block.esc_closes)
            return false;
        ui::SendMessageA(m_hwnd, ui::WM_CLOSE, 0, 0);
        return true;
    default: break;
    }
    bool alt = message.message == ui::WM_SYSKEYDOWN || ui::GetKeyState(ui::VK_MENU) < 0;
    if (alt && std::isalnum(key) && key < 0x80)
        return mnemonic(static_cast<char>(key));
    return false;
}

rt::UnitInterfaceRoutine window_unit_interface(std::uint32_t number) {
    switch (number) {
    case kInterfaceCreate: return reinterpret_cast<rt::UnitInterfaceRoutine>(&WindowUnit::create);
    case kInterfacePropertyChanged: return reinterpret_cast<rt::UnitInterfaceRoutine>(&property_changed);
    case kInterfaceAllProperties: return reinterpret_cast<rt::UnitInterfaceRoutine>(&all_properties);
    case kInterfaceReadProperty: return reinterpret_cast<rt::UnitInterfaceRoutine>(&read_property);
    case kInterfaceKeyboard: return reinterpret_cast<rt::UnitInterfaceRoutine>(&keyboard);
    default: return nullptr;
    }
}

}  // namespace quilbex::forms

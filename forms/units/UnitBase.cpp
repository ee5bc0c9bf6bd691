#include "forms/units/UnitBase.h"

#include "forms/FormsApi.h"
#include "forms/blocks/LogFontBytes.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace quilbex::forms {
namespace {

// Window handle -> unit object, for every live unit window (main thread).
std::unordered_map<ui::HWND, UnitBase*>& bindings() {
    static std::unordered_map<ui::HWND, UnitBase*> map;
    return map;
}

}  // namespace

UnitBase::~UnitBase() {
    // An object deleted while its window still exists (the runtime discarding
    // a window list) must not leave its binding behind.
    // Only a binding that is still this object's names this object's window:
    // the handle may since belong to another window.
    if (m_hwnd) {
        auto it = bindings().find(m_hwnd);
        if (it != bindings().end() && it->second == this) {
            bindings().erase(it);
            if (m_previous && ui::IsWindow(m_hwnd))
                ui::SetWindowLongPtrA(m_hwnd, ui::GWLP_WNDPROC, reinterpret_cast<ui::LONG_PTR>(m_previous));
        }
    }
}

UnitBase* UnitBase::from_handle(ui::HWND window) {
    auto it = bindings().find(window);
    return it == bindings().end() ? nullptr : it->second;
}

void UnitBase::attach(ui::HWND window) {
    m_hwnd = window;
    bindings()[window] = this;
}

bool UnitBase::subclass(ui::HWND window) {
    m_previous = reinterpret_cast<ui::WNDPROC>(
        ui::SetWindowLongPtrA(window, ui::GWLP_WNDPROC, reinterpret_cast<ui::LONG_PTR>(&UnitBase::window_procedure)));
    if (!m_previous)
        return false;
    attach(window);
    return true;
}

ui::LRESULT UnitBase::default_handling(ui::UINT message, ui::WPARAM wparam, ui::LPARAM lparam) {
    if (m_previous)
        return ui::CallWindowProcA(m_previous, m_hwnd, message, wparam, lparam);
    return ui::DefWindowProcA(m_hwnd, message, wparam, lparam);
}

ui::LRESULT UnitBase::handle_message(ui::UINT message, ui::WPARAM wparam, ui::LPARAM lparam) {
    return default_handling(message, wparam, lparam);
}

EventOutcome UnitBase::raise(std::int32_t event, std::initializer_list<std::uint32_t> args) {
    return raise_event(window_id(), unit_id(), event, args);
}

void UnitBase::window_gone() {
    bindings().erase(m_hwnd);
    m_hwnd = nullptr;
    if (m_constructing)
        return;  // the creation routine deletes the object
    // The runtime deletes this object here.
    unit_destroyed(window_id(), unit_id());
}

ui::LRESULT UnitBase::window_procedure(ui::HWND window, ui::UINT message, ui::WPARAM wparam, ui::LPARAM lparam) {
    UnitBase* unit = from_handle(window);
    if (!unit && message == ui::WM_NCCREATE && lparam) {
        auto* create = reinterpret_cast<const ui::CREATESTRUCTA*>(lparam);
        unit = static_cast<UnitBase*>(create->lpCreateParams);
        if (unit)
            unit->attach(window);
    }
    if (!unit)
        return ui::DefWindowProcA(window, message, wparam, lparam);

    switch (message) {
    case ui::WM_NCDESTROY: {
        ui::LRESULT result = unit->default_handling(message, wparam, lparam);
        unit->window_gone();
        return result;
    }
    case ui::WM_COMMAND:
        // Control notifications go back to the unit that sent them (a unit
        // may also send one to itself, as the edit box does).
        if (lparam) {
            if (UnitBase* source = from_handle(reinterpret_cast<ui::HWND>(lparam)))
                if (source->on_reflected_command(ui::HIWORD(wparam)))
                    return 0;
        }
        break;
    case ui::WM_CTLCOLOREDIT:
    case ui::WM_CTLCOLORSTATIC:
    case ui::WM_CTLCOLORBTN:
        if (UnitBase* source = from_handle(reinterpret_cast<ui::HWND>(lparam)); source && source != unit)
            if (ui::HBRUSH brush = source->on_control_color(reinterpret_cast<ui::HDC>(wparam)))
                return reinterpret_cast<ui::LRESULT>(brush);
        break;
    default: break;
    }
    return unit->handle_message(message, wparam, lparam);
}

FontPtr font_from_bytes(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() != kLogFontSize)
        return nullptr;
    ui::LOGFONTA logfont;
    std::memcpy(&logfont, bytes.data(), sizeof logfont);
    logfont.lfFaceName[ui::LF_FACESIZE - 1] = '\0';
    return FontPtr(ui::CreateFontIndirectA(&logfont));
}

ui::HFONT font_or_default(const FontPtr& font) {
    if (font)
        return font.get();
    return static_cast<ui::HFONT>(ui::GetStockObject(ui::DEFAULT_GUI_FONT));
}

void apply_border_style(ui::HWND window, std::int32_t border) {
    using namespace ui;
    constexpr DWORD kExBorders = WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME | WS_EX_STATICEDGE;
    DWORD style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)) & ~WS_BORDER;
    DWORD ex_style = static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE)) & ~kExBorders;
    switch (border) {
    case 1: ex_style |= WS_EX_CLIENTEDGE; break;
    case 2: ex_style |= WS_EX_DLGMODALFRAME; break;
    case 3: ex_style |= WS_EX_STATICEDGE; break;
    case 4: ex_style |= WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME; break;
    case 5: style |= WS_BORDER; break;
    default: break;
    }
    SetWindowLongA(window, GWL_STYLE, static_cast<LONG>(style));
    SetWindowLongA(window, GWL_EXSTYLE, static_cast<LONG>(ex_style));
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

std::int32_t clamp_choice(std::int64_t value, std::int32_t lowest, std::int32_t highest) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, lowest, highest));
}

}  // namespace quilbex::forms

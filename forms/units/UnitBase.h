#pragma once
// What every unit of the core library shares: the binding between a unit's
// framework object and its window, the window procedure that routes the
// window's messages to the object, the reflection of control notifications
// from a parent to the unit that sent them, and the end of the object's life.
//
// Life of a unit object:
//   1. its creation routine makes the object and its window; until
//      creation_finished() a failure destroys the window and the creation
//      routine deletes the object (nothing is reported to the runtime);
//   2. the runtime stores the object in the unit's object slot;
//   3. when the window is gone (WM_NCDESTROY) the object unbinds itself and
//      reports the unit destroyed; the runtime deletes it there, so nothing
//      may touch the object after that call.
// A handler raised from a message may destroy the window, and with it the
// object: code that continues after raising an event checks that its window
// still exists (alive()) before touching the object again.
//
// Main thread only.

#include "forms/UnitInterface.h"
#include "platform/ui/User32.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <vector>

namespace quilbex::forms {

struct EventOutcome;

class UnitBase : public UnitObject {
public:
    ~UnitBase() override;
    UnitBase(const UnitBase&) = delete;
    UnitBase& operator=(const UnitBase&) = delete;

    // The unit object bound to a window, or null.
    static UnitBase* from_handle(ui::HWND window);

    // The procedure of every unit window: the class procedure of the units'
    // own classes (the object arrives as the creation parameter) and the
    // subclass procedure of the standard controls.
    static ui::LRESULT window_procedure(ui::HWND window, ui::UINT message, ui::WPARAM wparam, ui::LPARAM lparam);

    // A notification that the unit's parent reflected back to it (the code of
    // a WM_COMMAND whose lParam is the unit's window). True when handled.
    virtual bool on_reflected_command(ui::WORD) { return false; }
    // The parent's control-colour message reflected: sets the colours on the
    // context and returns the background brush, or null to leave it alone.
    virtual ui::HBRUSH on_control_color(ui::HDC) { return nullptr; }

    // Creation succeeded: from now on the end of the window is reported to
    // the runtime, which owns the object.
    void mark_created() { m_constructing = false; }

protected:
    UnitBase(std::uint32_t window_id, std::uint32_t unit_id) : UnitObject(window_id, unit_id) {}

    // The unit's own message handling; the default is the previous procedure
    // (a standard control's) or DefWindowProcA.
    virtual ui::LRESULT handle_message(ui::UINT message, ui::WPARAM wparam, ui::LPARAM lparam);
    ui::LRESULT default_handling(ui::UINT message, ui::WPARAM wparam, ui::LPARAM lparam);

    // Binds a standard control's window to this object and routes its
    // messages through window_procedure first; false when that fails.
    bool subclass(ui::HWND window);
    // Raises one of the unit's events (dispatch rules of the forms runtime).
    EventOutcome raise(std::int32_t event, std::initializer_list<std::uint32_t> args = {});
    // Whether the window (and therefore this object) still exists.
    static bool alive(ui::HWND window) { return window && ui::IsWindow(window); }

private:
    void attach(ui::HWND window);
    // WM_NCDESTROY has been handled: unbind, then report (may delete this).
    void window_gone();

    ui::WNDPROC m_previous = nullptr;
    bool m_constructing = true;
};

// Hands a newly created unit to the runtime: null when its window could not
// be made (the object is deleted), else the object, now owned by its window.
template <typename Unit> UnitObject* finish_creation(std::unique_ptr<Unit> unit) {
    if (!unit || !unit->hwnd() || !ui::IsWindow(unit->hwnd()))
        return nullptr;
    unit->mark_created();
    return unit.release();
}

// Deleters for the handles units own.
struct FontDeleter {
    void operator()(ui::FontObject* font) const { ui::DeleteObject(font); }
};
struct BrushDeleter {
    void operator()(ui::BrushObject* brush) const { ui::DeleteObject(brush); }
};
struct IconDeleter {
    void operator()(ui::IconObject* icon) const { ui::DestroyIcon(icon); }
};
using FontPtr = std::unique_ptr<ui::FontObject, FontDeleter>;
using BrushPtr = std::unique_ptr<ui::BrushObject, BrushDeleter>;
using IconPtr = std::unique_ptr<ui::IconObject, IconDeleter>;

// A font from a stored 60-byte LOGFONTA; null for anything else (the unit
// then uses DEFAULT_GUI_FONT).
FontPtr font_from_bytes(const std::vector<std::uint8_t>& bytes);
// The font handle to select or send: the unit's own, else DEFAULT_GUI_FONT.
ui::HFONT font_or_default(const FontPtr& font);

// The border styles of labels and edit boxes: 0 none, 1 sunken, 2 raised,
// 3 shallow, 4 sunken and raised, 5 single line; the frame is recalculated.
void apply_border_style(ui::HWND window, std::int32_t border);

// Limits a choice to its range.
std::int32_t clamp_choice(std::int64_t value, std::int32_t lowest, std::int32_t highest);

}  // namespace quilbex::forms

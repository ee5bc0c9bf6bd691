#pragma once
// The window unit ("窗口"): the top-level window that holds a template's
// units (the framework window class of a loaded window). It turns its
// property block into window styles, position, owner, icons and system menu,
// raises the window's own events, and gives the window and its units their
// keyboard behaviour (Tab, Enter, Esc, Alt mnemonics).
//
//   event   raised on                           a handler's 0 result
//   0       creation finished (by the runtime)
//   12, 1   WM_CLOSE, before the window closes  keeps the window open
//   1       WM_QUERYENDSESSION                  refuses the end of the session
//   3, 4    WM_MOVE, WM_SIZE
//   5, 6    WM_ACTIVATE: activated, deactivated
//   10, 11  WM_SHOWWINDOW: shown, hidden
//   -7, -8  WM_SETFOCUS, WM_KILLFOCUS

#include "forms/blocks/WindowBlock.h"
#include "forms/units/UnitBase.h"

namespace quilbex::forms {

class WindowUnit final : public UnitBase {
public:
    static constexpr const char* kDefaultClassName = "KVWindow";

    // Unit property numbers (property index - 8): the block's fields in stored order.
    enum Property : int {
        kBorder = 0,
        kFurther3,
        kBackgroundColour,
        kMaximizeBox,
        kMinimizeBox,
        kControlBox,
        kStartPosition,
        kCloseButton,
        kFurther10,
        kEnterMovesFocus,
        kEscCloses,
        kF1OpensHelp,
        kHelpContext,
        kShowInTaskbar,
        kFurther16,
        kFurther17,
        kAlwaysOnTop,
        kFurther19,
        kClassName,
        kPicture,
        kIcon,
        kFurtherBytes,
        kTitle,
        kHelpFile,
        kPropertyCount
    };

    // Where and how the window is created.
    struct Placement {
        ui::DWORD style = 0;
        ui::DWORD ex_style = 0;
        int left = 0;
        int top = 0;
        ui::HWND owner = nullptr;
    };
    // Styles from the block, the position for the start position (centred on
    // a screen of the given size), and the owner: the given one (the window
    // becomes a pop-up), else the hidden owner for a modal window or one
    // that does not show in the task bar.
    static Placement placement_for(const WindowBlock& block, const UnitCreateArgs& args, int screen_width,
                                   int screen_height, ui::HWND hidden_owner);

    static UnitObject* create(const UnitCreateArgs& args);

    void set_property(int number, const PropertyValue& value);
    PropertyValue property(int number) const;
    WindowBlock current_block() const;

    // The keyboard behaviour for the window and its units (WM_KEYDOWN and
    // WM_SYSKEYDOWN); true when the key was used.
    bool handle_key(const ui::MSG& message);

private:
    WindowUnit(const UnitCreateArgs& args, WindowBlock block);
    ui::LRESULT handle_message(ui::UINT message, ui::WPARAM wparam, ui::LPARAM lparam) override;
    ui::LRESULT on_close();
    ui::LRESULT on_close_requested();
    void set_icons();
    void apply_frame_styles();
    void apply_close_button();
    void paint_background(ui::HDC dc);
    bool move_focus(bool forward);
    bool default_action();
    bool mnemonic(char key);

    WindowBlock m_block;
    IconPtr m_big_icon;
    IconPtr m_small_icon;
};

}  // namespace quilbex::forms

#pragma once
// How the worker flows reach the main window's controls. The program's own
// access goes through the window commands and the property write, which
// carry the work over to the window thread and wait for it; tests put a
// recorder in its place.

namespace quilbex::app {

class MainWindowAccess {
public:
    virtual ~MainWindowAccess() = default;
    // Whether the display box 编辑框_显示 is loaded (false once the main
    // window has been closed).
    virtual bool display_exists() = 0;
    // Appends to the end of the display box.
    virtual void append_to_display(const char* text) = 0;
    // Replaces the content of the message box 编辑框_你想说的话.
    virtual void set_message_text(const char* text) = 0;
};

MainWindowAccess& main_window_access();
// Null restores the program's own access.
void set_main_window_access(MainWindowAccess* access);

inline constexpr unsigned kMainWindowId = 0x52010001;
inline constexpr unsigned kDisplayBoxId = 0x16012C18;
inline constexpr unsigned kMessageBoxId = 0x160158ED;

}  // namespace quilbex::app

#pragma once
// The browser control unit (library 3, type 5): a child window of class
// "NXwkeCtrl" that holds the engine's view and a BrowserControl.
//
// The engine's view is a GTK widget that the engine puts into the control's
// window (found through quilbex_ui_gtk_container); WebKit takes the view's
// input itself, so the window forwards no input messages to it.

#include "browser/BrowserControl.h"
#include "forms/units/UnitBase.h"

#include <memory>

namespace quilbex::browser {

class BrowserUnit final : public forms::UnitBase {
public:
    static constexpr const char* kClassName = "NXwkeCtrl";
    // WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | 0x100, added to the template's style.
    static constexpr ui::DWORD kStyle = 0x54000100;

    // Interface 1. Null (no control) for a property block of a later version,
    // an engine that cannot be loaded or bound, or no engine view.
    static forms::UnitObject* create(const forms::UnitCreateArgs& args);

    // The browser unit of a (window id, unit id) pair, or null.
    static BrowserUnit* find(std::uint32_t window_id, std::uint32_t unit_id);

    BrowserControl& control() { return *m_control; }

private:
    explicit BrowserUnit(const forms::UnitCreateArgs& args) : UnitBase(args.window_id, args.unit_id) {}
    ui::LRESULT handle_message(ui::UINT message, ui::WPARAM wparam, ui::LPARAM lparam) override;
    std::optional<std::int64_t> raise_typed(std::int32_t event, const std::vector<rt::ArgRecord>& args);

    std::unique_ptr<BrowserControl> m_control;
};

}  // namespace quilbex::browser

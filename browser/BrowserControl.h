#pragma once
// The browser control's behaviour between the program and the engine view:
// its stored properties, the configuration of the view at creation, property
// changes and reads, the two library commands, and the engine callbacks that
// become the control's events.
//
// It knows nothing of windows or event dispatch: the unit that owns it gives
// it the parent window for the view and an event sink. Every engine call is
// made only when the function is bound and a view exists, so a control whose
// engine is incomplete does nothing rather than call through a null pointer.
//
// Main thread only, like the engine.

#include "browser/EngineBinding.h"
#include "forms/UnitInterface.h"
#include "forms/blocks/BrowserBlock.h"
#include "runtime/ArgRecord.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quilbex::browser {

// Property indexes of the control.
enum BrowserProperty : int {
    kAddress = 0,
    kPageTitle = 1,
    kDisableF5Reload = 2,
    kCookieMode = 3,
    kCacheDirectory = 4,
    kCookieDirectory = 5,
    kUserAgent = 6,
    kDesignPreview = 7,
    kNewWindowNavigation = 8,
};

// Event indexes raised from engine callbacks.
enum BrowserEvent : std::int32_t {
    kDocumentReady = 0,
    kTitleChanged = 1,
    kAddressChanged = 2,
    kNavigation = 3,
    kNewWindow = 4,
    kLoadingFinished = 5,
    kConsoleMessage = 6,
    kAlertBox = 7,
    kConfirmBox = 8,
    kPromptBox = 9,
    kDownload = 10,
    kRequestBegins = 11,
    kRequestEnds = 12,
    kLinkUnderMouse = 13,
    kLeftButtonDown = 14,  // then left up, left double-click, right down, right up, mouse move
    kFocusGained = 20,
    kFocusLost = 21,
    kKeyDown = 22,
    kKeyUp = 23,
    kCharacter = 24,
};

// Raises an event with typed arguments (texts are GBK pointers valid during
// the call); returns the handler's value when a handler returned one.
using EventSink =
    std::function<std::optional<std::int64_t>(std::int32_t event, const std::vector<rt::ArgRecord>& args)>;

class BrowserControl {
public:
    BrowserControl(forms::BrowserBlock block, const EngineFunctions& engine, std::string base_directory,
                   bool design_mode, EventSink sink);
    ~BrowserControl();
    BrowserControl(const BrowserControl&) = delete;
    BrowserControl& operator=(const BrowserControl&) = delete;

    // Creates the view inside `parent` at (0, 0) with the given size and
    // configures it; false when the engine gave no view.
    bool create_view(void* parent, int width, int height);

    void property_changed(int index, const forms::PropertyValue& value);
    forms::PropertyValue read_property(int index) const;
    // The property block, version 1.
    std::vector<std::uint8_t> property_data() const;

    // Command 0: the engine's cookie text, bytes unchanged.
    std::string cookie() const;
    // Command 1.
    void clear_cookie();
    // When the page's cookie `name` (UTF-8) expires: seconds since the epoch,
    // 0 for a session cookie; nothing when the page has no such cookie or
    // the engine cannot tell.
    std::optional<std::int64_t> cookie_expiry(const std::string& name) const;

    void resize(int width, int height);

    wkeWebView view() const { return m_view; }
    void* engine_window() const { return m_engine_window; }
    const forms::BrowserBlock& block() const { return m_block; }

private:
    friend struct BrowserCallbacks;

    bool applies_now() const { return !m_design_mode || m_design_preview; }
    void register_callbacks();
    void unregister_callbacks();
    void load_blank();
    std::optional<std::int64_t> raise(std::int32_t event, const std::vector<rt::ArgRecord>& args) const;

    forms::BrowserBlock m_block;
    const EngineFunctions& m_engine;
    std::string m_base_directory;
    bool m_design_mode;
    std::int32_t m_design_preview = 0;
    EventSink m_sink;
    wkeWebView m_view = nullptr;
    void* m_engine_window = nullptr;
};

}  // namespace quilbex::browser

// The engine callbacks of a browser control, each raising the control's event:
//
//   event  engine callback        arguments                                   handler's value
//   0      DocumentReady2         frame id                                    -
//   1      TitleChanged           title                                       -
//   2      URLChanged2            address, frame id                           -
//   3      Navigation             navigation type, address                    0 cancels
//   4      CreateView             navigation type, address                    0 vetoes the new window
//   5      LoadingFinish          address, result, failure reason             -
//   6      Console                level, message, source, line, stack         -
//   7      AlertBox               message                                     -
//   8      ConfirmBox             message                                     the answer (none: false)
//   9      PromptBox              message, default text                       a text answering (none: null)
//   10     Download               address                                     -
//   11     LoadUrlBegin           address, job                                -
//   12     LoadUrlEnd             address, job, status, length                -
//   13     MouseOverUrlChanged    address                                     -
//   14-19  input: mouse buttons   x, y, key state                             -
//          and moves
//   20,21  input: focus           -                                           -
//   22,23  input: key down, up    key code, key state                         -
//   24     input: character       character code                              0 keeps it from the page
//
// A key down of F5 also reloads the page unless the control disables F5.
// The engine can keep a character from the page but not replace it, so a
// handler's other values for event 24 let the character through unchanged.
//
// Texts arrive as GBK texts valid during the handler call.

#include "browser/EngineEvents.h"

#include "browser/BrowserControl.h"
#include "browser/Texts.h"
#include "browser_messages/BrowserMessages.h"
#include "platform/kernel/CodePage.h"
#include "runtime/Memory.h"

namespace quilbex::browser {

namespace {

using rt::ArgRecord;

constexpr int kKeyF5 = 116;

ArgRecord integer(std::int64_t value) { return ArgRecord::of_int(static_cast<std::int32_t>(value)); }
ArgRecord text(const std::string& gbk) { return ArgRecord::of_pointer(gbk.c_str(), rt::kTypeText); }
ArgRecord job(const void* value) {
    return ArgRecord::of_long(static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(value)));
}

}  // namespace

struct BrowserCallbacks {
    static BrowserControl& of(void* param) { return *static_cast<BrowserControl*>(param); }
    static std::string gbk(const BrowserControl& c, const wkeString s) {
        return c.m_engine.wkeGetStringW ? utf16_to_gbk(c.m_engine.wkeGetStringW(s)) : std::string();
    }

    static void paint_updated(wkeWebView, void*, void*, int, int, int, int) {
        // No user paint routine in this program: the engine paints its own window.
    }
    static void document_ready(wkeWebView, void* p, int frame) { of(p).raise(kDocumentReady, {integer(frame)}); }
    static void title_changed(wkeWebView, void* p, const wkeString title) {
        const std::string t = gbk(of(p), title);
        of(p).raise(kTitleChanged, {text(t)});
    }
    static void url_changed(wkeWebView, void* p, int frame, const wkeString url) {
        const std::string u = gbk(of(p), url);
        of(p).raise(kAddressChanged, {text(u), integer(frame)});
    }
    static bool navigation(wkeWebView, void* p, wkeNavigationType type, wkeString url) {
        const std::string u = gbk(of(p), url);
        auto result = of(p).raise(kNavigation, {integer(type), text(u)});
        return !(result && *result == 0);
    }
    static wkeWebView create_view(wkeWebView self, void* p, wkeNavigationType type, const wkeString url) {
        BrowserControl& control = of(p);
        const std::string u = gbk(control, url);
        auto result = control.raise(kNewWindow, {integer(type), text(u)});
        if (result && *result == 0)
            return nullptr;
        // With new-window navigation off the page opens in this view, as the
        // engine does for a view that asks nobody about new windows.
        if (control.m_block.new_window_navigation == 0)
            return self;
        const EngineFunctions& e = control.m_engine;
        if (!e.wkeCreateWebWindow)
            return nullptr;
        wkeWebView popup = e.wkeCreateWebWindow(WKE_WINDOW_TYPE_POPUP, nullptr, 100, 100, 800, 600);
        if (!popup)
            return nullptr;
        if (e.wkeSetWindowTitle)
            e.wkeSetWindowTitle(popup, messages::popup_title());
        if (e.wkeShowWindow)
            e.wkeShowWindow(popup, true);
        return popup;
    }
    static void loading_finish(wkeWebView, void* p, const wkeString url, wkeLoadingResult result,
                               const wkeString reason) {
        const std::string u = gbk(of(p), url);
        const std::string r = gbk(of(p), reason);
        of(p).raise(kLoadingFinished, {text(u), integer(result), text(r)});
    }
    static void console(wkeWebView, void* p, wkeConsoleLevel level, const wkeString message, const wkeString source,
                        unsigned line, const wkeString stack) {
        const std::string m = gbk(of(p), message);
        const std::string s = gbk(of(p), source);
        const std::string st = gbk(of(p), stack);
        of(p).raise(kConsoleMessage, {integer(level), text(m), text(s), integer(line), text(st)});
    }
    static void alert(wkeWebView, void* p, const wkeString message) {
        const std::string m = gbk(of(p), message);
        of(p).raise(kAlertBox, {text(m)});
    }
    static bool confirm(wkeWebView, void* p, const wkeString message) {
        const std::string m = gbk(of(p), message);
        auto result = of(p).raise(kConfirmBox, {text(m)});
        return result && *result != 0;
    }
    static bool prompt(wkeWebView, void* p, const wkeString message, const wkeString default_text, wkeString answer) {
        BrowserControl& control = of(p);
        const std::string m = gbk(control, message);
        const std::string d = gbk(control, default_text);
        auto result = control.raise(kPromptBox, {text(m), text(d)});
        if (!result)
            return false;
        // A text result belongs to the receiver, which frees it.
        auto* reply = reinterpret_cast<char*>(static_cast<std::uintptr_t>(*result));
        const std::string utf8 = kernel::gbk_to_utf8(reply ? reply : "");
        rt::release(reply);
        if (control.m_engine.wkeSetString)
            control.m_engine.wkeSetString(answer, utf8.c_str(), utf8.size());
        return true;
    }
    static void download(wkeWebView, void* p, const char* url) {
        const std::string u = kernel::utf8_to_gbk(url ? url : "");
        of(p).raise(kDownload, {text(u)});
    }
    static void load_begin(wkeWebView, void* p, const char* url, wkeNetJob net_job) {
        const std::string u = kernel::utf8_to_gbk(url ? url : "");
        of(p).raise(kRequestBegins, {text(u), job(net_job)});
    }
    static void load_end(wkeWebView, void* p, const char* url, wkeNetJob net_job, int status, int length) {
        const std::string u = kernel::utf8_to_gbk(url ? url : "");
        of(p).raise(kRequestEnds, {text(u), job(net_job), integer(status), integer(length)});
    }
    static void mouse_over(wkeWebView, void* p, const wkeString url) {
        const std::string u = gbk(of(p), url);
        of(p).raise(kLinkUnderMouse, {text(u)});
    }

    static bool input(wkeWebView, void* p, wkeInputKind kind, int x, int y, int code, int state) {
        BrowserControl& control = of(p);
        const wkeWebView view = control.m_view;
        switch (kind) {
        case WKE_INPUT_LBUTTONDOWN:
        case WKE_INPUT_LBUTTONUP:
        case WKE_INPUT_LBUTTONDBLCLK:
        case WKE_INPUT_RBUTTONDOWN:
        case WKE_INPUT_RBUTTONUP:
        case WKE_INPUT_MOUSEMOVE:
            control.raise(kLeftButtonDown + (kind - WKE_INPUT_LBUTTONDOWN), {integer(x), integer(y), integer(state)});
            return true;
        case WKE_INPUT_SETFOCUS:
        case WKE_INPUT_KILLFOCUS:
            control.raise(kind == WKE_INPUT_SETFOCUS ? kFocusGained : kFocusLost, {});
            return true;
        case WKE_INPUT_KEYDOWN: {
            const bool reload = code == kKeyF5 && control.m_block.disable_f5_reload == 0;
            control.raise(kKeyDown, {integer(code), integer(state)});
            if (reload && control.m_engine.wkeReload)
                control.m_engine.wkeReload(view);
            return true;
        }
        case WKE_INPUT_KEYUP: control.raise(kKeyUp, {integer(code), integer(state)}); return true;
        case WKE_INPUT_CHAR: {
            auto result = control.raise(kCharacter, {integer(code)});
            return !(result && *result == 0);
        }
        default: return true;
        }
    }

    // Registers every callback with the control as context, or removes them all.
    static void install(BrowserControl& control, bool on) {
        const EngineFunctions& e = control.m_engine;
        wkeWebView view = control.m_view;
        void* param = on ? &control : nullptr;
        auto set = [&](auto registrar, auto routine) {
            if (registrar)
                registrar(view, on ? routine : nullptr, param);
        };
        set(e.wkeOnPaintUpdated, &paint_updated);
        set(e.wkeOnDocumentReady2, &document_ready);
        set(e.wkeOnTitleChanged, &title_changed);
        set(e.wkeOnURLChanged2, &url_changed);
        set(e.wkeOnNavigation, &navigation);
        set(e.wkeOnCreateView, &create_view);
        set(e.wkeOnLoadingFinish, &loading_finish);
        set(e.wkeOnConsole, &console);
        set(e.wkeOnAlertBox, &alert);
        set(e.wkeOnConfirmBox, &confirm);
        set(e.wkeOnPromptBox, &prompt);
        set(e.wkeOnDownload, &download);
        set(e.wkeOnLoadUrlBegin, &load_begin);
        set(e.wkeOnLoadUrlEnd, &load_end);
        set(e.wkeOnMouseOverUrlChanged, &mouse_over);
        set(e.wkeQuilbexOnInput, &input);
    }
};

void install_engine_callbacks(BrowserControl& control, bool on) { BrowserCallbacks::install(control, on); }

}  // namespace quilbex::browser

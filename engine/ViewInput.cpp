#include "engine/ViewInput.h"

#include "engine/Engine.h"
#include "engine/WebView.h"

#include <algorithm>
#include <gdk/gdkkeysyms.h>

namespace quilbex::engine {

namespace {

int modifier_state(guint state) {
    return ((state & GDK_CONTROL_MASK) ? 1 : 0) | ((state & GDK_SHIFT_MASK) ? 2 : 0) |
           ((state & GDK_MOD1_MASK) ? 4 : 0);
}

// Hands one event to the program; true when the page must not see it.
gboolean offer(WebView* view, wkeInputKind kind, int x, int y, int code, int state) {
    auto& callback = view->callbacks().input;
    if (!callback)
        return FALSE;
    return callback.fn(view->handle(), callback.param, kind, x, y, code, state) ? FALSE : TRUE;
}

gboolean on_button(GtkWidget*, GdkEventButton* event, WebView* view) {
    const bool press = event->type == GDK_BUTTON_PRESS || event->type == GDK_2BUTTON_PRESS;
    wkeInputKind kind;
    if (event->button == 1)
        kind = event->type == GDK_2BUTTON_PRESS ? WKE_INPUT_LBUTTONDBLCLK
               : press                          ? WKE_INPUT_LBUTTONDOWN
                                                : WKE_INPUT_LBUTTONUP;
    else if (event->button == 3 && event->type != GDK_2BUTTON_PRESS)
        kind = press ? WKE_INPUT_RBUTTONDOWN : WKE_INPUT_RBUTTONUP;
    else
        return FALSE;
    return offer(view, kind, static_cast<int>(event->x), static_cast<int>(event->y), 0, modifier_state(event->state));
}

gboolean on_motion(GtkWidget*, GdkEventMotion* event, WebView* view) {
    return offer(view, WKE_INPUT_MOUSEMOVE, static_cast<int>(event->x), static_cast<int>(event->y), 0,
                 modifier_state(event->state));
}

gboolean on_focus_in(GtkWidget*, GdkEventFocus*, WebView* view) { return offer(view, WKE_INPUT_SETFOCUS, 0, 0, 0, 0); }
gboolean on_focus_out(GtkWidget*, GdkEventFocus*, WebView* view) {
    return offer(view, WKE_INPUT_KILLFOCUS, 0, 0, 0, 0);
}

// A key kept from the page is kept whole: WebKit must not see a release
// without its press.
gboolean keep_key(WebView* view, guint keyval) {
    view->kept_keys().push_back(keyval);
    return TRUE;
}

gboolean on_key(GtkWidget*, GdkEventKey* event, WebView* view) {
    const int state = modifier_state(event->state);
    const int code = virtual_key_of(event->keyval);
    const wkeWebView self = view->handle();
    if (event->type == GDK_KEY_RELEASE) {
        auto& kept = view->kept_keys();
        auto found = std::find(kept.begin(), kept.end(), event->keyval);
        const bool was_kept = found != kept.end();
        if (was_kept)
            kept.erase(found);
        return offer(view, WKE_INPUT_KEYUP, 0, 0, code, state) || was_kept;
    }
    if (offer(view, WKE_INPUT_KEYDOWN, 0, 0, code, state))
        return Engine::get().find_view(self) == view ? keep_key(view, event->keyval) : TRUE;
    // The program may have destroyed the view while it looked at the key.
    if (Engine::get().find_view(self) != view)
        return TRUE;
    const gunichar character = gdk_keyval_to_unicode(event->keyval);
    if (character == 0 || character > 0xFFFF || (state & (1 | 4)))
        return FALSE;
    if (offer(view, WKE_INPUT_CHAR, 0, 0, static_cast<int>(character), state))
        return Engine::get().find_view(self) == view ? keep_key(view, event->keyval) : TRUE;
    return FALSE;
}

}  // namespace

int virtual_key_of(guint keyval) {
    if (keyval >= GDK_KEY_a && keyval <= GDK_KEY_z)
        return static_cast<int>('A' + (keyval - GDK_KEY_a));
    if (keyval >= GDK_KEY_A && keyval <= GDK_KEY_Z)
        return static_cast<int>(keyval);
    if (keyval >= GDK_KEY_0 && keyval <= GDK_KEY_9)
        return static_cast<int>(keyval);
    if (keyval >= GDK_KEY_F1 && keyval <= GDK_KEY_F12)
        return static_cast<int>(112 + (keyval - GDK_KEY_F1));
    switch (keyval) {
    case GDK_KEY_BackSpace: return 8;
    case GDK_KEY_Tab: return 9;
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter: return 13;
    case GDK_KEY_Shift_L:
    case GDK_KEY_Shift_R: return 16;
    case GDK_KEY_Control_L:
    case GDK_KEY_Control_R: return 17;
    case GDK_KEY_Alt_L:
    case GDK_KEY_Alt_R: return 18;
    case GDK_KEY_Escape: return 27;
    case GDK_KEY_space: return 32;
    case GDK_KEY_Page_Up: return 33;
    case GDK_KEY_Page_Down: return 34;
    case GDK_KEY_End: return 35;
    case GDK_KEY_Home: return 36;
    case GDK_KEY_Left: return 37;
    case GDK_KEY_Up: return 38;
    case GDK_KEY_Right: return 39;
    case GDK_KEY_Down: return 40;
    case GDK_KEY_Delete: return 46;
    default: return 0;
    }
}

void connect_view_input(WebView& view, GtkWidget* web_view) {
    // Connected before WebKit's own handlers run (they are class handlers).
    g_signal_connect(web_view, "button-press-event", G_CALLBACK(on_button), &view);
    g_signal_connect(web_view, "button-release-event", G_CALLBACK(on_button), &view);
    g_signal_connect(web_view, "motion-notify-event", G_CALLBACK(on_motion), &view);
    g_signal_connect(web_view, "focus-in-event", G_CALLBACK(on_focus_in), &view);
    g_signal_connect(web_view, "focus-out-event", G_CALLBACK(on_focus_out), &view);
    g_signal_connect(web_view, "key-press-event", G_CALLBACK(on_key), &view);
    g_signal_connect(web_view, "key-release-event", G_CALLBACK(on_key), &view);
}

}  // namespace quilbex::engine

// Message boxes of the GTK backend: a modal GtkMessageDialog with the buttons
// and icon the MB_* flags ask for. While it is open the window system's own
// loop keeps running (timers tick, sent messages are handled), as a message
// box's modal loop does on Windows. Ctrl+C copies the box's caption, text and
// buttons, as on Windows.

#include "platform/ui/Constants.h"
#include "platform/ui/Gbk.h"
#include "platform/ui/Messages.h"
#include "platform/ui/gtk/GtkBackend.h"

#include <string>
#include <vector>

namespace quilbex::ui::gtk {

namespace {

struct DialogButton {
    const char* label;
    int id;
};

std::vector<DialogButton> buttons_for(UINT flags) {
    switch (flags & MB_TYPEMASK) {
    case MB_OKCANCEL: return {{"确定", IDOK}, {"取消", IDCANCEL}};
    case MB_ABORTRETRYIGNORE: return {{"中止(_A)", IDABORT}, {"重试(_R)", IDRETRY}, {"忽略(_I)", IDIGNORE}};
    case MB_YESNOCANCEL: return {{"是(_Y)", IDYES}, {"否(_N)", IDNO}, {"取消", IDCANCEL}};
    case MB_YESNO: return {{"是(_Y)", IDYES}, {"否(_N)", IDNO}};
    case MB_RETRYCANCEL: return {{"重试(_R)", IDRETRY}, {"取消", IDCANCEL}};
    case MB_CANCELTRYCONTINUE: return {{"取消", IDCANCEL}, {"重试(_T)", IDTRYAGAIN}, {"继续(_C)", IDCONTINUE}};
    default: return {{"确定", IDOK}};
    }
}

GtkMessageType message_type(UINT flags) {
    switch (flags & MB_ICONMASK) {
    case MB_ICONERROR: return GTK_MESSAGE_ERROR;
    case MB_ICONQUESTION: return GTK_MESSAGE_QUESTION;
    case MB_ICONWARNING: return GTK_MESSAGE_WARNING;
    case MB_ICONINFORMATION: return GTK_MESSAGE_INFO;
    default: return GTK_MESSAGE_OTHER;
    }
}

// What Ctrl+C in a message box puts on the clipboard, laid out as Windows
// lays it out: caption, text and button names between dashed lines.
std::string clipboard_text(const std::string& caption, const std::string& body,
                           const std::vector<DialogButton>& buttons) {
    const std::string rule = "---------------------------\r\n";
    std::string names;
    for (const DialogButton& b : buttons) {
        for (const char* c = b.label; *c; ++c) {
            if (*c != '_')
                names += *c;
        }
        names += "   ";
    }
    std::string text;
    for (char c : body)
        text += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return rule + caption + "\r\n" + rule + text + "\r\n" + rule + names + "\r\n" + rule;
}

gboolean on_key(GtkWidget*, GdkEventKey* event, gpointer data) {
    bool copy = (event->state & GDK_CONTROL_MASK) &&
                (event->keyval == GDK_KEY_c || event->keyval == GDK_KEY_C || event->keyval == GDK_KEY_Insert);
    if (!copy)
        return FALSE;
    const auto* text = static_cast<const std::string*>(data);
    gtk_clipboard_set_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), text->c_str(), static_cast<gint>(text->size()));
    return TRUE;
}

struct Answer {
    int id = 0;
    int close_id = 0;  // what the close box and Esc mean, 0 when the box cannot be dismissed
    WindowSystem* system = nullptr;
};

void on_response(GtkDialog*, gint response, gpointer data) {
    auto* answer = static_cast<Answer*>(data);
    if (response > 0)
        answer->id = response;
    else if (answer->close_id)
        answer->id = answer->close_id;
    if (answer->id)
        answer->system->post_message(nullptr, WM_NULL, 0, 0);  // lets the modal loop look at the answer
}

}  // namespace

int GtkBackend::message_box(HWND owner, std::string_view text, std::string_view caption, UINT flags) {
    GtkWindow* parent = nullptr;
    for (Window* w = m_system->find(owner); w; w = m_system->find(w->parent))
        if (!w->parent && gtk_widget_get_visible(widget_of(w->handle)))
            parent = GTK_WINDOW(widget_of(w->handle));
    std::string body;
    for (char c : gbk_to_utf8(text))
        if (c != '\r')
            body += c;
    GtkWidget* dialog =
        gtk_message_dialog_new(parent, static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
                               message_type(flags), GTK_BUTTONS_NONE, "%s", body.c_str());
    auto keep = GObjectPtr<GtkWidget>::ref(dialog);
    gtk_window_set_title(GTK_WINDOW(dialog), gbk_to_utf8(caption).c_str());
    if (flags & (MB_TOPMOST | MB_SYSTEMMODAL))
        gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
    auto buttons = buttons_for(flags);
    for (const DialogButton& b : buttons)
        gtk_dialog_add_button(GTK_DIALOG(dialog), b.label, b.id);
    std::size_t default_index = (flags & MB_DEFMASK) >> 8;
    if (default_index < buttons.size())
        gtk_dialog_set_default_response(GTK_DIALOG(dialog), buttons[default_index].id);

    Answer answer;
    answer.system = m_system;
    for (const DialogButton& b : buttons)
        if (b.id == IDCANCEL)
            answer.close_id = IDCANCEL;
    if ((flags & MB_TYPEMASK) == MB_OK)
        answer.close_id = IDOK;
    gtk_window_set_deletable(GTK_WINDOW(dialog), answer.close_id != 0);
    g_signal_connect(dialog, "response", G_CALLBACK(on_response), &answer);
    const std::string copy_text = clipboard_text(gbk_to_utf8(caption), body, buttons);
    g_signal_connect(dialog, "key-press-event", G_CALLBACK(on_key), const_cast<std::string*>(&copy_text));
    gtk_widget_show_all(dialog);
    m_system->run_until([&] { return answer.id != 0; });
    g_signal_handlers_disconnect_by_data(dialog, &answer);
    g_signal_handlers_disconnect_by_data(dialog, const_cast<std::string*>(&copy_text));
    gtk_widget_destroy(dialog);
    // A quit message that ended the loop early leaves the box unanswered:
    // its first button stands, as the caller must get one of its codes.
    return answer.id ? answer.id : buttons.front().id;
}

}  // namespace quilbex::ui::gtk

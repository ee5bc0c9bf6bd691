#include "platform/ui/EditControl.h"

#include "platform/ui/Constants.h"
#include "platform/ui/Gbk.h"
#include "platform/ui/Messages.h"
#include "platform/ui/Styles.h"
#include "platform/ui/User32.h"
#include "platform/ui/WindowSystem.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace quilbex::ui {

namespace {

constexpr std::size_t kSingleLineMaximum = 0x7FFFFFFE;
constexpr std::size_t kMultiLineMaximum = 0xFFFFFFFF;

void notify_parent(HWND handle, WORD code) {
    auto& ws = WindowSystem::the();
    Window* w = ws.find(handle);
    if (!w || !w->parent)
        return;
    ws.send_message(w->parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(w->id), code),
                    reinterpret_cast<LPARAM>(handle));
}

std::size_t previous_boundary(std::string_view text, std::size_t pos) {
    std::size_t at = 0;
    std::size_t last = 0;
    while (at < pos && at < text.size()) {
        last = at;
        at += gbk_char_length(text, at);
    }
    return last;
}

// Clamps a requested position to the text and to a character boundary.
std::size_t clamp_position(std::string_view text, std::int64_t pos) {
    if (pos < 0 || static_cast<std::uint64_t>(pos) >= text.size())
        return text.size();
    return gbk_floor_boundary(text, static_cast<std::size_t>(pos));
}

void set_selection(Window& w, std::int32_t start, std::int32_t end) {
    EditState& e = w.edit;
    if (start == -1) {
        // Removes the selection and leaves the caret where it was.
        e.selection_start = e.selection_end;
    } else {
        std::size_t a = start < -1 ? 0 : clamp_position(w.text, start);
        std::size_t b = end < 0 ? w.text.size() : clamp_position(w.text, end);
        e.selection_start = std::min(a, b);
        e.selection_end = std::max(a, b);
    }
}

enum class Origin { Program, Typing };

// Replaces the selection with `insert`, cut at the text limit on a character
// boundary; a typed character that does not fit is refused whole.
void replace_selection(HWND handle, std::string insert, Origin origin) {
    auto& ws = WindowSystem::the();
    Window* w = ws.find(handle);
    if (!w)
        return;
    EditState& e = w->edit;
    std::size_t start = std::min(e.selection_start, w->text.size());
    std::size_t end = std::clamp(e.selection_end, start, w->text.size());
    std::size_t kept = w->text.size() - (end - start);
    std::size_t room = e.limit > kept ? e.limit - kept : 0;
    bool truncated = false;
    if (insert.size() > room) {
        truncated = true;
        insert = origin == Origin::Typing ? std::string() : insert.substr(0, gbk_floor_boundary(insert, room));
        if (origin == Origin::Typing) {
            notify_parent(handle, EN_MAXTEXT);
            return;
        }
    }
    std::string updated = w->text.substr(0, start) + insert + w->text.substr(end);
    bool changed = updated != w->text;
    w->text = std::move(updated);
    e.selection_start = e.selection_end = start + insert.size();
    // As on Windows, replacing the selection keeps the caret in view.
    ws.notify_changed(handle, kChangeText | kChangeSelection | kChangeScrollCaret);
    if (truncated)
        notify_parent(handle, EN_MAXTEXT);
    if (changed)
        notify_parent(handle, EN_CHANGE);
}

LRESULT on_char(HWND handle, Window& w, WPARAM code) {
    if (w.style & ES_READONLY)
        return 0;
    bool multi_line = (w.style & ES_MULTILINE) != 0;
    EditState& e = w.edit;
    if (code == VK_BACK) {
        if (e.selection_start == e.selection_end) {
            if (e.selection_start == 0)
                return 0;
            e.selection_start = previous_boundary(w.text, e.selection_start);
        }
        replace_selection(handle, std::string(), Origin::Typing);
        return 0;
    }
    std::string insert;
    if (code == '\r') {
        if (!multi_line)
            return 0;
        insert = "\r\n";
    } else if (code == '\t') {
        if (!multi_line)
            return 0;
        insert = "\t";
    } else if (code < 0x20 || code == 0x7F) {
        return 0;  // control characters (Ctrl+letter, Esc) insert nothing
    } else if (code <= 0xFF) {
        char c = static_cast<char>(code);
        if (w.style & ES_UPPERCASE)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (w.style & ES_LOWERCASE)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if ((w.style & ES_NUMBER) && !std::isdigit(static_cast<unsigned char>(c)))
            return 0;
        insert.assign(1, c);
    } else if (code <= 0xFFFF && is_gbk_lead_byte(static_cast<unsigned char>(code >> 8))) {
        if (w.style & ES_NUMBER)
            return 0;
        insert = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
    } else {
        return 0;
    }
    replace_selection(handle, std::move(insert), Origin::Typing);
    return 0;
}

// Caret keys and Delete, for backends without a native editor.
LRESULT on_key_down(HWND handle, Window& w, WPARAM key) {
    auto& ws = WindowSystem::the();
    EditState& e = w.edit;
    std::size_t caret = e.selection_end;
    switch (key) {
    case VK_DELETE:
        if (w.style & ES_READONLY)
            return 0;
        if (e.selection_start == e.selection_end) {
            if (e.selection_end >= w.text.size())
                return 0;
            e.selection_end += gbk_char_length(w.text, e.selection_end);
        }
        replace_selection(handle, std::string(), Origin::Typing);
        return 0;
    case VK_LEFT:
        caret = e.selection_start == e.selection_end ? previous_boundary(w.text, caret) : e.selection_start;
        break;
    case VK_RIGHT:
        caret = e.selection_start == e.selection_end ? std::min(w.text.size(), caret + gbk_char_length(w.text, caret))
                                                     : e.selection_end;
        break;
    case VK_HOME: caret = 0; break;
    case VK_END: caret = w.text.size(); break;
    default: return 0;
    }
    e.selection_start = e.selection_end = caret;
    ws.notify_changed(handle, kChangeSelection);
    return 0;
}

}  // namespace

void edit_changed_by_user(HWND handle, std::string gbk, std::size_t caret) {
    auto& ws = WindowSystem::the();
    Window* w = ws.find(handle);
    if (!w || w->kind != ControlKind::Edit)
        return;
    bool changed = gbk != w->text;
    w->text = std::move(gbk);
    w->edit.selection_start = w->edit.selection_end = clamp_position(w->text, static_cast<std::int64_t>(caret));
    if (changed)
        notify_parent(handle, EN_CHANGE);
}

void edit_selection_by_user(HWND handle, std::size_t start, std::size_t end) {
    Window* w = WindowSystem::the().find(handle);
    if (!w || w->kind != ControlKind::Edit)
        return;
    std::size_t a = clamp_position(w->text, static_cast<std::int64_t>(start));
    std::size_t b = clamp_position(w->text, static_cast<std::int64_t>(end));
    w->edit.selection_start = std::min(a, b);
    w->edit.selection_end = std::max(a, b);
}

LRESULT EditWindowProc(HWND handle, UINT message, WPARAM wparam, LPARAM lparam) {
    auto& ws = WindowSystem::the();
    Window* w = ws.find(handle);
    if (!w)
        return 0;
    EditState& e = w->edit;
    bool multi_line = (w->style & ES_MULTILINE) != 0;
    switch (message) {
    case WM_CREATE:
        e = EditState{};
        e.password_char = (w->style & ES_PASSWORD) ? '*' : 0;
        return 0;
    case WM_SETTEXT: {
        std::string text = lparam ? reinterpret_cast<LPCSTR>(lparam) : "";
        bool changed = text != w->text;
        w->text = std::move(text);
        e.selection_start = e.selection_end = 0;
        ws.notify_changed(handle, kChangeText | kChangeSelection);
        if (changed)
            notify_parent(handle, EN_CHANGE);
        return TRUE;
    }
    case WM_CHAR:
    case WM_IME_CHAR: return on_char(handle, *w, wparam);
    case WM_KEYDOWN:
        if (!ws.backend().native_editing())
            return on_key_down(handle, *w, wparam);
        return 0;
    case WM_LBUTTONDOWN: ws.set_focus(handle); return 0;
    case WM_SETFOCUS: notify_parent(handle, EN_SETFOCUS); return 0;
    case WM_KILLFOCUS: notify_parent(handle, EN_KILLFOCUS); return 0;
    case EM_GETSEL:
        if (wparam)
            *reinterpret_cast<DWORD*>(wparam) = static_cast<DWORD>(e.selection_start);
        if (lparam)
            *reinterpret_cast<DWORD*>(lparam) = static_cast<DWORD>(e.selection_end);
        return static_cast<LRESULT>(MAKELPARAM(static_cast<WORD>(std::min<std::size_t>(e.selection_start, 0xFFFF)),
                                               static_cast<WORD>(std::min<std::size_t>(e.selection_end, 0xFFFF))));
    case EM_SETSEL:
        set_selection(*w, static_cast<std::int32_t>(wparam), static_cast<std::int32_t>(lparam));
        ws.notify_changed(handle, kChangeSelection);
        return 0;
    case EM_REPLACESEL:
        replace_selection(handle, lparam ? reinterpret_cast<LPCSTR>(lparam) : "", Origin::Program);
        return 0;
    case EM_SCROLLCARET:
        ++e.scroll_to_caret_count;
        ws.notify_changed(handle, kChangeScrollCaret);
        return TRUE;
    case EM_LIMITTEXT: {
        auto limit = static_cast<DWORD>(wparam);
        e.limit = limit ? limit : (multi_line ? kMultiLineMaximum : kSingleLineMaximum);
        return 0;
    }
    case EM_GETLIMITTEXT: return static_cast<LRESULT>(e.limit);
    case EM_SETPASSWORDCHAR:
        e.password_char = static_cast<char>(wparam & 0xFF);
        if (e.password_char)
            w->style |= ES_PASSWORD;
        else
            w->style &= ~ES_PASSWORD;
        ws.notify_changed(handle, kChangeStyle);
        return 0;
    case EM_GETPASSWORDCHAR: return static_cast<unsigned char>(e.password_char);
    case EM_SETREADONLY:
        if (wparam)
            w->style |= ES_READONLY;
        else
            w->style &= ~ES_READONLY;
        ws.notify_changed(handle, kChangeStyle);
        ws.refresh_control_colors(handle);
        return TRUE;
    case EM_GETLINECOUNT: return multi_line ? 1 + std::count(w->text.begin(), w->text.end(), '\n') : 1;
    default: break;
    }
    return DefWindowProcA(handle, message, wparam, lparam);
}

}  // namespace quilbex::ui

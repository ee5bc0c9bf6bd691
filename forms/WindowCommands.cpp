#include "forms/WindowCommands.h"

#include "commands/Arguments.h"
#include "commands/numbers/NumberCommands.h"
#include "forms/EventRecords.h"
#include "forms/FormsApi.h"
#include "forms/FormsState.h"
#include "forms/WindowLoader.h"
#include "platform/ui/User32.h"
#include "platform/ui/WindowSystem.h"
#include "runtime/ErrorReport.h"
#include "runtime/Notifications.h"
#include "runtime_messages/RuntimeMessages.h"

#include <string>

namespace quilbex::forms {
namespace {

using commands::argument;

// Runs the work on the window thread (at once when already there).
template <typename Work> void on_window_thread(Work&& work) {
    auto& system = ui::WindowSystem::the();
    if (system.on_window_thread())
        work();
    else
        system.call_on_window_thread(work);
}

bool refers_to_window(std::uint32_t unit_id) { return (unit_id >> 28) == 0; }

struct Reference {
    LoadedWindow* window = nullptr;
    std::size_t index = 0;
    bool live = false;
};

Reference resolve(const rt::ArgRecord& record) {
    Reference reference;
    reference.window = find_loaded_window(record.low);
    if (!reference.window)
        return reference;
    int index = refers_to_window(record.high) ? 0 : reference.window->unit_index(record.high);
    if (index < 0)
        return reference;
    reference.index = static_cast<std::size_t>(index);
    reference.live = reference.window->unit_live(reference.index);
    return reference;
}

Reference resolve_or_fail(const rt::ArgRecord& record) {
    Reference reference = resolve(record);
    if (!reference.live)
        rt::report_runtime_error(rt::messages::component_missing(), 0, record.low, record.high);
    return reference;
}

bool is_shown_type(std::uint32_t type) {
    switch (type) {
    case rt::kTypeByte:
    case rt::kTypeShort:
    case rt::kTypeInt:
    case rt::kTypeLong:
    case rt::kTypeFloat:
    case rt::kTypeDouble:
    case rt::kTypeText:
    case rt::kTypeBool:
    case rt::kTypeDateTime: return true;
    default: return false;
    }
}

ui::HWND owner_of(const rt::ArgRecord& record) {
    if (record.type == rt::kTypeWindowReference) {
        Reference reference = resolve(record);
        return reference.live ? reference.window->hwnd() : nullptr;
    }
    if (record.type == rt::kTypeInt)
        return reinterpret_cast<ui::HWND>(static_cast<std::uintptr_t>(record.low));
    return nullptr;
}

}  // namespace

int message_box_code(int button) {
    switch (button) {
    case ui::IDCANCEL: return 1;
    case ui::IDABORT: return 2;
    case ui::IDRETRY: return 3;
    case ui::IDIGNORE: return 4;
    case ui::IDYES: return 5;
    case ui::IDNO: return 6;
    default: return 0;
    }
}

namespace lib {

void message_box(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    rt::ArgRecord content = argument(argc, args, 0);
    std::string text = is_shown_type(content.type) ? commands::value_to_text(content) : std::string();
    auto flags = static_cast<ui::UINT>(commands::int_of(argument(argc, args, 1)));
    rt::ArgRecord caption_arg = argument(argc, args, 2);
    std::string caption =
        caption_arg.omitted() ? std::string(rt::messages::info_caption()) : std::string(commands::text_of(caption_arg));
    if (!(flags & ui::MB_SYSTEMMODAL))
        flags |= ui::MB_TASKMODAL;
    int button = 0;
    on_window_thread(
        [&] { button = ui::MessageBoxA(owner_of(argument(argc, args, 3)), text.c_str(), caption.c_str(), flags); });
    commands::set_int(result, message_box_code(button));
}

void load_window(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    rt::ArgRecord window = argument(argc, args, 0);
    rt::ArgRecord parent = argument(argc, args, 1);
    bool modal = commands::int_of(argument(argc, args, 2)) != 0;
    bool loaded = false;
    on_window_thread([&] {
        UnitObject* parent_object = nullptr;
        if (!parent.omitted()) {
            Reference reference = resolve(parent);
            if (!reference.live)
                return;
            parent_object = reference.window->object(reference.index);
        }
        LoadRequest request{window.low, parent_object, modal ? 1u : 0u};
        loaded = rt::runtime_notify(2005, reinterpret_cast<std::uintptr_t>(&request), 0) == 0;
    });
    commands::set_bool(result, loaded);
}

void close_window(rt::ArgRecord*, int argc, rt::ArgRecord* args) {
    rt::ArgRecord target = argument(argc, args, 0);
    bool at_once = argc > 1 && !args[1].omitted() && commands::int_of(args[1]) != 0;
    on_window_thread([&] {
        Reference reference = resolve_or_fail(target);
        UnitObject* object = reference.window->object(reference.index);
        if (reference.index != 0) {
            ui::DestroyWindow(object->hwnd());
            return;
        }
        reference.window->closing = true;
        if (at_once) {
            reference.window->closing = false;
            restore_windows_disabled_by(*reference.window);
            ui::DestroyWindow(object->hwnd());
        } else {
            ui::PostMessageA(object->hwnd(), kMessageCloseWindow, 0, 0);
        }
    });
}

void component_exists(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    rt::ArgRecord target = argument(argc, args, 0);
    bool exists = false;
    on_window_thread([&] { exists = resolve(target).live; });
    commands::set_bool(result, exists);
}

void append_edit_text(rt::ArgRecord*, int argc, rt::ArgRecord* args) {
    rt::ArgRecord target = argument(argc, args, 0);
    on_window_thread([&] {
        Reference reference = resolve_or_fail(target);
        ui::HWND edit = reference.window->object(reference.index)->hwnd();
        for (int i = 1; i < argc; ++i) {
            std::string text(commands::text_of(args[i]));
            auto length = static_cast<ui::WPARAM>(ui::GetWindowTextLengthA(edit));
            ui::SendMessageA(edit, ui::EM_SETSEL, length, static_cast<ui::LPARAM>(length));
            ui::SendMessageA(edit, ui::EM_SCROLLCARET, 0, 0);
            ui::SendMessageA(edit, ui::EM_REPLACESEL, 0, reinterpret_cast<ui::LPARAM>(text.c_str()));
        }
    });
}

}  // namespace lib
}  // namespace quilbex::forms

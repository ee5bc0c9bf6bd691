#include "app/alerts/Notifier.h"

#include "platform/kernel/SymbolBinder.h"

#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <functional>
#include <libnotify/notify.h>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <system_error>
#include <thread>

namespace quilbex::app {

// libnotify, and with it GLib, GObject and GIO, is opened only when a run has
// something to tell: a run that signs in as usual never maps them. Only the
// declarations of its header are used here; every call goes through the
// functions looked up below.
struct NotifyApi {
    decltype(&::notify_init) init = nullptr;
    decltype(&::notify_uninit) uninit = nullptr;
    decltype(&::notify_is_initted) is_initted = nullptr;
    decltype(&::notify_notification_new) notification_new = nullptr;
    decltype(&::notify_notification_set_urgency) set_urgency = nullptr;
    decltype(&::notify_notification_show) show = nullptr;
    decltype(&::notify_get_server_caps) server_caps = nullptr;
    decltype(&::notify_notification_add_action) add_action = nullptr;
    decltype(&::g_object_unref) object_unref = nullptr;
    decltype(&::g_error_free) error_free = nullptr;
    decltype(&::g_list_free_full) list_free_full = nullptr;
    decltype(&::g_free) free = nullptr;
    decltype(&::g_signal_connect_data) signal_connect_data = nullptr;
    decltype(&::g_main_loop_new) main_loop_new = nullptr;
    decltype(&::g_main_loop_run) main_loop_run = nullptr;
    decltype(&::g_main_loop_quit) main_loop_quit = nullptr;
    decltype(&::g_main_loop_unref) main_loop_unref = nullptr;
    decltype(&::g_timeout_add) timeout_add = nullptr;
    decltype(&::g_source_remove) source_remove = nullptr;
};

namespace {

struct DlClose {
    void operator()(void* library) const { ::dlclose(library); }
};

// GLib would otherwise try to start a bus of its own (through X11) when the
// address is not set; a run from a timer must never do that.
bool session_bus_reachable() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address && *address)
        return true;
    const char* runtime_dir = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime_dir || !*runtime_dir)
        return false;
    struct stat info {};
    return ::stat((std::string(runtime_dir) + "/bus").c_str(), &info) == 0 && S_ISSOCK(info.st_mode);
}

}  // namespace

// Once complete the library stays loaded: GObject keeps the types that
// libnotify registers, and they cannot be taken back.
std::shared_ptr<const NotifyApi> open_notify_library(const char* file) {
    std::unique_ptr<void, DlClose> library(::dlopen(file, RTLD_NOW | RTLD_LOCAL));
    if (!library)
        return nullptr;
    auto api = std::make_shared<NotifyApi>();
    // A handle from dlopen finds the symbols of the library's own
    // dependencies too (GLib, GObject).
    kernel::SymbolBinder bind{library.get()};
    bind(api->init, "notify_init");
    bind(api->uninit, "notify_uninit");
    bind(api->is_initted, "notify_is_initted");
    bind(api->notification_new, "notify_notification_new");
    bind(api->set_urgency, "notify_notification_set_urgency");
    bind(api->show, "notify_notification_show");
    bind(api->server_caps, "notify_get_server_caps");
    bind(api->add_action, "notify_notification_add_action");
    bind(api->object_unref, "g_object_unref");
    bind(api->error_free, "g_error_free");
    bind(api->list_free_full, "g_list_free_full");
    bind(api->free, "g_free");
    bind(api->signal_connect_data, "g_signal_connect_data");
    bind(api->main_loop_new, "g_main_loop_new");
    bind(api->main_loop_run, "g_main_loop_run");
    bind(api->main_loop_quit, "g_main_loop_quit");
    bind(api->main_loop_unref, "g_main_loop_unref");
    bind(api->timeout_add, "g_timeout_add");
    bind(api->source_remove, "g_source_remove");
    if (!bind.complete)
        return nullptr;
    library.release();
    return api;
}

namespace {

// The notification object, unreferenced when it goes.
auto make_note(const NotifyApi* notify, const std::string& summary, const std::string& body) {
    auto unref = [notify](NotifyNotification* object) {
        if (object)
            notify->object_unref(object);
    };
    std::unique_ptr<NotifyNotification, decltype(unref)> note(
        notify->notification_new(summary.c_str(), body.c_str(), "dialog-warning"), unref);
    if (note)
        notify->set_urgency(note.get(), NOTIFY_URGENCY_NORMAL);
    return note;
}

bool show_note(const NotifyApi* notify, NotifyNotification* note) {
    GError* raw_error = nullptr;
    bool shown = notify->show(note, &raw_error);
    auto free_error = [notify](GError* error) {
        if (error)
            notify->error_free(error);
    };
    std::unique_ptr<GError, decltype(free_error)> error(raw_error, free_error);
    return shown && !error;
}

// Blocks until the service answers: libnotify sets no deadline on the
// session bus's handshake.
bool show_notification(const NotifyApi* notify, const std::string& summary, const std::string& body) {
    if (!notify->is_initted() && !notify->init("Quilbex"))
        return false;
    auto note = make_note(notify, summary, body);
    bool shown = note && show_note(notify, note.get());
    note.reset();
    notify->uninit();
    return shown;
}

bool service_shows_buttons(const NotifyApi* notify) {
    GList* caps = notify->server_caps();
    bool actions = false;
    for (GList* item = caps; item; item = item->next)
        actions = actions || std::strcmp(static_cast<const char*>(item->data), "actions") == 0;
    notify->list_free_full(caps, notify->free);
    return actions;
}

// The wait for a press: the service's signals (ActionInvoked,
// NotificationClosed) and the timer end the loop on this thread's default
// main context, where libnotify delivers them.
struct ButtonWait {
    const NotifyApi* notify = nullptr;
    GMainLoop* loop = nullptr;
    bool pressed = false;
    bool timed_out = false;
};

constexpr const char* kButtonAction = "default-button";

// `shown` is called once the service has taken the notification, before
// the wait for the press begins.
ActionOutcome show_with_button(const NotifyApi* notify, const std::string& summary, const std::string& body,
                               const std::string& body_without_button, const std::string& label,
                               std::chrono::milliseconds wait, const std::function<void()>& shown) {
    if (!notify->is_initted() && !notify->init("Quilbex"))
        return ActionOutcome::not_shown;
    if (!service_shows_buttons(notify)) {
        notify->uninit();
        return show_notification(notify, summary, body_without_button) ? ActionOutcome::shown_without_button
                                                                       : ActionOutcome::not_shown;
    }
    ButtonWait state{notify, notify->main_loop_new(nullptr, FALSE)};
    auto note = make_note(notify, summary, body);
    ActionOutcome outcome = ActionOutcome::not_shown;
    if (note) {
        notify->add_action(
            note.get(), kButtonAction, label.c_str(),
            [](NotifyNotification*, char*, gpointer data) {
                auto* wait_state = static_cast<ButtonWait*>(data);
                wait_state->pressed = true;
                wait_state->notify->main_loop_quit(wait_state->loop);
            },
            &state, nullptr);
        notify->signal_connect_data(note.get(), "closed",
                                    reinterpret_cast<GCallback>(+[](NotifyNotification*, gpointer data) {
                                        auto* wait_state = static_cast<ButtonWait*>(data);
                                        wait_state->notify->main_loop_quit(wait_state->loop);
                                    }),
                                    &state, nullptr, GConnectFlags(0));
        if (show_note(notify, note.get())) {
            shown();
            guint timer = notify->timeout_add(
                static_cast<guint>(wait.count()),
                [](gpointer data) -> gboolean {
                    auto* wait_state = static_cast<ButtonWait*>(data);
                    wait_state->timed_out = true;
                    wait_state->notify->main_loop_quit(wait_state->loop);
                    return G_SOURCE_REMOVE;
                },
                &state);
            notify->main_loop_run(state.loop);
            if (!state.timed_out)
                notify->source_remove(timer);
            outcome = state.pressed ? ActionOutcome::pressed : ActionOutcome::not_pressed;
        }
    }
    // The notification goes before the loop: its callbacks point at `state`.
    note.reset();
    notify->main_loop_unref(state.loop);
    notify->uninit();
    return outcome;
}

// Where the thread that shows a notification leaves its answer. Shared with
// that thread, which may outlive the wait.
struct Delivery {
    std::mutex mutex;
    std::condition_variable done_changed;
    bool done = false;
    bool shown = false;
    bool waiting_for_press = false;
    ActionOutcome outcome = ActionOutcome::not_shown;
};

std::shared_ptr<const NotifyApi> notify_library() {
    static const std::shared_ptr<const NotifyApi> library = open_notify_library("libnotify.so.4");
    return library;
}

}  // namespace

bool notify_desktop(const std::string& summary, const std::string& body, std::chrono::milliseconds deadline) {
    if (!session_bus_reachable())
        return false;
    const std::shared_ptr<const NotifyApi> library = notify_library();
    if (!library)
        return false;
    auto delivery = std::make_shared<Delivery>();
    // The thread holds its own references: after the deadline it is left
    // behind, blocked on a bus that may never answer, and ends with the
    // process.
    try {
        std::thread([delivery, api = library, summary, body] {
            bool shown = show_notification(api.get(), summary, body);
            std::lock_guard lock(delivery->mutex);
            delivery->done = true;
            delivery->shown = shown;
            delivery->done_changed.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        return false;  // no thread to be had: nothing is shown
    }
    std::unique_lock lock(delivery->mutex);
    delivery->done_changed.wait_for(lock, deadline, [&] { return delivery->done; });
    return delivery->done && delivery->shown;
}

ActionOutcome notify_desktop_with_button(const std::string& summary, const std::string& body,
                                         const std::string& body_without_button, const std::string& label,
                                         std::chrono::milliseconds wait) {
    if (!session_bus_reachable())
        return ActionOutcome::not_shown;
    const std::shared_ptr<const NotifyApi> library = notify_library();
    if (!library)
        return ActionOutcome::not_shown;
    auto delivery = std::make_shared<Delivery>();
    // As in notify_desktop: a thread that a silent bus holds is left behind.
    try {
        std::thread([delivery, api = library, summary, body, body_without_button, label, wait] {
            auto shown = [&delivery] {
                std::lock_guard lock(delivery->mutex);
                delivery->waiting_for_press = true;
                delivery->done_changed.notify_all();
            };
            ActionOutcome outcome = show_with_button(api.get(), summary, body, body_without_button, label, wait, shown);
            std::lock_guard lock(delivery->mutex);
            delivery->done = true;
            delivery->outcome = outcome;
            delivery->done_changed.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        return ActionOutcome::not_shown;
    }
    // A bus that never answers holds the run no longer than a plain
    // notification; only a notification on the screen is waited on.
    std::unique_lock lock(delivery->mutex);
    delivery->done_changed.wait_for(lock, 2 * kNotifyDeadline,
                                    [&] { return delivery->done || delivery->waiting_for_press; });
    if (!delivery->done && delivery->waiting_for_press)
        delivery->done_changed.wait_for(lock, wait + kNotifyDeadline, [&] { return delivery->done; });
    return delivery->done ? delivery->outcome : ActionOutcome::not_shown;
}

}  // namespace quilbex::app

#include "app/alerts/Notifier.h"

#include "platform/kernel/SymbolBinder.h"

#include <condition_variable>
#include <cstdlib>
#include <dlfcn.h>
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
    decltype(&::g_object_unref) object_unref = nullptr;
    decltype(&::g_error_free) error_free = nullptr;
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
    bind(api->object_unref, "g_object_unref");
    bind(api->error_free, "g_error_free");
    if (!bind.complete)
        return nullptr;
    library.release();
    return api;
}

namespace {

// Blocks until the service answers: libnotify sets no deadline on the
// session bus's handshake.
bool show_notification(const NotifyApi* notify, const std::string& summary, const std::string& body) {
    if (!notify->is_initted() && !notify->init("Quilbex"))
        return false;
    auto unref = [notify](NotifyNotification* object) { notify->object_unref(object); };
    std::unique_ptr<NotifyNotification, decltype(unref)> note(
        notify->notification_new(summary.c_str(), body.c_str(), "dialog-warning"), unref);
    if (!note)
        return false;
    notify->set_urgency(note.get(), NOTIFY_URGENCY_NORMAL);
    GError* raw_error = nullptr;
    bool shown = notify->show(note.get(), &raw_error);
    auto free_error = [notify](GError* error) { notify->error_free(error); };
    std::unique_ptr<GError, decltype(free_error)> error(raw_error, free_error);
    note.reset();
    notify->uninit();
    return shown && !error;
}

// Where the thread that shows a notification leaves its answer. Shared with
// that thread, which may outlive the wait.
struct Delivery {
    std::mutex mutex;
    std::condition_variable done_changed;
    bool done = false;
    bool shown = false;
};

}  // namespace

bool notify_desktop(const std::string& summary, const std::string& body, std::chrono::milliseconds deadline) {
    if (!session_bus_reachable())
        return false;
    static const std::shared_ptr<const NotifyApi> library = open_notify_library("libnotify.so.4");
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

}  // namespace quilbex::app

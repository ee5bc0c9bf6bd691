#include "app/daily/Notifier.h"

#include <cstdlib>
#include <libnotify/notify.h>
#include <memory>
#include <sys/stat.h>

namespace quilbex::app {

namespace {

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
struct GErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
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

bool notify_desktop(const std::string& summary, const std::string& body) {
    if (!session_bus_reachable())
        return false;
    if (!notify_is_initted() && !notify_init("Quilbex"))
        return false;
    std::unique_ptr<NotifyNotification, GObjectUnref> note(
        notify_notification_new(summary.c_str(), body.c_str(), "dialog-warning"));
    if (!note)
        return false;
    notify_notification_set_urgency(note.get(), NOTIFY_URGENCY_NORMAL);
    GError* raw_error = nullptr;
    bool shown = notify_notification_show(note.get(), &raw_error);
    std::unique_ptr<GError, GErrorFree> error(raw_error);
    note.reset();
    notify_uninit();
    return shown && !error;
}

}  // namespace quilbex::app

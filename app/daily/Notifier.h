#pragma once
// A desktop notification through the session bus's notification service
// (libnotify). Without a session bus, or when no service answers, nothing
// is shown and nothing is reported: an unattended run has nobody to tell.

#include <memory>
#include <string>

namespace quilbex::app {

// Texts are UTF-8. Returns whether the service accepted the notification.
bool notify_desktop(const std::string& summary, const std::string& body);

// The notification library's functions, from the library `file` opened at
// run time; null when it is missing or lacks any of them. A library that is
// complete stays loaded for the life of the process.
struct NotifyApi;
std::shared_ptr<const NotifyApi> open_notify_library(const char* file);

}  // namespace quilbex::app

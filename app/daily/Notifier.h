#pragma once
// A desktop notification through the session bus's notification service
// (libnotify). Without a session bus, or when no service answers, nothing
// is shown and nothing is reported: an unattended run has nobody to tell.

#include <string>

namespace quilbex::app {

// Texts are UTF-8. Returns whether the service accepted the notification.
bool notify_desktop(const std::string& summary, const std::string& body);

}  // namespace quilbex::app

#pragma once
// A desktop notification through the session bus's notification service
// (libnotify). Without a session bus, or when no service answers, nothing
// is shown and nothing is reported: an unattended run has nobody to tell.
// A bus that takes the connection but never answers holds the caller no
// longer than the deadline.

#include <chrono>
#include <memory>
#include <string>

namespace quilbex::app {

inline constexpr std::chrono::milliseconds kNotifyDeadline{5000};

// Texts are UTF-8. Returns whether the service accepted the notification
// within `deadline`. Called at most a few times per process: each call
// whose bus never answers leaves a blocked thread behind.
bool notify_desktop(const std::string& summary, const std::string& body,
                    std::chrono::milliseconds deadline = kNotifyDeadline);

// What became of a notification that offers a button.
enum class ActionOutcome {
    not_shown,  // no bus, no service, or it refused the notification
    shown_without_button,  // the service shows no buttons: the other body was shown
    pressed,
    not_pressed,  // closed, or not pressed within the wait
};

// Shows `body` with one button labelled `label` when the notification
// service supports buttons ("actions"), and waits up to `wait` for the member
// to press it; a service without buttons is given `body_without_button`
// instead (which says what to do by hand). Texts are UTF-8. A service that
// does not show the notification within twice the notification deadline is
// given up; one that shows it is waited on `wait` plus that deadline at most.
ActionOutcome notify_desktop_with_button(const std::string& summary, const std::string& body,
                                         const std::string& body_without_button, const std::string& label,
                                         std::chrono::milliseconds wait);

// The notification library's functions, from the library `file` opened at
// run time; null when it is missing or lacks any of them. A library that is
// complete stays loaded for the life of the process.
struct NotifyApi;
std::shared_ptr<const NotifyApi> open_notify_library(const char* file);

}  // namespace quilbex::app

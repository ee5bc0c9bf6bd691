// The notification library is opened at run time: a library that is missing,
// or that lacks any function the notification calls, is refused as a whole,
// so that no call can go through a function that was not found.

#include "app/alerts/Notifier.h"

#include <gtest/gtest.h>

namespace quilbex::app {
namespace {

TEST(NotifyLibrary, only_a_library_with_every_function_is_used) {
    EXPECT_FALSE(open_notify_library("libquilbex-no-such-library.so.1"));
    EXPECT_FALSE(open_notify_library("libc.so.6"));
    EXPECT_TRUE(open_notify_library("libnotify.so.4"));
}

}  // namespace
}  // namespace quilbex::app

// The program links no window toolkit, notification library or TLS
// library: the command line runs without the GTK backend's library, and the
// windows, when that library is missing, end with a message that names it.

#include "ProgramRun.h"

#include <cstdio>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <memory>

namespace quilbex::daily_testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

TEST(Windowless, the_program_needs_the_backend_library_only_for_its_windows) {
    ProgramFolder folder;
    ASSERT_FALSE(std::filesystem::exists(folder.file("quilbex-gtk.so")));
    RunResult help = folder.run({"--help"}, {{"DISPLAY", ""}});
    EXPECT_EQ(help.status, 0) << help.err;
    EXPECT_THAT(help.out, HasSubstr("--sign-in"));

    RunResult windows = folder.run({}, {{"DISPLAY", ":0"}});
    EXPECT_EQ(windows.status, 1);
    EXPECT_THAT(windows.err, HasSubstr(folder.file("quilbex-gtk.so").string()));
    EXPECT_THAT(windows.err, Not(HasSubstr("no display")));
}

std::string libraries_of_the_executable() {
    std::string command = std::string("ldd '") + QUILBEX_BIN_DIR + "/quilbex'";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), &::pclose);
    std::string listing;
    char buffer[512];
    while (std::size_t n = pipe ? std::fread(buffer, 1, sizeof buffer, pipe.get()) : 0)
        listing.append(buffer, n);
    return listing;
}

// Neither the toolkit nor the notification library (and GLib with it) is
// mapped by a run that does not need them.
TEST(Windowless, the_executable_links_no_toolkit_and_no_notification_library) {
    std::string listing = libraries_of_the_executable();
    ASSERT_THAT(listing, HasSubstr("libc.so"));
    EXPECT_THAT(listing, Not(HasSubstr("libgtk-3")));
    EXPECT_THAT(listing, Not(HasSubstr("libgdk-3")));
    EXPECT_THAT(listing, Not(HasSubstr("libnotify")));
    EXPECT_THAT(listing, Not(HasSubstr("libglib-2.0")));
}

// OpenSSL comes with libcurl on the first request; the sign-in runs of the
// other tests show that its connections are still verified.
TEST(Windowless, the_executable_does_not_link_the_tls_libraries) {
    std::string listing = libraries_of_the_executable();
    ASSERT_THAT(listing, HasSubstr("libc.so"));
    EXPECT_THAT(listing, Not(HasSubstr("libssl")));
    EXPECT_THAT(listing, Not(HasSubstr("libcrypto")));
}

}  // namespace
}  // namespace quilbex::daily_testing

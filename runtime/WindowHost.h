#pragma once
// The window-facing half of the runtime. The runtime core (start-up, error
// report, notifications, the end of the program) reaches windows only through
// this interface; the forms runtime installs the implementation. Without one,
// the runtime behaves as a program without windows: no templates can be read,
// no window can be loaded, and a message box is written to standard error.
//
// Every member is called on the main thread unless its comment says otherwise.

#include "runtime/ProgramImage.h"

#include <cstdint>
#include <memory>
#include <string>

namespace quilbex::rt {

class WindowHost {
public:
    virtual ~WindowHost() = default;

    // Reads the serialized window list into the loaded windows, relocating
    // handler offsets against the header. False when the data cannot be read.
    virtual bool read_templates(const ProgramHeader& header) = 0;

    // Creates and destroys the hidden owner window.
    virtual void create_hidden_owner() = 0;
    virtual void destroy_hidden_owner() = 0;

    // From a thread other than the main thread: asks the main thread, through
    // the hidden owner window, to run the exit service with the code, and waits.
    // Returns false when there is no hidden owner window.
    virtual bool request_exit_from_worker(std::uint32_t code) = 0;

    // Creates the window as a top-level window without owner, not modal.
    virtual bool load_startup_window(std::uint32_t window_id) = 0;

    virtual bool any_window_live() = 0;

    // Runs the message loop until the quit message; returns its exit code.
    virtual std::uint32_t run_message_loop() = 0;

    // End of the program: drops idle callbacks, destroys every loaded window
    // and empties the window list, then releases cursors, icons and cached texts.
    virtual void clear_idle_callbacks() = 0;
    virtual void destroy_all_windows() = 0;
    virtual void release_resources() = 0;

    // The tag lines of the runtime error report's detail text for a window
    // identifier and a unit identifier (GBK, each line starting with "\r\n").
    virtual std::string describe_for_error(std::uint32_t window_id, std::uint32_t unit_id) = 0;

    // Shows a message box (GBK texts) and returns the button's ID* code.
    // Callable from any thread.
    virtual int message_box(const char* text, const char* caption, std::uint32_t flags) = 0;

    // The window-facing notification codes (1001, 1007 to 1014, 2000, 2005 to
    // 2010, 2017, 2018, 2031 to 2033). Sets handled to false for a code it
    // does not serve.
    virtual std::int64_t notify(std::uint32_t code, std::uintptr_t arg1, std::uintptr_t arg2, bool& handled) = 0;

    // Unit property services (entry points 4 and 5).
    virtual std::uint64_t read_property(std::uint32_t window_id, std::uint32_t unit_id, std::int32_t index,
                                        std::int32_t element) = 0;
    virtual void write_property(std::uint32_t window_id, std::uint32_t unit_id, std::int32_t index,
                                std::int32_t element, std::uint64_t value) = 0;
};

// The installed host; never null (a host without windows until one is set).
WindowHost& window_host();

// Installs a host and returns the previous one.
std::unique_ptr<WindowHost> set_window_host(std::unique_ptr<WindowHost> host);

// The host used when no window system is installed.
std::unique_ptr<WindowHost> make_windowless_host();

// Writes a message box to standard error as caption and text, converted from
// GBK to UTF-8. The windowless host's message box; also the fallback of hosts
// that have no display.
void write_message_box_to_stderr(const char* text, const char* caption);

}  // namespace quilbex::rt

#pragma once
// A private X display for one whole-program test: an Xvfb server with a
// window manager, the program copied into a fresh folder and started on that
// display, and the real input and output a person has there: xdotool for the
// mouse and keys, the clipboard (xclip) to read text boxes back, and
// ImageMagick screenshots.
//
// Each test gets its own display, so tests running in parallel never share
// focus, clipboard or windows.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace quilbex::e2e {

// A child process, ended (SIGTERM, then SIGKILL) when this object goes.
class ChildProcess {
public:
    ChildProcess() = default;
    // Starts `argv` with extra environment entries ("NAME=value"); stdout and
    // stderr go to `log_file` (or /dev/null when empty).
    ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                 const std::string& log_file = {}, const std::string& work_dir = {});
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    // Takes over a child started with fork() elsewhere.
    static ChildProcess adopt(pid_t pid);

    pid_t pid() const { return m_pid; }
    bool running();
    void stop();

private:
    pid_t m_pid = -1;
};

// A folder under the system's temporary directory, removed with its content.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
};

struct Image {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;
    bool empty() const { return rgb.empty(); }
    // The sub-image; empty when `r` is not inside.
    Image crop(const Rect& r) const;
    bool operator==(const Image&) const = default;
    // Pixels that differ from the colour at the top-left corner.
    int pixels_unlike_corner() const;
};

using XWindow = unsigned long;

class Desktop {
public:
    // Starts Xvfb and openbox; check ok() before use.
    Desktop();
    ~Desktop();
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    bool ok() const { return !m_display.empty(); }
    const std::string& display() const { return m_display; }

    // Runs a shell command on this display; its standard output, or nothing
    // when it exits with a failure.
    std::optional<std::string> run(const std::string& command) const;
    void xdotool(const std::string& arguments) const;

    // The first visible window whose title matches the regular expression
    // exactly, waited for up to `timeout`.
    std::optional<XWindow> wait_window(const std::string& title,
                                       std::chrono::milliseconds timeout = std::chrono::seconds(30)) const;
    bool wait_window_gone(const std::string& title, std::chrono::milliseconds timeout = std::chrono::seconds(30)) const;
    // Closes `window` (titled `title`) as a person does, with alt+F4 to it
    // once it is active. While other whole-program tests load the machine,
    // the window manager may not have made it active yet when the key
    // arrives and drops it; a person whose window stays open presses the key
    // again. Whether it went.
    bool close_with_keyboard(XWindow window, const std::string& title) const;
    Rect geometry(XWindow window) const;

    void click(XWindow window, int x, int y) const;
    void type(const std::string& utf8) const;
    // Puts the text on the clipboard and pastes it with Ctrl+V. Text outside
    // the keyboard map (Chinese) is typed by xdotool through a keycode it
    // remaps for a moment, which a busy program may read after the remap is
    // undone; a paste reaches the program whole.
    void paste(const std::string& utf8) const;
    void key(const std::string& keys) const;
    // Clicks into a text box at (x, y) of `window`, selects all and copies
    // with the keyboard, and returns the clipboard (UTF-8). A box with nothing
    // to copy leaves the clipboard as it was, so it is cleared first: an empty
    // result means nothing was copied.
    std::string copy_text_at(XWindow window, int x, int y) const;
    // The whole screen; `png` also keeps it as a file.
    Image screenshot(const std::string& png = {}) const;

private:
    std::string m_display;
    ChildProcess m_server;
    ChildProcess m_window_manager;
};

// Polls `done` every 50 ms until it holds or `timeout` passes.
bool wait_until(const std::function<bool()>& done, std::chrono::milliseconds timeout);

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& bytes);

}  // namespace quilbex::e2e

#pragma once
// The whole tool under test: the local services started in this process, the
// program copied with node.dll into a fresh folder, a Config.ini there that
// names the services and their authority, and a private display on which the
// program runs. Positions are client coordinates of the main window, taken
// from its template.

#include "sim/Simulator.h"
#include "tests/e2e/Desktop.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace quilbex::e2e {

inline constexpr const char* kMainTitle = "Quilbex签到抽奖V1.0";
inline constexpr const char* kLoginTitle = "登录";
inline constexpr const char* kMessageTitle = "信息：";

// Centres of the main window's controls.
struct Point {
    int x, y;
};
inline constexpr Point kStatusBox{216, 52};
inline constexpr Point kCookieBox{224, 128};
inline constexpr Point kMessageBox{224, 188};
inline constexpr Point kSaveButton{380, 127};
inline constexpr Point kQuoteButton{392, 168};
inline constexpr Point kSignButton{208, 257};
inline constexpr Point kLoginButton{382, 285};
inline constexpr Rect kTimeLabel{4, 288, 216, 24};

class ToolTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the services; `default_ports` puts them on the ports that the
    // login window's address names, waiting while another run holds them.
    void start_services(bool default_ports = false, std::vector<std::string> scenario = {});
    // Copies the program (and node.dll unless told not to) into the folder.
    void install_program(bool with_engine = true);
    // Starts the program and waits for its main window; `env` adds
    // environment entries ("NAME=value").
    void start_program(const std::vector<std::string>& env = {});
    void stop_program();
    pid_t program_pid() const { return m_program.pid(); }

    const std::string& folder() const { return m_folder.path(); }
    std::string built(const std::string& name) const;
    sim::Simulator& services() { return *m_sim; }
    std::vector<sim::LogEntry> requests(const std::string& service);
    std::string program_output() const;

    // The status display's lines (the display's text split at line ends).
    std::vector<std::string> status_lines();
    std::string cookie_box_text();
    // Types `text` over the content of the text box at `box` and checks it by
    // copying it back; typed keys that arrive before the focus are tried again.
    bool enter_text(Point box, const std::string& text);
    // Waits for a message box, closes it with Enter, and returns true when it was there.
    bool dismiss_message(std::chrono::milliseconds timeout = std::chrono::seconds(30));
    // The message box's text area as pixels (the box stays open).
    Image message_pixels();
    // The message box's text, copied from it with the keyboard as a person
    // would (the box stays open); empty when there is no box.
    std::string message_text(const char* title = kMessageTitle);
    void click(Point p) { m_desktop->click(m_main, p.x, p.y); }

    std::unique_ptr<Desktop> m_desktop;
    XWindow m_main = 0;

private:
    TempFolder m_folder;
    std::unique_ptr<sim::Simulator> m_sim;
    ChildProcess m_program;
};

std::vector<std::string> split_lines(const std::string& text);

}  // namespace quilbex::e2e

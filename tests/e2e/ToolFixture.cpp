#include "tests/e2e/ToolFixture.h"

#include <filesystem>
#include <thread>

namespace quilbex::e2e {

namespace fs = std::filesystem;

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (char c : text) {
        if (c == '\r')
            continue;
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

void ToolTest::SetUp() {
    ASSERT_FALSE(m_folder.path().empty());
    m_desktop = std::make_unique<Desktop>();
    ASSERT_TRUE(m_desktop->ok()) << "Xvfb could not start";
}

void ToolTest::TearDown() {
    stop_program();
    if (m_sim)
        m_sim->stop();
    m_desktop.reset();
}

std::string ToolTest::built(const std::string& name) const { return std::string(QUILBEX_BIN_DIR) + "/" + name; }

void ToolTest::start_services(bool default_ports, std::vector<std::string> scenario) {
    sim::SimOptions options = default_ports ? sim::SimOptions{} : sim::SimOptions::any_ports(QUILBEX_SIM_CERT_DIR);
    options.certificate_dir = QUILBEX_SIM_CERT_DIR;
    options.scenario = std::move(scenario);
    std::string error;
    // The default ports may be held for a moment by another whole-program run.
    wait_until(
        [&] {
            m_sim = sim::Simulator::start(options, &error);
            return m_sim != nullptr;
        },
        std::chrono::seconds(60));
    ASSERT_NE(m_sim, nullptr) << error;
}

void ToolTest::install_program(bool with_engine) {
    fs::copy_file(built("quilbex"), m_folder.file("quilbex"));
    fs::copy_file(built("quilbex-gtk.so"), m_folder.file("quilbex-gtk.so"));
    if (with_engine)
        fs::copy_file(built("node.dll"), m_folder.file("node.dll"));
    ASSERT_NE(m_sim, nullptr) << "start the services first";
    write_file(m_folder.file("Config.ini"),
               "[HOSTS]\r\nforum=" + m_sim->host(m_sim->forum_port()) + "\r\napi=" + m_sim->host(m_sim->api_port()) +
                   "\r\nquote=" + m_sim->host(m_sim->quote_port()) + "\r\naccount=" +
                   m_sim->host(m_sim->account_port()) + "\r\n[TLS]\r\nca_file=" + m_sim->ca_file() + "\r\n");
}

void ToolTest::start_program(const std::vector<std::string>& env) {
    std::vector<std::string> program_env{"DISPLAY=" + m_desktop->display()};
    program_env.insert(program_env.end(), env.begin(), env.end());
    m_program = ChildProcess({m_folder.file("quilbex")}, program_env, m_folder.file("program.log"), m_folder.path());
    auto window = m_desktop->wait_window(kMainTitle, std::chrono::seconds(40));
    ASSERT_TRUE(window) << "no main window; program output:\n" << program_output();
    m_main = *window;
    // Let the window manager place and focus the window before input arrives.
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
}

void ToolTest::stop_program() {
    m_program.stop();
    m_main = 0;
}

std::vector<sim::LogEntry> ToolTest::requests(const std::string& service) {
    std::vector<sim::LogEntry> out;
    if (!m_sim)
        return out;
    for (auto& entry : m_sim->state().log.entries()) {
        if (entry.service == service)
            out.push_back(std::move(entry));
    }
    return out;
}

std::string ToolTest::program_output() const { return read_file(m_folder.file("program.log")); }

std::vector<std::string> ToolTest::status_lines() {
    return split_lines(m_desktop->copy_text_at(m_main, kStatusBox.x, kStatusBox.y));
}

std::string ToolTest::cookie_box_text() { return m_desktop->copy_text_at(m_main, kCookieBox.x, kCookieBox.y); }

bool ToolTest::enter_text(Point box, const std::string& text) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        click(box);
        m_desktop->key("ctrl+a");
        m_desktop->type(text);
        if (m_desktop->copy_text_at(m_main, box.x, box.y) == text)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    return false;
}

bool ToolTest::dismiss_message(std::chrono::milliseconds timeout) {
    auto box = m_desktop->wait_window(kMessageTitle, timeout);
    if (!box)
        return false;
    m_desktop->xdotool("windowactivate --sync " + std::to_string(*box));
    m_desktop->key("Return");
    bool gone = m_desktop->wait_window_gone(kMessageTitle, std::chrono::seconds(30));
    // The main window takes the focus back before the next input.
    if (m_main) {
        wait_until(
            [&] { return m_desktop->run("xdotool getactivewindow").value_or("") == std::to_string(m_main) + "\n"; },
            std::chrono::seconds(30));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    return gone;
}

std::string ToolTest::message_text(const char* title) {
    auto box = m_desktop->wait_window(title);
    if (!box)
        return {};
    // Ctrl+C copies the box as dashed-line sections: caption, text, buttons.
    m_desktop->run("printf '' | xclip -selection clipboard -i >/dev/null 2>&1");
    m_desktop->xdotool("windowactivate --sync " + std::to_string(*box));
    m_desktop->key("ctrl+c");
    std::string copied;
    wait_until(
        [&] {
            copied = m_desktop->run("timeout 5 xclip -selection clipboard -o 2>/dev/null").value_or("");
            return !copied.empty();
        },
        std::chrono::seconds(30));
    std::vector<std::string> lines = split_lines(copied);
    std::string text;
    int rules = 0;
    for (const std::string& line : lines) {
        if (line.starts_with("-----")) {
            ++rules;
        } else if (rules == 2) {
            text += (text.empty() ? "" : "\n") + line;
        }
    }
    return text;
}

Image ToolTest::message_pixels() {
    auto box = m_desktop->wait_window(kMessageTitle);
    if (!box)
        return {};
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    Rect r = m_desktop->geometry(*box);
    // The text sits above the button row.
    return m_desktop->screenshot().crop({r.x, r.y, r.width, r.height / 2});
}

}  // namespace quilbex::e2e

#include "tests/e2e/Desktop.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quilbex::e2e {

namespace {

[[noreturn]] void exec_child(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                             const std::string& log_file, const std::string& work_dir) {
    for (const std::string& entry : env)
        ::putenv(const_cast<char*>(entry.c_str()));
    int out = ::open(log_file.empty() ? "/dev/null" : log_file.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (out >= 0) {
        ::dup2(out, 1);
        ::dup2(out, 2);
    }
    if (!work_dir.empty() && ::chdir(work_dir.c_str()) != 0)
        ::_exit(127);
    // A process group of its own, so that stopping it reaches its helpers too.
    ::setpgid(0, 0);
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execvp(args[0], args.data());
    ::_exit(127);
}

std::string shell_quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

struct PipeCloser {
    void operator()(std::FILE* f) const { ::pclose(f); }
};

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                           const std::string& log_file, const std::string& work_dir) {
    m_pid = ::fork();
    if (m_pid == 0)
        exec_child(argv, env, log_file, work_dir);
}

ChildProcess ChildProcess::adopt(pid_t pid) {
    ChildProcess child;
    child.m_pid = pid;
    return child;
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept : m_pid(other.m_pid) { other.m_pid = -1; }

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
    if (this != &other) {
        stop();
        m_pid = other.m_pid;
        other.m_pid = -1;
    }
    return *this;
}

ChildProcess::~ChildProcess() { stop(); }

bool ChildProcess::running() {
    if (m_pid <= 0)
        return false;
    int status = 0;
    if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
        m_pid = -1;
        return false;
    }
    return true;
}

void ChildProcess::stop() {
    if (m_pid <= 0)
        return;
    ::kill(-m_pid, SIGTERM);
    ::kill(m_pid, SIGTERM);
    for (int i = 0; i < 40; ++i) {
        if (::waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
            // Helpers it started in its group do not outlive it.
            ::kill(-m_pid, SIGKILL);
            m_pid = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ::kill(-m_pid, SIGKILL);
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
    m_pid = -1;
}

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quilbex-e2e-XXXXXX").string();
    if (::mkdtemp(pattern.data()))
        m_path = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    if (!m_path.empty())
        std::filesystem::remove_all(m_path, ignored);
}

Image Image::crop(const Rect& r) const {
    if (r.x < 0 || r.y < 0 || r.width <= 0 || r.height <= 0 || r.x + r.width > width || r.y + r.height > height)
        return {};
    Image out{r.width, r.height, {}};
    out.rgb.reserve(static_cast<std::size_t>(r.width) * r.height * 3);
    for (int y = r.y; y < r.y + r.height; ++y) {
        auto row = rgb.begin() + (static_cast<std::ptrdiff_t>(y) * width + r.x) * 3;
        out.rgb.insert(out.rgb.end(), row, row + static_cast<std::ptrdiff_t>(r.width) * 3);
    }
    return out;
}

int Image::pixels_unlike_corner() const {
    if (rgb.size() < 3)
        return 0;
    int count = 0;
    for (std::size_t i = 0; i + 2 < rgb.size(); i += 3)
        count += rgb[i] != rgb[0] || rgb[i + 1] != rgb[1] || rgb[i + 2] != rgb[2];
    return count;
}

Desktop::Desktop() {
    int fds[2];
    if (::pipe(fds) != 0)
        return;
    pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        ::dup2(fds[1], 3);
        exec_child({"Xvfb", "-displayfd", "3", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"}, {}, {}, {});
    }
    ::close(fds[1]);
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    while (number.find('\n') == std::string::npos && ::poll(&p, 1, 10000) > 0) {
        char buffer[32];
        ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        number.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    if (pid > 0)
        m_server = ChildProcess::adopt(pid);
    if (number.empty() || number.find('\n') == std::string::npos)
        return;
    m_display = ":" + number.substr(0, number.find('\n'));
    m_window_manager = ChildProcess({"openbox", "--sm-disable"}, {"DISPLAY=" + m_display});
    // The window manager owns the screen once it has set its check window.
    wait_until(
        [this] {
            return run("xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && echo y")
                .value_or("")
                .starts_with("y");
        },
        std::chrono::seconds(30));
}

Desktop::~Desktop() {
    m_window_manager.stop();
    m_server.stop();
}

std::optional<std::string> Desktop::run(const std::string& command) const {
    // Exported, so that every command of a pipeline runs on this display.
    std::string line = "export DISPLAY=" + m_display + "; " + command;
    std::unique_ptr<std::FILE, PipeCloser> pipe(::popen(line.c_str(), "r"));
    if (!pipe)
        return std::nullopt;
    std::string out;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0)
        out.append(buffer, n);
    int status = ::pclose(pipe.release());
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return out;
}

void Desktop::xdotool(const std::string& arguments) const { run("xdotool " + arguments + " >/dev/null 2>&1"); }

std::optional<XWindow> Desktop::wait_window(const std::string& title, std::chrono::milliseconds timeout) const {
    std::optional<XWindow> found;
    wait_until(
        [&] {
            auto out = run("xdotool search --onlyvisible --name " + shell_quoted("^" + title + "$") + " 2>/dev/null");
            if (!out || out->empty())
                return false;
            found = std::strtoul(out->c_str(), nullptr, 10);
            return *found != 0;
        },
        timeout);
    return found;
}

bool Desktop::wait_window_gone(const std::string& title, std::chrono::milliseconds timeout) const {
    return wait_until(
        [&] {
            auto out = run("xdotool search --onlyvisible --name " + shell_quoted("^" + title + "$") + " 2>/dev/null");
            return !out || out->empty();
        },
        timeout);
}

bool Desktop::close_with_keyboard(XWindow window, const std::string& title) const {
    for (int attempt = 0; attempt < 3; ++attempt) {
        xdotool("windowactivate --sync " + std::to_string(window));
        key("alt+F4");
        if (wait_window_gone(title, std::chrono::seconds(10)))
            return true;
    }
    return false;
}

Rect Desktop::geometry(XWindow window) const {
    // xwininfo gives the window's place on the screen; xdotool's geometry is
    // relative to the window manager's frame.
    Rect r;
    auto out = run("xwininfo -id " + std::to_string(window));
    if (!out)
        return r;
    const std::pair<const char*, int*> fields[] = {{"Absolute upper-left X:", &r.x},
                                                   {"Absolute upper-left Y:", &r.y},
                                                   {"Width:", &r.width},
                                                   {"Height:", &r.height}};
    std::istringstream lines(*out);
    std::string line;
    while (std::getline(lines, line)) {
        for (auto [label, value] : fields) {
            auto at = line.find(label);
            if (at != std::string::npos)
                *value = std::atoi(line.c_str() + at + std::strlen(label));
        }
    }
    return r;
}

void Desktop::click(XWindow window, int x, int y) const {
    // Without --sync: it waits for the pointer to move, which never happens
    // when it is already there. The warp and the click reach the server in order.
    xdotool("mousemove --window " + std::to_string(window) + " " + std::to_string(x) + " " + std::to_string(y) +
            " click 1");
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
}

void Desktop::type(const std::string& utf8) const {
    xdotool("type --delay 20 " + shell_quoted(utf8));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

void Desktop::paste(const std::string& utf8) const {
    run("printf '%s' " + shell_quoted(utf8) + " | xclip -selection clipboard -i >/dev/null 2>&1");
    key("ctrl+v");
}

void Desktop::key(const std::string& keys) const {
    xdotool("key --delay 30 " + keys);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
}

std::string Desktop::copy_text_at(XWindow window, int x, int y) const {
    // Owning the clipboard with an empty text clears it; that xclip serves it
    // until the program takes the clipboard over.
    run("printf '' | xclip -selection clipboard -i >/dev/null 2>&1");
    click(window, x, y);
    key("ctrl+a ctrl+c");
    // The program takes the clipboard when it has handled the keys, which
    // may take a moment on a busy machine.
    std::string text;
    wait_until(
        [&] {
            text = run("timeout 5 xclip -selection clipboard -o 2>/dev/null").value_or("");
            return !text.empty();
        },
        std::chrono::seconds(10));
    return text;
}

Image Desktop::screenshot(const std::string& png) const {
    TempFolder folder;
    std::string ppm = folder.file("screen.ppm");
    if (!run("import -window root -depth 8 " + shell_quoted(ppm) + " >/dev/null 2>&1"))
        return {};
    if (!png.empty())
        run("convert " + shell_quoted(ppm) + " " + shell_quoted(png) + " >/dev/null 2>&1");
    Image image;
    std::ifstream in(ppm, std::ios::binary);
    std::string magic;
    int max = 0;
    in >> magic >> image.width >> image.height >> max;
    in.get();
    if (magic != "P6" || max != 255 || image.width <= 0 || image.height <= 0)
        return {};
    image.rgb.resize(static_cast<std::size_t>(image.width) * image.height * 3);
    in.read(reinterpret_cast<char*>(image.rgb.data()), static_cast<std::streamsize>(image.rgb.size()));
    return in ? image : Image{};
}

bool wait_until(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return done();
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

}  // namespace quilbex::e2e

#include "RawServer.h"

#include <filesystem>
#include <sys/socket.h>

namespace quilbex::reliability {

namespace {

int count_entries(const char* folder) {
    int n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
        ++n;
    return n;
}

}  // namespace

RawServer::RawServer(RawScript script)
    : m_script(std::move(script)), m_listener([this](int socket) {
          ++m_connections;
          answer(socket);
      }) {}

std::string RawServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port()) + path;
}

void RawServer::answer(int socket) {
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos) {
        if (!wait_readable(socket, m_listener.wake_fd()))
            return;
        ssize_t n = ::recv(socket, buffer, sizeof buffer, 0);
        if (n <= 0)
            return;
        head.append(buffer, static_cast<std::size_t>(n));
    }
    std::size_t sent = 0;
    while (sent < m_script.bytes.size()) {
        ssize_t n = ::send(socket, m_script.bytes.data() + sent, m_script.bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        sent += static_cast<std::size_t>(n);
    }
    if (m_script.hold_open) {
        // Wait for stop(); bytes the client still sends are read and dropped.
        while (wait_readable(socket, m_listener.wake_fd()))
            if (::recv(socket, buffer, sizeof buffer, 0) <= 0)
                break;
        wait_readable(m_listener.wake_fd(), m_listener.wake_fd());
    }
}

int open_descriptor_count() { return count_entries("/proc/self/fd"); }
int thread_count() { return count_entries("/proc/self/task"); }

}  // namespace quilbex::reliability

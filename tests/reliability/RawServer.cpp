#include "RawServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>

namespace quilbex::reliability {

namespace {

// Waits until `fd` is readable or the wake pipe is written; false on wake.
bool wait_readable(int fd, int wake) {
    pollfd fds[2] = {{fd, POLLIN, 0}, {wake, POLLIN, 0}};
    for (;;) {
        int n = ::poll(fds, 2, -1);
        if (n < 0)
            return false;
        if (fds[1].revents)
            return false;
        if (fds[0].revents)
            return true;
    }
}

int count_entries(const char* folder) {
    int n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
        ++n;
    return n;
}

}  // namespace

RawServer::RawServer(RawScript script) : m_script(std::move(script)) {
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listener < 0 || ::pipe2(m_wake, O_CLOEXEC) != 0)
        throw std::runtime_error("raw server: no socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listener, 8) != 0 ||
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("raw server: cannot listen");
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { serve(); });
}

RawServer::~RawServer() { stop(); }

std::string RawServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

void RawServer::stop() {
    if (m_stopping.exchange(true))
        return;
    char byte = 1;
    [[maybe_unused]] auto written = ::write(m_wake[1], &byte, 1);
    if (m_thread.joinable())
        m_thread.join();
    for (int fd : {m_listener, m_wake[0], m_wake[1]})
        if (fd >= 0)
            ::close(fd);
}

void RawServer::serve() {
    while (wait_readable(m_listener, m_wake[0])) {
        int socket = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (socket < 0)
            continue;
        ++m_connections;
        answer(socket);
        ::close(socket);
    }
}

void RawServer::answer(int socket) {
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos) {
        if (!wait_readable(socket, m_wake[0]))
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
        while (wait_readable(socket, m_wake[0]))
            if (::recv(socket, buffer, sizeof buffer, 0) <= 0)
                break;
        wait_readable(m_wake[0], m_wake[0]);
    }
}

int open_descriptor_count() { return count_entries("/proc/self/fd"); }
int thread_count() { return count_entries("/proc/self/task"); }

}  // namespace quilbex::reliability

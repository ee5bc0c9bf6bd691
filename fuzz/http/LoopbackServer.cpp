#include "fuzz/http/LoopbackServer.h"

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quilbex::fuzzing {

namespace {

// How long a connection may take to send its request head, and to hang up
// after the reply. The client does both at once; the limit only bounds a peer
// that never does. It is generous because a loaded machine can stall the
// client for a second, and a reply closed before the request arrived would be
// reset.
constexpr int kHeadWaitMs = 5000;
constexpr std::size_t kHeadLimit = 64 * 1024;

bool wait_readable(int fd, int wake, int timeout_ms) {
    pollfd fds[2] = {{fd, POLLIN, 0}, {wake, POLLIN, 0}};
    int n = ::poll(fds, wake >= 0 ? 2 : 1, timeout_ms);
    return n > 0 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0 && (wake < 0 || fds[1].revents == 0);
}

}  // namespace

LoopbackServer::LoopbackServer() {
    if (::pipe(m_wake) != 0) {
        m_wake[0] = m_wake[1] = -1;
        return;
    }
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 16) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        return;
    }
    m_listener = fd;
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { serve(); });
}

LoopbackServer::~LoopbackServer() {
    if (m_wake[1] >= 0) {
        char byte = 1;
        [[maybe_unused]] auto written = ::write(m_wake[1], &byte, 1);
    }
    if (m_thread.joinable())
        m_thread.join();
    for (int fd : {m_listener, m_wake[0], m_wake[1]})
        if (fd >= 0)
            ::close(fd);
}

std::string LoopbackServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

void LoopbackServer::set_reply(std::string bytes) {
    std::lock_guard lock(m_mutex);
    m_reply = std::move(bytes);
}

int LoopbackServer::connections() {
    std::lock_guard lock(m_mutex);
    return m_connections;
}

void LoopbackServer::serve() {
    for (;;) {
        if (!wait_readable(m_listener, m_wake[0], -1))
            return;
        int socket = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (socket < 0)
            continue;
        std::string reply;
        {
            std::lock_guard lock(m_mutex);
            reply = m_reply;
            ++m_connections;
        }
        answer(socket, reply);
        ::close(socket);
    }
}

void LoopbackServer::answer(int socket, const std::string& reply) {
    // The request head: up to the empty line, or whatever came in time.
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < kHeadLimit) {
        if (!wait_readable(socket, -1, kHeadWaitMs))
            break;
        ssize_t n = ::recv(socket, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        head.append(buffer, static_cast<std::size_t>(n));
    }
    std::size_t sent = 0;
    while (sent < reply.size()) {
        // The client may hang up before the whole reply is written.
        ssize_t n = ::send(socket, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            break;
        sent += static_cast<std::size_t>(n);
    }
    // Close only after the client has: closing with unread bytes would reset
    // the connection and could drop reply bytes the client has not read yet.
    ::shutdown(socket, SHUT_WR);
    while (wait_readable(socket, -1, kHeadWaitMs) && ::recv(socket, buffer, sizeof buffer, 0) > 0) {}
}

}  // namespace quilbex::fuzzing

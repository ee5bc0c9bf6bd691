#include "LoopbackListener.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace quilbex::reliability {

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

LoopbackListener::LoopbackListener(std::function<void(int socket)> answer) : m_answer(std::move(answer)) {
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listener < 0 || ::pipe2(m_wake, O_CLOEXEC) != 0)
        throw std::runtime_error("loopback server: no socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listener, 8) != 0 || ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("loopback server: cannot listen");
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { serve(); });
}

LoopbackListener::~LoopbackListener() { stop(); }

void LoopbackListener::stop() {
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

void LoopbackListener::serve() {
    while (wait_readable(m_listener, m_wake[0])) {
        int socket = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (socket < 0)
            continue;
        m_answer(socket);
        ::close(socket);
    }
}

}  // namespace quilbex::reliability

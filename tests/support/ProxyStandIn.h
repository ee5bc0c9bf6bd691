#pragma once
// A web proxy on loopback for tests: it carries plain requests ("GET
// http://host:port/path") and tunnels ("CONNECT host:port") to their
// servers, as a real forward proxy does, and records the request line of each
// so that a test can tell which connections went through it.

#include <arpa/inet.h>
#include <atomic>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace quilbex::testing {

class ProxyStandIn {
public:
    ProxyStandIn() {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(m_listener, 16) != 0 ||
            ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return;
        m_port = ntohs(address.sin_port);
        m_acceptor = std::thread([this] { accept_loop(); });
    }
    ~ProxyStandIn() {
        m_stopping = true;
        if (m_acceptor.joinable())
            m_acceptor.join();
        for (std::thread& connection : m_connections)
            connection.join();
        ::close(m_listener);
    }
    ProxyStandIn(const ProxyStandIn&) = delete;
    ProxyStandIn& operator=(const ProxyStandIn&) = delete;

    int port() const { return m_port; }
    std::string address() const { return "127.0.0.1:" + std::to_string(m_port); }
    // The request line of every request it was asked to carry, in order.
    std::vector<std::string> carried() const {
        std::lock_guard lock(m_mutex);
        return m_carried;
    }

private:
    static bool readable(int fd) {
        pollfd p{fd, POLLIN, 0};
        return ::poll(&p, 1, 100) > 0;
    }

    static int connect_to(const std::string& host_port) {
        auto colon = host_port.rfind(':');
        std::string host = host_port.substr(0, colon);
        if (host.size() > 2 && host.front() == '[')
            host = host.substr(1, host.size() - 2);
        if (host == "localhost")
            host = "127.0.0.1";
        int port = colon == std::string::npos ? 80 : std::atoi(host_port.c_str() + colon + 1);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        if (::inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1)
            return -1;
        int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(fd);
            return -1;
        }
        return fd;
    }

    static void send_all(int fd, const std::string& bytes) {
        for (std::size_t sent = 0; sent < bytes.size();) {
            ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                return;
            sent += static_cast<std::size_t>(n);
        }
    }

    void accept_loop() {
        while (!m_stopping) {
            if (!readable(m_listener))
                continue;
            int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0)
                m_connections.emplace_back([this, client] { serve(client); });
        }
    }

    // Both directions until either side closes or the stand-in stops.
    void relay(int a, int b) {
        char buffer[16384];
        while (!m_stopping) {
            pollfd p[2] = {{a, POLLIN, 0}, {b, POLLIN, 0}};
            if (::poll(p, 2, 100) <= 0)
                continue;
            for (int i = 0; i < 2; ++i) {
                if (!(p[i].revents & (POLLIN | POLLHUP | POLLERR)))
                    continue;
                ssize_t n = ::recv(p[i].fd, buffer, sizeof buffer, 0);
                if (n <= 0)
                    return;
                send_all(p[1 - i].fd, std::string(buffer, static_cast<std::size_t>(n)));
            }
        }
    }

    void serve(int client) {
        std::string head;
        char buffer[4096];
        while (head.find("\r\n\r\n") == std::string::npos && !m_stopping) {
            if (!readable(client))
                continue;
            ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            head.append(buffer, static_cast<std::size_t>(n));
        }
        std::string line = head.substr(0, head.find("\r\n"));
        {
            std::lock_guard lock(m_mutex);
            m_carried.push_back(line);
        }
        std::string method = line.substr(0, line.find(' '));
        std::string target = line.substr(method.size() + 1, line.rfind(' ') - method.size() - 1);
        int server = -1;
        if (method == "CONNECT") {
            server = connect_to(target);
            send_all(client, server >= 0 ? "HTTP/1.1 200 Connection established\r\n\r\n"
                                         : "HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\n\r\n");
        } else if (target.rfind("http://", 0) == 0) {
            std::string rest = target.substr(7);
            std::string authority = rest.substr(0, rest.find('/'));
            std::string path = rest.size() > authority.size() ? rest.substr(authority.size()) : "/";
            server = connect_to(authority);
            if (server >= 0)
                send_all(server, method + " " + path + line.substr(line.rfind(' ')) + head.substr(line.size()));
        }
        if (server >= 0) {
            relay(client, server);
            ::close(server);
        }
        ::close(client);
    }

    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::thread m_acceptor;
    std::vector<std::thread> m_connections;  // touched by the acceptor alone until it is joined
    mutable std::mutex m_mutex;
    std::vector<std::string> m_carried;
};

}  // namespace quilbex::testing

#pragma once
// A loopback HTTP peer for fuzz targets: one listening socket on 127.0.0.1
// with an ephemeral port, kept for the whole run, and a thread that answers
// every connection with the reply set last (read the request head, write the
// reply, close). A redirect to the same server is answered the same way.
// Replies are taken when a connection is accepted, so a reply set while a
// connection is being served applies from the next connection on.

#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace quilbex::fuzzing {

class LoopbackServer {
public:
    LoopbackServer();
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    bool listening() const { return m_listener >= 0; }
    std::uint16_t port() const { return m_port; }
    std::string url(const std::string& path = "/") const;

    void set_reply(std::string bytes);
    // Connections served so far.
    int connections();

private:
    void serve();
    void answer(int socket, const std::string& reply);

    int m_listener = -1;
    int m_wake[2] = {-1, -1};  // written by the destructor to end the accept wait
    std::uint16_t m_port = 0;
    std::mutex m_mutex;
    std::string m_reply;
    int m_connections = 0;
    std::thread m_thread;
};

}  // namespace quilbex::fuzzing

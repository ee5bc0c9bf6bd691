#pragma once
// The listening half of the fault tests' loopback servers: a TCP socket on
// 127.0.0.1 with an ephemeral port, a thread that accepts one connection at a
// time and hands it to the server's handler, and a wake pipe that stop() (also
// run by the destructor) writes to end every wait. stop() joins the thread and
// closes every socket, so that a test can count descriptors afterwards.

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

namespace quilbex::reliability {

// Waits until `fd` is readable or `wake` is written; false on wake.
bool wait_readable(int fd, int wake);

class LoopbackListener {
public:
    // `answer` serves one accepted socket, which is closed when it returns.
    explicit LoopbackListener(std::function<void(int socket)> answer);
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    std::uint16_t port() const { return m_port; }
    // Readable once stop() has begun.
    int wake_fd() const { return m_wake[0]; }
    void stop();

private:
    void serve();

    std::function<void(int)> m_answer;
    int m_listener = -1;
    int m_wake[2] = {-1, -1};
    std::uint16_t m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
};

}  // namespace quilbex::reliability

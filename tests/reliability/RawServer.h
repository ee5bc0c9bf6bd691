#pragma once
// A loopback TCP server for fault tests: it reads each request head and then
// plays a script of raw bytes (which need not be valid HTTP), then closes the
// connection or holds it open until the server stops. One connection at a
// time; stop() (also run by the destructor) joins the thread and closes every
// socket, so that a test can count descriptors afterwards.

#include "LoopbackListener.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace quilbex::reliability {

struct RawScript {
    std::string bytes;  // sent after the request head has arrived
    bool hold_open = false;  // keep the connection until stop() instead of closing it
};

class RawServer {
public:
    explicit RawServer(RawScript script);
    RawServer(const RawServer&) = delete;
    RawServer& operator=(const RawServer&) = delete;

    std::uint16_t port() const { return m_listener.port(); }
    std::string url(const std::string& path = "/") const;
    int connections() const { return m_connections.load(); }
    void stop() { m_listener.stop(); }

private:
    // Serves one accepted socket; returns when the script is played or the
    // server stops.
    void answer(int socket);

    RawScript m_script;
    std::atomic<int> m_connections{0};
    LoopbackListener m_listener;  // last: its thread uses the members above
};

// Open descriptors and threads of this process, from /proc/self.
int open_descriptor_count();
int thread_count();

}  // namespace quilbex::reliability

#include "fuzz/http/LoopbackOnly.h"

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace quilbex::fuzzing {

namespace {

std::atomic<std::uint16_t> g_allowed_port{0};

bool allowed(const sockaddr* address, socklen_t length) {
    if (!address || length < sizeof(sa_family_t))
        return false;
    if (address->sa_family == AF_UNIX)
        return true;
    if (address->sa_family != AF_INET || length < sizeof(sockaddr_in))
        return false;
    const auto* in = reinterpret_cast<const sockaddr_in*>(address);
    std::uint16_t port = g_allowed_port.load();
    return port != 0 && in->sin_addr.s_addr == htonl(INADDR_LOOPBACK) && ntohs(in->sin_port) == port;
}

}  // namespace

void allow_loopback_port(std::uint16_t port) { g_allowed_port.store(port); }

}  // namespace quilbex::fuzzing

extern "C" int connect(int socket, const sockaddr* address, socklen_t length) {
    if (!quilbex::fuzzing::allowed(address, length)) {
        errno = ECONNREFUSED;
        return -1;
    }
    return static_cast<int>(::syscall(SYS_connect, socket, address, length));
}

extern "C" int getaddrinfo(const char*, const char*, const addrinfo*, addrinfo** result) {
    if (result)
        *result = nullptr;
    return EAI_NONAME;
}

#pragma once
// Keeps a fuzz target's network traffic on its own loopback server. Linking
// LoopbackOnly.cpp into a target replaces connect() and getaddrinfo() for the
// whole process (libcurl included): no host name resolves, and a TCP
// connection to anything other than 127.0.0.1 on the allowed port is refused
// at once. A fuzzed reply that redirects elsewhere thus fails fast and never
// reaches the network or another program's server on this machine.

#include <cstdint>

namespace quilbex::fuzzing {

// The one loopback port that connections may reach (0: none).
void allow_loopback_port(std::uint16_t port);

}  // namespace quilbex::fuzzing

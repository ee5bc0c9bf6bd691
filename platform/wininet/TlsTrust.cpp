#include "platform/wininet/TlsTrust.h"

#include <mutex>

namespace quilbex::wininet {

namespace {

std::mutex& trust_mutex() {
    static std::mutex mutex;
    return mutex;
}

TlsTrust& trust() {
    static TlsTrust value;
    return value;
}

}  // namespace

void set_extra_ca_file(const std::string& path) {
    std::lock_guard lock(trust_mutex());
    trust().extra_ca_file = path;
}

void set_insecure(bool insecure) {
    std::lock_guard lock(trust_mutex());
    trust().insecure = insecure;
}

TlsTrust tls_trust() {
    std::lock_guard lock(trust_mutex());
    return trust();
}

}  // namespace quilbex::wininet

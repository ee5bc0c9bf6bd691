#include "platform/wininet/TrustStore.h"

#include "platform/wininet/OpenSsl.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <memory>
#include <mutex>
#include <sys/stat.h>

namespace quilbex::wininet {

namespace {

struct CachedStore {
    std::string key;
    SharedTrustStore store;
};

std::string from_environment_or(const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    return value && *value ? value : fallback;
}

// The folder and the bundle OpenSSL would use by default, honouring the
// same environment variables it does.
std::string system_authority_dir(const OpenSslApi& ssl) {
    return from_environment_or(ssl.default_cert_dir_env(), ssl.default_cert_dir());
}
std::string system_authority_file(const OpenSslApi& ssl) {
    return from_environment_or(ssl.default_cert_file_env(), ssl.default_cert_file());
}

// A name such as "9d04f354.0": a certificate linked under the hash of its
// subject, which is how OpenSSL finds it in the folder when a chain needs it.
bool is_hashed_name(const char* name) {
    std::size_t i = 0;
    for (; i < 8; ++i)
        if (!std::isxdigit(static_cast<unsigned char>(name[i])))
            return false;
    if (name[i] != '.' || !std::isdigit(static_cast<unsigned char>(name[i + 1])))
        return false;
    for (i += 2; name[i] != '\0'; ++i)
        if (!std::isdigit(static_cast<unsigned char>(name[i])))
            return false;
    return true;
}

bool has_hashed_certificates(const std::string& dir) {
    std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(dir.c_str()), &::closedir);
    if (!listing)
        return false;
    while (const dirent* entry = ::readdir(listing.get()))
        if (is_hashed_name(entry->d_name))
            return true;
    return false;
}

bool same_file(const char* a, const char* b) {
    struct stat first {
    }, second{};
    return ::stat(a, &first) == 0 && ::stat(b, &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

// Path, size and modification time: a file replaced on disk is read again.
std::string key_for(const std::string& file) {
    if (file.empty())
        return "none";
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0)
        return "missing:" + file;
    return file + ":" + std::to_string(st.st_size) + ":" + std::to_string(st.st_mtim.tv_sec) + "." +
           std::to_string(st.st_mtim.tv_nsec);
}

// Loading the whole system bundle parses every authority (several megabytes
// kept for the life of the process) although a connection needs one or two.
// The hashed folder holds the same authorities, so the store looks them up
// there when a chain asks for them. The bundle is read only when the folder
// has no hashed certificates, or when SSL_CERT_FILE names a bundle of its own
// (one that names the system's bundle, as some environments set it, is the
// system's: reading it would cost a run more than all its requests).
bool add_system_authorities(const OpenSslApi& ssl, X509_STORE* store, const std::string& dir) {
    bool has_dir = has_hashed_certificates(dir);
    if (has_dir && ssl.store_load_path(store, dir.c_str()) != 1)
        return false;
    const char* named = std::getenv(ssl.default_cert_file_env());
    bool own_bundle = named && *named && !same_file(named, ssl.default_cert_file());
    if (has_dir && !own_bundle)
        return true;
    std::string bundle = system_authority_file(ssl);
    struct stat st {};
    if (::stat(bundle.c_str(), &st) != 0)
        return true;  // no bundle either: only the configured authority is trusted
    return ssl.store_load_file(store, bundle.c_str()) == 1;
}

SharedTrustStore build(const OpenSslApi& ssl, const std::string& dir, const std::string& extra_ca_file) {
    SharedTrustStore store(ssl.store_new(), ssl.store_free);
    if (!store || !add_system_authorities(ssl, store.get(), dir))
        return nullptr;
    if (!extra_ca_file.empty() && ssl.store_load_file(store.get(), extra_ca_file.c_str()) != 1)
        return nullptr;
    return store;
}

}  // namespace

SharedTrustStore trust_store_for(const std::string& extra_ca_file) {
    static std::mutex mutex;
    static CachedStore* cache = new CachedStore();  // outlives worker threads at exit
    const OpenSslApi* ssl = openssl();
    if (!ssl)
        return nullptr;
    std::string dir = system_authority_dir(*ssl);
    std::string key = dir + "|" + system_authority_file(*ssl) + "|" + key_for(extra_ca_file);
    std::lock_guard lock(mutex);
    if (cache->key != key || !cache->store) {
        cache->key = key;
        cache->store = build(*ssl, dir, extra_ca_file);
    }
    return cache->store;
}

}  // namespace quilbex::wininet

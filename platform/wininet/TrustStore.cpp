#include "platform/wininet/TrustStore.h"

#include <sys/stat.h>

#include <mutex>

namespace quilbex::wininet {

namespace {

struct CachedStore {
    std::string key;
    SharedTrustStore store;
};

// Path, size and modification time: a file replaced on disk is read again.
std::string key_for(const std::string& file) {
    if (file.empty())
        return "system";
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0)
        return "missing:" + file;
    return file + ":" + std::to_string(st.st_size) + ":" + std::to_string(st.st_mtim.tv_sec) + "." +
           std::to_string(st.st_mtim.tv_nsec);
}

SharedTrustStore build(const std::string& extra_ca_file) {
    SharedTrustStore store(X509_STORE_new(), X509_STORE_free);
    if (!store || X509_STORE_set_default_paths(store.get()) != 1)
        return nullptr;
    if (!extra_ca_file.empty() && X509_STORE_load_file(store.get(), extra_ca_file.c_str()) != 1)
        return nullptr;
    return store;
}

}  // namespace

SharedTrustStore trust_store_for(const std::string& extra_ca_file) {
    static std::mutex mutex;
    static CachedStore* cache = new CachedStore();  // outlives worker threads at exit
    std::string key = key_for(extra_ca_file);
    std::lock_guard lock(mutex);
    if (cache->key != key || !cache->store) {
        cache->key = key;
        cache->store = build(extra_ca_file);
    }
    return cache->store;
}

}  // namespace quilbex::wininet

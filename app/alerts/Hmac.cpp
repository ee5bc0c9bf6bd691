#include "app/alerts/Hmac.h"

#include "platform/kernel/SymbolBinder.h"
#include "platform/wininet/Curl.h"

#include <openssl/hmac.h>

namespace quilbex::app {

namespace {

struct HmacApi {
    decltype(&::HMAC) hmac = nullptr;
    decltype(&::EVP_sha256) sha256 = nullptr;
};

const HmacApi* hmac_api() {
    static const std::optional<HmacApi> api = []() -> std::optional<HmacApi> {
        if (!wininet::ensure_curl_initialised())
            return std::nullopt;
        HmacApi bound;
        kernel::SymbolBinder bind{wininet::curl().library};
        bind(bound.hmac, "HMAC");
        bind(bound.sha256, "EVP_sha256");
        return bind.complete ? std::optional(bound) : std::nullopt;
    }();
    return api ? &*api : nullptr;
}

}  // namespace

std::optional<std::string> hmac_sha256(std::string_view key, std::string_view message) {
    const HmacApi* api = hmac_api();
    if (!api)
        return std::nullopt;
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!api->hmac(api->sha256(), key.data(), static_cast<int>(key.size()),
                   reinterpret_cast<const unsigned char*>(message.data()), message.size(), digest, &length))
        return std::nullopt;
    return std::string(reinterpret_cast<const char*>(digest), length);
}

}  // namespace quilbex::app

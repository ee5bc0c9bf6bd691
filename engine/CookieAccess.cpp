#include "engine/CookieAccess.h"

#include "engine/GObjectPtr.h"
#include "engine/NestedWait.h"

#include <libsoup/soup.h>

namespace quilbex::engine {

namespace {

using CookieSlot = AsyncSlot<std::string>;
using ClearSlot = AsyncSlot<bool>;
using ExpirySlot = AsyncSlot<std::int64_t>;

constexpr std::int64_t kNoSuchCookie = -1;

std::int64_t expiry_of(GList* cookies, const std::string& name) {
    for (GList* item = cookies; item; item = item->next) {
        auto* cookie = static_cast<SoupCookie*>(item->data);
        if (name != soup_cookie_get_name(cookie))
            continue;
        GDateTime* expires = soup_cookie_get_expires(cookie);
        return expires ? static_cast<std::int64_t>(g_date_time_to_unix(expires)) : 0;
    }
    return kNoSuchCookie;
}

// Hands the cookies that apply to `uri` to `take` once the store answers;
// false when it did not answer within the wait.
template <typename T, typename Take>
bool with_cookies_for_uri(WebKitCookieManager* manager, const std::string& uri, std::shared_ptr<AsyncSlot<T>> slot,
                          Take take) {
    struct Request {
        std::shared_ptr<AsyncSlot<T>> slot;
        Take take;
    };
    webkit_cookie_manager_get_cookies(
        manager, uri.c_str(), nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
            std::unique_ptr<Request> request(static_cast<Request*>(data));
            GError* raw_error = nullptr;
            GList* cookies =
                webkit_cookie_manager_get_cookies_finish(WEBKIT_COOKIE_MANAGER(source), result, &raw_error);
            GUniqueError error(raw_error);
            request->slot->result = request->take(cookies);
            request->slot->done = true;
            g_list_free_full(cookies, reinterpret_cast<GDestroyNotify>(soup_cookie_free));
        },
        new Request{slot, std::move(take)});
    return wait_for(slot, kCookieWaitLimit);
}

std::string join_cookies(GList* cookies) {
    std::string text;
    for (GList* item = cookies; item; item = item->next) {
        auto* cookie = static_cast<SoupCookie*>(item->data);
        if (!text.empty())
            text += "; ";
        text += soup_cookie_get_name(cookie);
        text += '=';
        text += soup_cookie_get_value(cookie);
    }
    return text;
}

bool is_http_uri(const std::string& uri) {
    return g_str_has_prefix(uri.c_str(), "http://") || g_str_has_prefix(uri.c_str(), "https://");
}

}  // namespace

std::string cookies_for_uri(WebKitCookieManager* manager, const std::string& uri) {
    if (!manager || !is_http_uri(uri))
        return {};
    auto slot = std::make_shared<CookieSlot>();
    webkit_cookie_manager_get_cookies(
        manager, uri.c_str(), nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
            std::unique_ptr<std::shared_ptr<CookieSlot>> owner(static_cast<std::shared_ptr<CookieSlot>*>(data));
            GError* raw_error = nullptr;
            GList* cookies =
                webkit_cookie_manager_get_cookies_finish(WEBKIT_COOKIE_MANAGER(source), result, &raw_error);
            GUniqueError error(raw_error);
            (*owner)->result = join_cookies(cookies);
            (*owner)->done = true;
            g_list_free_full(cookies, reinterpret_cast<GDestroyNotify>(soup_cookie_free));
        },
        new std::shared_ptr<CookieSlot>(slot));
    if (!wait_for(slot, kCookieWaitLimit))
        return {};
    return slot->result;
}

std::int64_t cookie_expiry_for_uri(WebKitCookieManager* manager, const std::string& uri, const std::string& name) {
    if (!manager || !is_http_uri(uri))
        return kNoSuchCookie;
    auto slot = std::make_shared<ExpirySlot>();
    slot->result = kNoSuchCookie;
    if (!with_cookies_for_uri(manager, uri, slot, [name](GList* cookies) { return expiry_of(cookies, name); }))
        return kNoSuchCookie;
    return slot->result;
}

bool clear_all_cookies(WebKitWebsiteDataManager* manager) {
    if (!manager)
        return false;
    auto slot = std::make_shared<ClearSlot>();
    webkit_website_data_manager_clear(
        manager, WEBKIT_WEBSITE_DATA_COOKIES, 0, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
            std::unique_ptr<std::shared_ptr<ClearSlot>> owner(static_cast<std::shared_ptr<ClearSlot>*>(data));
            GError* raw_error = nullptr;
            gboolean ok =
                webkit_website_data_manager_clear_finish(WEBKIT_WEBSITE_DATA_MANAGER(source), result, &raw_error);
            GUniqueError error(raw_error);
            (*owner)->result = ok;
            (*owner)->done = true;
        },
        new std::shared_ptr<ClearSlot>(slot));
    return wait_for(slot, kCookieWaitLimit) && slot->result;
}

}  // namespace quilbex::engine

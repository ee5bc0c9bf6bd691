#include "app/flows/SignIn.h"

#include "app/flows/Globals.h"
#include "app/net/FieldList.h"
#include "app/net/HttpClient.h"
#include "app/net/NetConfig.h"
#include "app/net/TextHelpers.h"
#include "app_flows_texts/FlowTexts.h"
#include "runtime/Blocks.h"

namespace quilbex::app {

namespace {

// The body as a GBK text: converted from UTF-8 and cut at its first zero byte.
std::string body_as_gbk(const ByteSet& body) {
    ByteSet converted = convert_charset(body.get(), "UTF-8", "GBK");
    auto bytes = rt::byte_set_bytes(converted.get());
    std::string gbk(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return gbk.substr(0, gbk.find('\0'));
}

std::string forum_url(const char* path) { return "https://" + net_config().hosts.forum + path; }

}  // namespace

Text fetch_formhash() {
    FieldList fields;
    fields.add("User-Agent", kDesktopAgent);
    Text headers = fields.header_text();
    Text cookies = forum_cookie_copy();
    std::string url = forum_url(kSignPagePath);
    ByteSet body = http_request({.url = url.c_str(), .method = 0, .cookies = &cookies, .extra_headers = headers.get()});
    std::string page = body_as_gbk(body);
    return text_between(page.c_str(), "formhash=", "&amp;", std::nullopt, true);
}

Text post_sign_in(const char* message, const char* formhash) {
    FieldList form;
    form.add("formhash", formhash);
    form.add("qdxq", "tp");
    form.add("qdmode", "1");
    form.add("todaysay", url_encode(message, true, true).get());
    Text body_text = form.form_body();

    FieldList fields;
    fields.add("User-Agent", kMobileAgent);
    Text headers = fields.header_text();
    Text cookies = forum_cookie_copy();
    std::string url = forum_url(kSignActionPath);
    ByteSet reply = http_request({.url = url.c_str(),
                                  .method = 1,
                                  .body_text = body_text.get(),
                                  .cookies = &cookies,
                                  .extra_headers = headers.get()});
    return classify_sign_reply(body_as_gbk(reply).c_str());
}

Text classify_sign_reply(const char* reply) {
    std::string result = str(reply);
    auto contains = [&](const char* phrase) { return commands::find_text(result.c_str(), phrase) > 0; };
    if (contains(texts::signed_in()))
        result = texts::signed_in();
    if (contains(texts::reply_change_and_resubmit()))
        result = texts::sign_failed();
    if (result.empty())
        result = texts::not_logged_in();
    if (contains(texts::reply_signed_today()))
        result = texts::signed_today();
    return make_text(result);
}

}  // namespace quilbex::app

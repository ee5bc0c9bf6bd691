#include "app/flows/Lottery.h"

#include "app/flows/Globals.h"
#include "app/flows/JsonDocument.h"
#include "app/flows/SignIn.h"
#include "app/flows/StatusSink.h"
#include "app/net/FieldList.h"
#include "app/net/HttpClient.h"
#include "app/net/NetConfig.h"
#include "app/net/TextHelpers.h"
#include "app_flows_texts/FlowTexts.h"
#include "runtime/Blocks.h"

#include <atomic>
#include <cstring>

namespace quilbex::app {

namespace {

std::atomic<std::int32_t> g_pause_ms{kDrawPauseMs};

bool contains(const char* text, const char* phrase) { return commands::find_text(text, phrase) > 0; }

}  // namespace

void set_draw_pause(std::int32_t milliseconds) { g_pause_ms.store(milliseconds); }

Text draw_lottery(const char* cookie) {
    FieldList fields;
    lottery_method = 1;
    fields.add("User-Agent", kMobileAgent);
    Text headers = fields.header_text();
    Text cookies = make_text(str(cookie));
    std::string url = "https://" + net_config().hosts.api + kDrawPath + kDrawSignature;
    ByteSet reply = http_request(
        {.url = url.c_str(), .method = lottery_method.load(), .cookies = &cookies, .extra_headers = headers.get()});

    // The API writes most texts as "\u" escapes but some as raw UTF-8; the
    // program's texts are GBK, so the reply is converted before it is read
    // (an escaped reply is ASCII and stays as it is).
    ByteSet converted = convert_charset(reply.get(), "UTF-8", "GBK");
    auto bytes = rt::byte_set_bytes(converted.get());
    std::string text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    text = text.substr(0, text.find('\0'));
    return read_draw_reply(text.c_str());
}

Text read_draw_reply(const char* reply) {
    // The reply is read as JSON first, which turns its "\u" escapes into
    // characters; the values read are then unescaped as the script engine's
    // unescape() would, for texts the API sends percent-escaped. Escaping
    // the JSON text itself would turn a message's quotes and backslashes
    // into JSON syntax.
    JsonDocument json;
    json.parse(reply);
    if (Text ret = unescape_percent(json.get_text("ret").get()))
        return unescape_percent(json.get_text("msg").get());
    // A reply that is no JSON as it stands (a malformed "\u" escape, or the
    // whole text percent-escaped) is read as the API's older clients read
    // every reply: all escapes turned into characters first, then parsed.
    json.parse(unescape_unicode(reply).get());
    if (Text ret = json.get_text("ret"))
        return json.get_text("msg");
    return make_text(texts::not_logged_in());
}

void run_lottery() {
    WindowStatusSink window;
    run_lottery_series(window);
}

void run_lottery_series(StatusSink& sink) {
    Text cookie = forum_cookie_copy();
    for (int draw = 1; draw <= kDrawLimit; ++draw) {
        Text msg = draw_lottery(cookie.get());
        bool stop = contains(msg.get(), texts::draws_used_up()) || contains(msg.get(), texts::too_fast());
        if (last_request_answered())
            sink.report(FlowStep::draw, draw, msg ? msg.get() : "");
        else
            sink.report_unanswered(FlowStep::draw, draw, msg ? msg.get() : "");
        if (stop)
            break;
        std::int32_t pause = g_pause_ms.load();
        sink.pausing(draw, pause);
        commands::delay(pause);
    }
}

}  // namespace quilbex::app

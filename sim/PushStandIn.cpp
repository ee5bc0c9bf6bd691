#include "sim/PushStandIn.h"

#include "sim/PushDecoding.h"
#include "sim/Services.h"

#include <chrono>
#include <openssl/evp.h>
#include <openssl/hmac.h>

namespace quilbex::sim {

namespace {

constexpr long long kSignatureWindowSeconds = 3600;

Response json(int status, const char* reason, const std::string& body) {
    return Response::text(status, reason, "application/json; charset=utf-8", body);
}

std::string json_quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        out += c;
    }
    return out + "\"";
}

long long now_seconds() {
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::string base64(const std::string& bytes) {
    std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                 reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
    out.resize(static_cast<std::size_t>(length));
    return out;
}

std::string hmac_sha256_base64(const std::string& key, const std::string& message) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    HMAC(EVP_sha256(), key.data(), static_cast<int>(key.size()), reinterpret_cast<const unsigned char*>(message.data()),
         message.size(), digest, &length);
    return base64(std::string(reinterpret_cast<const char*>(digest), length));
}

// A timestamp as digits only, within the window around now.
bool recent(const std::string& digits, long long per_second) {
    if (digits.empty() || digits.size() > 16 || digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    long long seconds = std::stoll(digits) / per_second;
    return std::llabs(seconds - now_seconds()) <= kSignatureWindowSeconds;
}

// UTF-16 code units, as Telegram counts a text's length.
std::size_t utf16_length(const std::string& utf8) {
    std::size_t units = 0;
    for (unsigned char c : utf8)
        if ((c & 0xC0) != 0x80)
            units += c >= 0xF0 ? 2 : 1;
    return units;
}

std::optional<JsonFields> json_body(const Request& request) {
    if (media_type(request) != "application/json")
        return std::nullopt;
    return json_fields(request.body);
}

std::string text_of(const JsonFields& fields, const std::string& name) {
    auto found = fields.find(name);
    return found != fields.end() && found->second.string ? found->second.text : "";
}

// A header value's RFC 2047 encoded words (UTF-8, B or Q) decoded; other text kept.
std::string decode_words(const std::string& value) {
    std::string out;
    std::size_t i = 0;
    while (i < value.size()) {
        std::size_t start = value.find("=?", i);
        if (start == std::string::npos) {
            out += value.substr(i);
            break;
        }
        std::size_t q1 = value.find('?', start + 2), q2 = q1 == std::string::npos ? q1 : value.find('?', q1 + 1);
        std::size_t end = q2 == std::string::npos ? q2 : value.find("?=", q2 + 1);
        if (end == std::string::npos) {
            out += value.substr(i);
            break;
        }
        std::string between = value.substr(i, start - i);
        if (between.find_first_not_of(" \t\r\n") != std::string::npos)
            out += between;
        std::string encoding = value.substr(q1 + 1, q2 - q1 - 1), text = value.substr(q2 + 1, end - q2 - 1);
        if (encoding == "B" || encoding == "b") {
            std::string decoded(text.size(), '\0');
            int length =
                EVP_DecodeBlock(reinterpret_cast<unsigned char*>(decoded.data()),
                                reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
            if (length < 0)
                return value;
            decoded.resize(static_cast<std::size_t>(length) - std::count(text.begin(), text.end(), '='));
            out += decoded;
        } else {
            for (char& c : text)
                if (c == '_')
                    c = ' ';
            std::string form;
            for (char c : text)
                form += c == '=' ? '%' : c;
            auto fields = form_fields("t=" + form);
            out += fields ? (*fields)["t"] : text;
        }
        i = end + 2;
    }
    return out;
}

struct Outcome {
    Outcome(Response answer, std::optional<PushMessage> taken = std::nullopt)
        : response(std::move(answer)), message(std::move(taken)) {}
    Response response;
    std::optional<PushMessage> message;
};

Outcome taken(Response response, std::string title, std::string text, std::string form) {
    return {std::move(response), PushMessage{std::move(title), std::move(text), std::move(form)}};
}

Response not_found() { return json(404, "Not Found", R"({"code":404,"message":"not found"})"); }

Outcome serverchan(const Request& request, const PushAccount& account) {
    auto bad = [](const char* why) {
        return Outcome{json(200, "OK", std::string(R"({"code":40000,"message":")") + why + R"(","data":null})")};
    };
    if (request.path().size() < 6 || request.path().compare(request.path().size() - 5, 5, ".send") != 0)
        return {not_found()};
    if (request.path() != "/" + account.key + ".send")
        return {json(200, "OK", R"({"code":40001,"message":"bad pushkey","data":null})")};
    std::optional<Fields> fields;
    std::string form;
    if (request.method == "GET") {
        fields = form_fields(request.query()), form = "query";
    } else if (media_type(request) == "application/x-www-form-urlencoded") {
        fields = form_fields(request.body), form = "form";
    } else if (auto body = json_body(request)) {
        fields = json_strings(*body), form = "json";
    }
    if (!fields)
        return bad("bad params");
    const std::string title = (*fields)["title"], text = (*fields)["desp"];
    if (title.empty() || utf16_length(title) > 32 || text.size() > 32 * 1024)
        return bad("title required, at most 32 characters; desp at most 32KB");
    return taken(json(200, "OK", R"({"code":0,"message":"","data":{"pushid":"1","readkey":"r","error":"SUCCESS"}})"),
                 title, text, form);
}

Outcome pushplus(const Request& request, const PushAccount& account) {
    if (request.path() != "/send")
        return {not_found()};
    auto body = json_body(request);
    if (!body)
        return {json(200, "OK", R"({"code":400,"msg":"请求参数错误","data":null})")};
    if (text_of(*body, "token") != account.key)
        return {json(200, "OK", R"({"code":903,"msg":"无效的用户token","data":null})")};
    const std::string content = text_of(*body, "content"), tmpl = text_of(*body, "template");
    if (content.empty() || (!tmpl.empty() && tmpl != "html" && tmpl != "txt" && tmpl != "json" && tmpl != "markdown"))
        return {json(200, "OK", R"({"code":400,"msg":"内容不能为空或模板错误","data":null})")};
    return taken(json(200, "OK", R"({"code":200,"msg":"请求成功","data":"a1b2c3"})"), text_of(*body, "title"), content,
                 "json");
}

Outcome bark(const Request& request, const PushAccount& account) {
    if (request.path() != "/push")
        return {not_found()};
    auto body = json_body(request);
    if (!body)
        return {json(400, "Bad Request", R"({"code":400,"message":"request bind failed","timestamp":1})")};
    // Bark names the key it could not find in its answer.
    if (text_of(*body, "device_key") != account.key)
        return {json(400, "Bad Request",
                     R"({"code":400,"message":"failed to get device token: failed to get [)" +
                         text_of(*body, "device_key") + R"(] device token from database","timestamp":1})")};
    const std::string text = text_of(*body, "body");
    if (text.empty() || text.size() + text_of(*body, "title").size() > 4000)
        return {
            json(400, "Bad Request", R"({"code":400,"message":"body empty or push payload too large","timestamp":1})")};
    return taken(json(200, "OK", R"({"code":200,"message":"success","timestamp":1})"), text_of(*body, "title"), text,
                 "json");
}

Outcome wecom(const Request& request, const PushAccount& account) {
    if (request.path() != "/cgi-bin/webhook/send")
        return {not_found()};
    auto query = form_fields(request.query());
    if (!query || (*query)["key"] != account.key)
        return {json(200, "OK", R"({"errcode":93000,"errmsg":"invalid webhook url"})")};
    auto body = json_body(request);
    if (!body || text_of(*body, "msgtype") != "text")
        return {json(200, "OK", R"({"errcode":40008,"errmsg":"invalid message type"})")};
    const std::string content = text_of(*body, "text.content");
    if (content.empty())
        return {json(200, "OK", R"({"errcode":44004,"errmsg":"empty content"})")};
    if (content.size() > 2048)
        return {json(200, "OK", R"({"errcode":40058,"errmsg":"content exceed max length 2048"})")};
    return taken(json(200, "OK", R"({"errcode":0,"errmsg":"ok"})"), "", content, "json");
}

Outcome dingtalk(const Request& request, const PushAccount& account) {
    if (request.path() != "/robot/send")
        return {not_found()};
    auto query = form_fields(request.query());
    if (!query || (*query)["access_token"] != account.key)
        return {json(200, "OK", R"({"errcode":300001,"errmsg":"token is not exist"})")};
    if (!account.secret.empty()) {
        const std::string timestamp = (*query)["timestamp"];
        if (!recent(timestamp, 1000))
            return {json(200, "OK", R"({"errcode":310000,"errmsg":"invalid timestamp"})")};
        if ((*query)["sign"] != hmac_sha256_base64(account.secret, timestamp + "\n" + account.secret))
            return {json(200, "OK", R"({"errcode":310000,"errmsg":"sign not match"})")};
    }
    auto body = json_body(request);
    if (!body || text_of(*body, "msgtype") != "text" || text_of(*body, "text.content").empty())
        return {json(200, "OK", R"({"errcode":40035,"errmsg":"缺少参数 json"})")};
    return taken(json(200, "OK", R"({"errcode":0,"errmsg":"ok"})"), "", text_of(*body, "text.content"), "json");
}

Outcome feishu(const Request& request, const PushAccount& account) {
    if (request.path().rfind("/open-apis/bot/v2/hook/", 0) != 0)
        return {not_found()};
    if (request.path() != "/open-apis/bot/v2/hook/" + account.key)
        return {json(200, "OK",
                     R"({"code":19001,"data":{},"msg":"param invalid: incoming webhook access token invalid"})")};
    auto body = json_body(request);
    if (!body)
        return {json(400, "Bad Request", R"({"code":9499,"data":{},"msg":"Bad Request"})")};
    if (!account.secret.empty()) {
        auto stamp = body->find("timestamp");
        const std::string timestamp = stamp == body->end() ? "" : stamp->second.text;
        if (!recent(timestamp, 1) ||
            text_of(*body, "sign") != hmac_sha256_base64(timestamp + "\n" + account.secret, ""))
            return {json(
                200, "OK",
                R"({"code":19021,"data":{},"msg":"sign match fail or timestamp is not within one hour from current time"})")};
    }
    if (text_of(*body, "msg_type") != "text" || text_of(*body, "content.text").empty())
        return {json(200, "OK", R"({"code":19002,"data":{},"msg":"params error, msg_type need"})")};
    return taken(json(200, "OK", R"({"StatusCode":0,"StatusMessage":"success","code":0,"data":{},"msg":"success"})"),
                 "", text_of(*body, "content.text"), "json");
}

Outcome telegram(const Request& request, const PushAccount& account) {
    auto refuse = [](int status, const char* reason, const std::string& description) {
        return Outcome{json(status, reason,
                            "{\"ok\":false,\"error_code\":" + std::to_string(status) +
                                ",\"description\":" + json_quoted(description) + "}")};
    };
    const std::string prefix = "/bot" + account.key + "/";
    if (request.path().rfind("/bot", 0) != 0)
        return {not_found()};
    if (request.path().rfind(prefix, 0) != 0)
        return refuse(401, "Unauthorized", "Unauthorized");
    if (request.path() != prefix + "sendMessage")
        return refuse(404, "Not Found", "Not Found");
    std::optional<Fields> fields;
    std::string form;
    if (media_type(request) == "application/x-www-form-urlencoded") {
        fields = form_fields(request.body), form = "form";
    } else if (auto body = json_body(request)) {
        fields.emplace();
        for (const auto& [name, value] : *body)
            (*fields)[name] = value.text;
        form = "json";
    }
    if (!fields)
        return refuse(400, "Bad Request", "Bad Request: message text is empty");
    if ((*fields)["chat_id"] != account.chat)
        return refuse(400, "Bad Request", "Bad Request: chat not found");
    const std::string text = (*fields)["text"];
    if (text.empty())
        return refuse(400, "Bad Request", "Bad Request: message text is empty");
    if (utf16_length(text) > 4096)
        return refuse(400, "Bad Request", "Bad Request: message is too long");
    return taken(json(200, "OK",
                      "{\"ok\":true,\"result\":{\"message_id\":1,\"chat\":{\"id\":" + account.chat +
                          "},\"text\":" + json_quoted(text) + "}}"),
                 "", text, form);
}

Outcome ntfy(const Request& request, const PushAccount& account) {
    if (!account.secret.empty()) {
        auto authorization = request.header("Authorization");
        if (!authorization)
            return {json(403, "Forbidden", R"({"code":40301,"http":403,"error":"forbidden"})")};
        if (*authorization != "Bearer " + account.secret)
            return {json(401, "Unauthorized", R"({"code":40101,"http":401,"error":"unauthorized"})")};
    }
    std::string topic, title, text, form;
    if (request.path() == "/") {
        auto body = json_body(request);
        if (!body)
            return {json(400, "Bad Request", R"({"code":40024,"http":400,"error":"invalid request: JSON expected"})")};
        topic = text_of(*body, "topic"), title = text_of(*body, "title"), text = text_of(*body, "message");
        form = "json";
    } else {
        topic = request.path().substr(1);
        for (const char* name : {"Title", "X-Title", "ti", "t"})
            if (auto value = request.header(name)) {
                title = decode_words(*value);
                break;
            }
        text = request.body;
        form = "body";
    }
    if (topic != account.key)
        return {json(403, "Forbidden", R"({"code":40301,"http":403,"error":"forbidden"})")};
    if (!is_utf8(title))
        return {json(400, "Bad Request", R"({"code":40000,"http":400,"error":"invalid title"})")};
    return taken(json(200, "OK",
                      "{\"id\":\"n1\",\"time\":" + std::to_string(now_seconds()) +
                          ",\"event\":\"message\",\"topic\":" + json_quoted(topic) +
                          ",\"title\":" + json_quoted(title) + ",\"message\":" + json_quoted(text) + "}"),
                 title, text, form);
}

Outcome gotify(const Request& request, const PushAccount& account) {
    if (request.path() != "/message")
        return {not_found()};
    std::string token = request.header("X-Gotify-Key").value_or("");
    auto query = form_fields(request.query());
    if (token.empty() && query)
        token = (*query)["token"];
    if (auto authorization = request.header("Authorization");
        token.empty() && authorization && authorization->rfind("Bearer ", 0) == 0)
        token = authorization->substr(7);
    if (token != account.key)
        return {json(
            401, "Unauthorized",
            R"({"error":"Unauthorized","errorCode":401,"errorDescription":"you need to provide a valid access token or user credentials to access this api"})")};
    std::optional<JsonFields> body = json_body(request);
    std::string form = "json";
    if (!body && media_type(request) == "application/x-www-form-urlencoded")
        if (auto fields = form_fields(request.body)) {
            body.emplace();
            for (const auto& [name, value] : *fields)
                (*body)[name] = JsonScalar{value, false};
            form = "form";
        }
    auto required = [](const char* description) {
        return Outcome{
            json(400, "Bad Request",
                 std::string(R"({"error":"Bad Request","errorCode":400,"errorDescription":")") + description + "\"}")};
    };
    if (!body || !body->count("message") || body->at("message").text.empty())
        return required("Field 'message' is required");
    if (auto priority = body->find("priority");
        priority != body->end() &&
        (priority->second.string || priority->second.text.find_first_not_of("0123456789") != std::string::npos))
        return required("Field 'priority' must be an integer");
    const std::string title = body->count("title") ? body->at("title").text : "";
    const std::string message = body->at("message").text;
    return taken(json(200, "OK",
                      "{\"id\":1,\"appid\":1,\"message\":" + json_quoted(message) + ",\"title\":" + json_quoted(title) +
                          ",\"priority\":5}"),
                 title, message, form);
}

using Handler = Outcome (*)(const Request&, const PushAccount&);

Handler handler_of(PushKind kind) {
    switch (kind) {
    case PushKind::serverchan: return serverchan;
    case PushKind::pushplus: return pushplus;
    case PushKind::bark: return bark;
    case PushKind::wecom: return wecom;
    case PushKind::dingtalk: return dingtalk;
    case PushKind::feishu: return feishu;
    case PushKind::telegram: return telegram;
    case PushKind::ntfy: return ntfy;
    case PushKind::gotify: return gotify;
    }
    return nullptr;
}

}  // namespace

std::unique_ptr<PushStandIn> PushStandIn::start(PushKind kind, const std::string& certificate_dir, PushAccount account,
                                                std::string* error) {
    std::unique_ptr<PushStandIn> service(new PushStandIn());
    service->m_kind = kind;
    service->m_account = std::move(account);
    PushStandIn* raw = service.get();
    TlsFiles tls{certificate_dir + "/server.pem", certificate_dir + "/server.key"};
    service->m_server = HttpServer::start(
        0, tls, [raw](const Request& request) { return raw->handle(request); }, error);
    return service->m_server ? std::move(service) : nullptr;
}

std::vector<Request> PushStandIn::requests() {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

std::vector<PushMessage> PushStandIn::messages() {
    std::lock_guard lock(m_mutex);
    return m_messages;
}

Response PushStandIn::handle(const Request& request) {
    std::lock_guard lock(m_mutex);
    m_requests.push_back(request);
    const std::string own = std::to_string(port());
    const std::string host = request.header("Host").value_or("");
    if (host != "127.0.0.1:" + own && host != "localhost:" + own)
        return json(400, "Bad Request", R"({"error":"bad host"})");
    const bool get_allowed = m_kind == PushKind::serverchan;
    if (request.method != "POST" && !(get_allowed && request.method == "GET"))
        return json(405, "Method Not Allowed", R"({"error":"method not allowed"})");
    if (!is_utf8(request.body))
        return json(400, "Bad Request", R"({"error":"body is not UTF-8"})");
    Outcome outcome = handler_of(m_kind)(request, m_account);
    if (outcome.message)
        m_messages.push_back(std::move(*outcome.message));
    return outcome.response;
}

}  // namespace quilbex::sim

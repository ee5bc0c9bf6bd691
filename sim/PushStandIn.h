#pragma once
// Stand-ins for the push services that members use, one HTTPS server per
// service on a port of its own on 127.0.0.1, each as strict as the service's
// public API documentation: the method, the path, the content type, the
// member's credentials and every required field are checked, and a request
// is answered as the service answers it, success and error alike.
//
//   service     request taken                                   error answers
//   serverchan  POST /<key>.send, form or JSON title, desp;      200 {"code":40001} bad key
//               GET with the same in the query                   400 {"code":40000} bad fields
//   pushplus    POST /send JSON token, title, content, template  200 {"code":903} bad token
//   bark        POST /push JSON device_key, title, body          400 {"code":400} unknown device
//   wecom       POST /cgi-bin/webhook/send?key=K JSON            200 {"errcode":93000} bad key,
//               msgtype "text", text.content (<= 2048 bytes)     {"errcode":40058} too long
//   dingtalk    POST /robot/send?access_token=T[&timestamp&sign] 200 {"errcode":300001} bad token,
//               JSON msgtype "text", text.content                {"errcode":310000} bad or old sign
//   feishu      POST /open-apis/bot/v2/hook/<id> JSON msg_type    200 {"code":19001} bad hook,
//               "text", content.text [, timestamp, sign]          {"code":19021} bad or old sign
//   telegram    POST /bot<token>/sendMessage JSON or form        401 {"ok":false} bad token,
//               chat_id, text (<= 4096 characters)               400 chat not found, too long
//   ntfy        POST / JSON topic, title, message; or POST       401/403 {"error"} bad/missing
//               /<topic> with the text as body, Title header     token, 400 bad request
//               (RFC 2047 words); token as Bearer
//   gotify      POST /message JSON or form title, message,       401 {"error","errorDescription"}
//               priority; token in X-Gotify-Key or ?token=       400 no message
//
// Every stand-in refuses a Host other than its own address (400), a body
// that is not UTF-8 (400), another method (405) and a path it does not have
// (404). Signatures (DingTalk, Feishu) are recomputed with the account's
// secret, and a timestamp more than an hour from now is refused.

#include "sim/HttpServer.h"
#include "sim/PushService.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace quilbex::sim {

enum class PushKind { serverchan, pushplus, bark, wecom, dingtalk, feishu, telegram, ntfy, gotify };

// The member's account at the service.
struct PushAccount {
    std::string key;  // the SendKey, token, device key, hook id, bot token, topic or app token
    std::string secret;  // DingTalk's and Feishu's signing secret, ntfy's access token; empty: none
    std::string chat;  // Telegram's chat id
};

class PushStandIn {
public:
    static std::unique_ptr<PushStandIn> start(PushKind kind, const std::string& certificate_dir, PushAccount account,
                                              std::string* error = nullptr);

    std::uint16_t port() const { return m_server->port(); }
    std::string origin() const { return "https://127.0.0.1:" + std::to_string(port()); }
    std::vector<Request> requests();
    // The messages taken; `form` says how they came ("json", "form",
    // "query" or "body").
    std::vector<PushMessage> messages();

private:
    PushStandIn() = default;
    Response handle(const Request& request);

    PushKind m_kind = PushKind::serverchan;
    PushAccount m_account;
    std::unique_ptr<HttpServer> m_server;
    std::mutex m_mutex;
    std::vector<Request> m_requests;
    std::vector<PushMessage> m_messages;
};

}  // namespace quilbex::sim

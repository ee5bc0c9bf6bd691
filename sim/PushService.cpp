#include "sim/PushService.h"

#include "sim/PushDecoding.h"
#include "sim/Services.h"

#include <map>
#include <optional>

namespace quilbex::sim {

namespace {

Response answer(int status, const char* reason, int code, const char* message) {
    return Response::text(status, reason, "application/json; charset=utf-8",
                          "{\"code\":" + std::to_string(code) + ",\"message\":\"" + message + "\"}");
}

}  // namespace

std::unique_ptr<PushService> PushService::start(const std::string& certificate_dir, std::string key,
                                                std::string* error) {
    std::unique_ptr<PushService> service(new PushService());
    service->m_key = std::move(key);
    PushService* raw = service.get();
    TlsFiles tls{certificate_dir + "/server.pem", certificate_dir + "/server.key"};
    service->m_server = HttpServer::start(
        0, tls, [raw](const Request& request) { return raw->handle(request); }, error);
    return service->m_server ? std::move(service) : nullptr;
}

std::vector<Request> PushService::requests() {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

std::vector<PushMessage> PushService::messages() {
    std::lock_guard lock(m_mutex);
    return m_messages;
}

void PushService::fail_with(int status) {
    std::lock_guard lock(m_mutex);
    m_fail_status = status;
}

Response PushService::handle(const Request& request) {
    std::lock_guard lock(m_mutex);
    m_requests.push_back(request);
    if (m_fail_status != 0)
        return Response::text(m_fail_status, "Failing", "text/plain", "failing on purpose\n");
    const std::string own = std::to_string(port());
    const std::string host = request.header("Host").value_or("");
    if (host != "127.0.0.1:" + own && host != "localhost:" + own)
        return answer(400, "Bad Request", 40000, "bad host");
    if (request.path().size() < 6 || request.path().compare(request.path().size() - 5, 5, ".send") != 0)
        return answer(404, "Not Found", 40400, "not found");
    if (request.path() != "/" + m_key + ".send")
        return answer(401, "Unauthorized", 40001, "bad key");

    std::optional<Fields> fields;
    std::string form;
    if (request.method == "GET") {
        fields = form_fields(request.query());
        form = "query";
    } else if (request.method == "POST" && media_type(request) == "application/x-www-form-urlencoded") {
        fields = form_fields(request.body);
        form = "form";
    } else if (request.method == "POST" && media_type(request) == "application/json") {
        if (auto json = json_fields(request.body))
            fields = json_strings(*json);
        form = "json";
    } else if (request.method == "POST") {
        return answer(415, "Unsupported Media Type", 41500, "unsupported content type");
    } else {
        return answer(405, "Method Not Allowed", 40500, "method not allowed");
    }
    if (!fields)
        return answer(400, "Bad Request", 40000, "undecodable parameters");
    const std::string title = (*fields)["title"];
    const std::string text = (*fields)["desp"];
    if (title.empty() || !is_utf8(title) || !is_utf8(text))
        return answer(400, "Bad Request", 40000, "title missing or not UTF-8");
    m_messages.push_back({title, text, form});
    return answer(200, "OK", 0, "success");
}

}  // namespace quilbex::sim

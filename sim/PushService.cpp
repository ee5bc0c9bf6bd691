#include "sim/PushService.h"

#include "sim/Services.h"

#include <map>
#include <optional>

namespace quilbex::sim {

namespace {

using Fields = std::map<std::string, std::string>;

int hex_digit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Strict form decoding: "%" must start two hex digits.
std::optional<std::string> form_decode(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            out += ' ';
        } else if (text[i] == '%') {
            if (i + 2 >= text.size())
                return std::nullopt;
            int high = hex_digit(text[i + 1]), low = hex_digit(text[i + 2]);
            if (high < 0 || low < 0)
                return std::nullopt;
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::optional<Fields> form_fields(std::string_view form) {
    Fields fields;
    for (const auto& [name, value] : split_form(form)) {
        auto decoded_name = form_decode(name);
        auto decoded_value = form_decode(value);
        if (!decoded_name || !decoded_value)
            return std::nullopt;
        fields.emplace(*decoded_name, *decoded_value);
    }
    return fields;
}

// A JSON object whose values are strings, numbers, true, false or null
// (the strings are kept); nothing for anything else or for bad JSON.
class JsonObjectReader {
public:
    explicit JsonObjectReader(std::string_view text) : m_text(text) {}

    std::optional<Fields> read() {
        Fields fields;
        skip_space();
        if (!take('{'))
            return std::nullopt;
        skip_space();
        if (!take('}')) {
            do {
                skip_space();
                auto name = string();
                skip_space();
                if (!name || !take(':'))
                    return std::nullopt;
                skip_space();
                if (peek() == '"') {
                    auto value = string();
                    if (!value)
                        return std::nullopt;
                    fields.emplace(*name, *value);
                } else if (!scalar()) {
                    return std::nullopt;
                }
                skip_space();
            } while (take(','));
            if (!take('}'))
                return std::nullopt;
        }
        skip_space();
        return m_pos == m_text.size() ? std::optional(fields) : std::nullopt;
    }

private:
    char peek() const { return m_pos < m_text.size() ? m_text[m_pos] : '\0'; }
    bool take(char c) {
        if (peek() != c)
            return false;
        ++m_pos;
        return true;
    }
    void skip_space() {
        while (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r')
            ++m_pos;
    }
    bool scalar() {
        for (const char* word : {"true", "false", "null"})
            if (m_text.substr(m_pos, std::char_traits<char>::length(word)) == word) {
                m_pos += std::char_traits<char>::length(word);
                return true;
            }
        std::size_t start = m_pos;
        while (std::string_view("+-.eE0123456789").find(peek()) != std::string_view::npos && peek() != '\0')
            ++m_pos;
        return m_pos > start;
    }
    std::optional<unsigned> hex4() {
        unsigned value = 0;
        for (int i = 0; i < 4; ++i) {
            int digit = hex_digit(peek());
            if (digit < 0)
                return std::nullopt;
            value = value * 16 + static_cast<unsigned>(digit);
            ++m_pos;
        }
        return value;
    }
    static void append_utf8(std::string& out, unsigned code) {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    std::optional<std::string> string() {
        if (!take('"'))
            return std::nullopt;
        std::string out;
        while (true) {
            char c = peek();
            if (c == '\0' && m_pos >= m_text.size())
                return std::nullopt;
            ++m_pos;
            if (c == '"')
                return out;
            if (static_cast<unsigned char>(c) < 0x20)
                return std::nullopt;
            if (c != '\\') {
                out += c;
                continue;
            }
            char escaped = peek();
            ++m_pos;
            switch (escaped) {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case '/': out += '/'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': {
                auto code = hex4();
                if (!code || (*code >= 0xDC00 && *code < 0xE000))
                    return std::nullopt;
                if (*code >= 0xD800 && *code < 0xDC00) {
                    if (!take('\\') || !take('u'))
                        return std::nullopt;
                    auto low = hex4();
                    if (!low || *low < 0xDC00 || *low >= 0xE000)
                        return std::nullopt;
                    *code = 0x10000 + ((*code - 0xD800) << 10) + (*low - 0xDC00);
                }
                append_utf8(out, *code);
                break;
            }
            default: return std::nullopt;
            }
        }
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
};

Response answer(int status, const char* reason, int code, const char* message) {
    return Response::text(status, reason, "application/json; charset=utf-8",
                          "{\"code\":" + std::to_string(code) + ",\"message\":\"" + message + "\"}");
}

std::string media_type(const Request& request) {
    std::string type = request.header("Content-Type").value_or("");
    type = type.substr(0, type.find(';'));
    while (!type.empty() && type.back() == ' ')
        type.pop_back();
    return type;
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
        fields = JsonObjectReader(request.body).read();
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

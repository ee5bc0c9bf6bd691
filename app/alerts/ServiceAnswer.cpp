#include "app/alerts/ServiceAnswer.h"

#include "app/alerts/AlertEncoding.h"

namespace quilbex::app {

namespace {

constexpr std::size_t kMaxReasonBytes = 200;
constexpr int kMaxDepth = 32;

class TopLevelReader {
public:
    explicit TopLevelReader(std::string_view text) : m_text(text) {}

    std::optional<std::map<std::string, std::string>> read() {
        std::map<std::string, std::string> fields;
        space();
        if (!take('{'))
            return std::nullopt;
        space();
        if (take('}'))
            return fields;
        do {
            space();
            auto name = string();
            space();
            if (!name || !take(':'))
                return std::nullopt;
            space();
            std::optional<std::string> value;
            if (peek() == '"')
                value = string();
            else if (peek() == '{' || peek() == '[')
                value = skip_nested() ? std::optional<std::string>("") : std::nullopt;
            else
                value = scalar();
            if (!value)
                return std::nullopt;
            fields[*name] = *value;
            space();
        } while (take(','));
        return take('}') ? std::optional(fields) : std::nullopt;
    }

private:
    char peek() const { return m_pos < m_text.size() ? m_text[m_pos] : '\0'; }
    bool take(char c) {
        if (m_pos >= m_text.size() || m_text[m_pos] != c)
            return false;
        ++m_pos;
        return true;
    }
    void space() {
        while (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r')
            ++m_pos;
    }
    std::optional<std::string> scalar() {
        std::size_t start = m_pos;
        while (m_pos < m_text.size() &&
               std::string_view("+-.eE0123456789truefalsn").find(peek()) != std::string_view::npos)
            ++m_pos;
        if (m_pos == start)
            return std::nullopt;
        return std::string(m_text.substr(start, m_pos - start));
    }
    // A string's text; \uXXXX escapes become "?" (only reasons are read
    // from strings, and they are shown as they are).
    std::optional<std::string> string() {
        if (!take('"'))
            return std::nullopt;
        std::string out;
        while (m_pos < m_text.size()) {
            char c = m_text[m_pos++];
            if (c == '"')
                return out;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (m_pos >= m_text.size())
                return std::nullopt;
            char escaped = m_text[m_pos++];
            switch (escaped) {
            case 'n': out += '\n'; break;
            case 't': out += '\t'; break;
            case 'r': out += '\r'; break;
            case 'b':
            case 'f': out += ' '; break;
            case 'u':
                if (m_pos + 4 > m_text.size())
                    return std::nullopt;
                m_pos += 4;
                out += '?';
                break;
            default: out += escaped;
            }
        }
        return std::nullopt;
    }
    // Skips an object or an array, strings included; false when it does not end.
    bool skip_nested() {
        int depth = 0;
        while (m_pos < m_text.size()) {
            char c = peek();
            if (c == '"') {
                if (!string())
                    return false;
                continue;
            }
            ++m_pos;
            if (c == '{' || c == '[') {
                if (++depth > kMaxDepth)
                    return false;
            } else if (c == '}' || c == ']') {
                if (--depth == 0)
                    return true;
            }
        }
        return false;
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
};

// A reason from the network, fit for one line of a terminal or History.log.
std::string printable(const std::string& text) {
    std::string out = cut_utf8(valid_utf8(text), kMaxReasonBytes);
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    return out;
}

}  // namespace

std::optional<std::map<std::string, std::string>> json_top_level(std::string_view text) {
    return TopLevelReader(text).read();
}

kernel::Result<std::string> judge_answer(const HttpAnswer& answer, const AnswerRule& rule) {
    const std::string status = "HTTP " + std::to_string(answer.status);
    const bool http_ok = answer.status >= 200 && answer.status < 300;
    auto fields = json_top_level(answer.body);
    std::string reason;
    if (fields && rule.reason && fields->count(rule.reason))
        reason = (*fields)[rule.reason];
    if (!*rule.field) {
        if (http_ok)
            return status;
        return kernel::Failure{reason.empty() ? status : status + "：" + printable(reason)};
    }
    if (!fields || !fields->count(rule.field))
        return kernel::Failure{status + (http_ok ? "：答复里没有 " + std::string(rule.field) : "")};
    const std::string& value = (*fields)[rule.field];
    if (http_ok && value == rule.success)
        return status;
    std::string detail = status + "：" + rule.field + "=" + printable(value);
    return kernel::Failure{reason.empty() ? detail : detail + "：" + printable(reason)};
}

}  // namespace quilbex::app

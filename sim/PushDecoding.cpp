#include "sim/PushDecoding.h"

#include <cctype>

namespace quilbex::sim {

namespace {

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

}  // namespace

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

namespace {

class JsonObjectReader {
public:
    explicit JsonObjectReader(std::string_view text) : m_text(text) {}

    std::optional<JsonFields> read() {
        JsonFields fields;
        skip_space();
        if (!object("", fields, 0))
            return std::nullopt;
        skip_space();
        return m_pos == m_text.size() ? std::optional(fields) : std::nullopt;
    }

private:
    static constexpr int kMaxDepth = 8;

    bool object(const std::string& prefix, JsonFields& fields, int depth) {
        if (depth > kMaxDepth || !take('{'))
            return false;
        skip_space();
        if (!take('}')) {
            do {
                skip_space();
                auto name = string();
                skip_space();
                if (!name || !take(':'))
                    return false;
                skip_space();
                const std::string full = prefix + *name;
                // A name given twice is refused: services differ in which one they take.
                if (fields.count(full))
                    return false;
                if (peek() == '"') {
                    auto value = string();
                    if (!value)
                        return false;
                    fields.emplace(full, JsonScalar{*value, true});
                } else if (peek() == '{') {
                    if (!object(full + ".", fields, depth + 1))
                        return false;
                } else if (peek() == '[') {
                    if (!array(depth + 1))
                        return false;
                    fields.emplace(full, JsonScalar{"[]", false});
                } else {
                    std::size_t start = m_pos;
                    if (!scalar())
                        return false;
                    fields.emplace(full, JsonScalar{std::string(m_text.substr(start, m_pos - start)), false});
                }
                skip_space();
            } while (take(','));
            if (!take('}'))
                return false;
        }
        return true;
    }

    // An array is read for well-formedness only; its values are not kept.
    bool array(int depth) {
        if (depth > kMaxDepth || !take('['))
            return false;
        skip_space();
        if (take(']'))
            return true;
        do {
            skip_space();
            JsonFields ignored;
            bool value = peek() == '"'   ? string().has_value()
                         : peek() == '{' ? object("", ignored, depth + 1)
                         : peek() == '[' ? array(depth + 1)
                                         : scalar();
            if (!value)
                return false;
            skip_space();
        } while (take(','));
        return take(']');
    }

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

}  // namespace

std::optional<JsonFields> json_fields(std::string_view text) { return JsonObjectReader(text).read(); }

std::string media_type(const Request& request) {
    std::string type = request.header("Content-Type").value_or("");
    type = type.substr(0, type.find(';'));
    while (!type.empty() && type.back() == ' ')
        type.pop_back();
    for (char& c : type)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return type;
}

Fields json_strings(const JsonFields& fields) {
    Fields out;
    for (const auto& [name, value] : fields)
        if (value.string)
            out.emplace(name, value.text);
    return out;
}

}  // namespace quilbex::sim

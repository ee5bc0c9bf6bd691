#include "tools/constgen/ConstantsFile.h"

#include <cctype>
#include <fstream>
#include <iconv.h>
#include <memory>
#include <sstream>

namespace quilbex::tools {
namespace {

struct IconvCloser {
    void operator()(iconv_t cd) const { iconv_close(cd); }
};
using IconvHandle = std::unique_ptr<std::remove_pointer_t<iconv_t>, IconvCloser>;

class LineReader {
public:
    explicit LineReader(std::string line) : m_line(std::move(line)) {}

    void skip_spaces() {
        while (m_pos < m_line.size() && std::isspace(static_cast<unsigned char>(m_line[m_pos])))
            ++m_pos;
    }
    bool at_end() {
        skip_spaces();
        return m_pos >= m_line.size();
    }
    std::string word() {
        skip_spaces();
        std::size_t start = m_pos;
        while (m_pos < m_line.size() && !std::isspace(static_cast<unsigned char>(m_line[m_pos])))
            ++m_pos;
        return m_line.substr(start, m_pos - start);
    }
    // Reads a double-quoted string. Escapes produce bytes; \xHH bytes are kept
    // apart from the UTF-8 text so that they bypass the code-page conversion.
    bool quoted(std::string& utf8_text, std::vector<std::pair<std::size_t, std::uint8_t>>& raw_bytes) {
        skip_spaces();
        if (m_pos >= m_line.size() || m_line[m_pos] != '"')
            return false;
        ++m_pos;
        while (m_pos < m_line.size()) {
            char c = m_line[m_pos++];
            if (c == '"')
                return true;
            if (c != '\\') {
                utf8_text += c;
                continue;
            }
            if (m_pos >= m_line.size())
                return false;
            char e = m_line[m_pos++];
            switch (e) {
            case 'r': utf8_text += '\r'; break;
            case 'n': utf8_text += '\n'; break;
            case 't': utf8_text += '\t'; break;
            case '"': utf8_text += '"'; break;
            case '\\': utf8_text += '\\'; break;
            case 'x': {
                if (m_pos + 2 > m_line.size())
                    return false;
                unsigned value = std::stoul(m_line.substr(m_pos, 2), nullptr, 16);
                m_pos += 2;
                raw_bytes.emplace_back(utf8_text.size(), static_cast<std::uint8_t>(value));
                utf8_text += '\x01';  // placeholder, replaced after conversion
                break;
            }
            default: return false;
            }
        }
        return false;
    }

private:
    std::string m_line;
    std::size_t m_pos = 0;
};

bool is_identifier(const std::string& name) {
    if (name.empty() || std::isdigit(static_cast<unsigned char>(name[0])))
        return false;
    for (char c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_')
            return false;
    return true;
}

// Converts a text whose raw \xHH bytes were left as placeholders. Each piece
// between placeholders is converted on its own so that raw bytes stay as given.
bool convert_text(const std::string& utf8, const std::vector<std::pair<std::size_t, std::uint8_t>>& raw,
                  std::vector<std::uint8_t>& out) {
    std::size_t start = 0;
    for (auto [at, byte] : raw) {
        if (!utf8_to_gbk(utf8.substr(start, at - start), out))
            return false;
        out.push_back(byte);
        start = at + 1;
    }
    return utf8_to_gbk(utf8.substr(start), out);
}

std::vector<std::uint8_t> parse_hex(const std::string& text, bool& ok) {
    std::vector<std::uint8_t> out;
    std::string digits;
    for (char c : text)
        if (!std::isspace(static_cast<unsigned char>(c)))
            digits += c;
    ok = digits.size() % 2 == 0;
    for (std::size_t i = 0; ok && i < digits.size(); i += 2) {
        if (!std::isxdigit(static_cast<unsigned char>(digits[i])) ||
            !std::isxdigit(static_cast<unsigned char>(digits[i + 1]))) {
            ok = false;
            break;
        }
        out.push_back(static_cast<std::uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
    }
    return out;
}

}  // namespace

bool utf8_to_gbk(const std::string& utf8, std::vector<std::uint8_t>& out) {
    if (utf8.empty())
        return true;
    IconvHandle cd(iconv_open("CP936", "UTF-8"));
    if (cd.get() == reinterpret_cast<iconv_t>(-1)) {
        cd.release();
        return false;
    }
    std::string in = utf8;
    std::vector<char> buffer(in.size() * 2 + 4);
    char* in_ptr = in.data();
    std::size_t in_left = in.size();
    char* out_ptr = buffer.data();
    std::size_t out_left = buffer.size();
    if (iconv(cd.get(), &in_ptr, &in_left, &out_ptr, &out_left) == static_cast<std::size_t>(-1))
        return false;
    out.insert(out.end(), buffer.data(), out_ptr);
    return true;
}

ParseResult parse_constants(const std::string& content, const std::filesystem::path& base_dir) {
    std::vector<Constant> constants;
    std::istringstream stream(content);
    std::string line;
    int number = 0;
    auto fail = [&](const std::string& message) { return ParseResult{ParseError{number, message}}; };
    while (std::getline(stream, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        LineReader reader(line);
        if (reader.at_end())
            continue;
        std::string kind = reader.word();
        if (kind[0] == '#')
            continue;
        Constant constant;
        constant.name = reader.word();
        if (!is_identifier(constant.name))
            return fail("invalid constant name '" + constant.name + "'");
        for (const auto& earlier : constants)
            if (earlier.name == constant.name)
                return fail("constant '" + constant.name + "' defined twice");
        if (kind == "text") {
            constant.kind = ConstantKind::Text;
            std::string text;
            std::vector<std::pair<std::size_t, std::uint8_t>> raw;
            if (!reader.quoted(text, raw))
                return fail("expected a quoted text");
            if (!convert_text(text, raw, constant.bytes))
                return fail("text has no GBK form");
        } else if (kind == "bytes") {
            constant.kind = ConstantKind::ByteSet;
            std::string source = reader.word();
            std::string value;
            std::vector<std::pair<std::size_t, std::uint8_t>> raw;
            if (!reader.quoted(value, raw) || !raw.empty())
                return fail("expected a quoted value");
            if (source == "hex") {
                bool ok = false;
                constant.bytes = parse_hex(value, ok);
                if (!ok)
                    return fail("invalid hexadecimal bytes");
            } else if (source == "file") {
                std::ifstream file(base_dir / value, std::ios::binary);
                if (!file)
                    return fail("cannot read file '" + value + "'");
                constant.bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
            } else {
                return fail("bytes come from 'hex' or 'file'");
            }
        } else if (kind == "array") {
            constant.kind = ConstantKind::Int32Array;
            if (reader.word() != "int32")
                return fail("only int32 arrays are supported");
            while (!reader.at_end()) {
                std::string word = reader.word();
                try {
                    std::size_t used = 0;
                    long long value = std::stoll(word, &used, 0);
                    if (used != word.size() || value < INT32_MIN || value > UINT32_MAX)
                        return fail("invalid integer '" + word + "'");
                    constant.integers.push_back(static_cast<std::int32_t>(static_cast<std::uint32_t>(value)));
                } catch (const std::exception&) {
                    return fail("invalid integer '" + word + "'");
                }
            }
        } else {
            return fail("unknown constant kind '" + kind + "'");
        }
        if (!reader.at_end())
            return fail("unexpected text after the value");
        constants.push_back(std::move(constant));
    }
    return constants;
}

}  // namespace quilbex::tools

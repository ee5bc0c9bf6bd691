#include "tools/formgen/Description.h"

#include "tools/constgen/ConstantsFile.h"
#include "tools/formgen/BlockFields.h"
#include "tools/formgen/PixelArt.h"

#include <cctype>
#include <fstream>
#include <set>
#include <sstream>

namespace quilbex::tools {
namespace {

struct Token {
    std::string text;
    bool quoted = false;
};

struct Failure {
    std::string message;
    int line = 0;  // 0: the line being read
};

bool is_identifier(const std::string& word) {
    if (word.empty() || std::isdigit(static_cast<unsigned char>(word[0])))
        return false;
    for (char c : word)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_')
            return false;
    return true;
}

std::vector<Token> tokenize(const std::string& line) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
        } else if (c == '#') {
            break;
        } else if (c == '=') {
            tokens.push_back({"=", false});
            ++i;
        } else if (c == '"') {
            std::string text;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                char d = line[i++];
                if (d == '"') {
                    closed = true;
                    break;
                }
                if (d != '\\') {
                    text += d;
                    continue;
                }
                if (i >= line.size())
                    break;
                char e = line[i++];
                switch (e) {
                case 'n': text += '\n'; break;
                case 'r': text += '\r'; break;
                case 't': text += '\t'; break;
                case '"': text += '"'; break;
                case '\\': text += '\\'; break;
                default: throw Failure{std::string("unknown escape \\") + e};
                }
            }
            if (!closed)
                throw Failure{"unterminated text"};
            tokens.push_back({text, true});
        } else {
            std::size_t start = i;
            while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i])) && line[i] != '=' &&
                   line[i] != '"')
                ++i;
            tokens.push_back({line.substr(start, i - start), false});
        }
    }
    return tokens;
}

std::int64_t parse_number(const std::string& word) {
    try {
        std::size_t used = 0;
        long long value = std::stoll(word, &used, 0);
        if (used == word.size())
            return value;
    } catch (const std::exception&) {}
    throw Failure{"'" + word + "' is not a number"};
}

std::uint32_t parse_u32(const std::string& word) {
    std::int64_t value = parse_number(word);
    if (value < 0 || value > 0xFFFFFFFFll)
        throw Failure{"'" + word + "' is not a 32-bit identifier"};
    return static_cast<std::uint32_t>(value);
}

std::int32_t parse_i32(const std::string& word) {
    std::int64_t value = parse_number(word);
    if (value < INT32_MIN || value > INT32_MAX)
        throw Failure{"'" + word + "' is out of range"};
    return static_cast<std::int32_t>(value);
}

std::uint32_t parse_type(const std::string& word) {
    static const std::map<std::string, std::uint32_t> kTypes = {
        {"window", forms::kWindowType},    {"label", forms::kLabelType}, {"button", forms::kButtonType},
        {"edit_box", forms::kEditBoxType}, {"timer", forms::kTimerType}, {"browser", forms::kBrowserType},
    };
    auto it = kTypes.find(word);
    return it != kTypes.end() ? it->second : parse_u32(word);
}

std::int32_t parse_event(const std::string& word) {
    if (word == "created" || word == "tick" || word == "click" || word == "changed")
        return 0;
    return parse_i32(word);
}

std::string to_gbk(const std::string& utf8) {
    std::vector<std::uint8_t> out;
    if (!utf8_to_gbk(utf8, out))
        throw Failure{"text has no GBK form"};
    return std::string(out.begin(), out.end());
}

std::string read_file(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw Failure{"cannot read '" + path.string() + "'"};
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

class Parser {
public:
    Parser(std::filesystem::path base_dir, std::map<std::string, std::string> overrides)
        : m_base_dir(std::move(base_dir)), m_defines(std::move(overrides)), m_overridden(keys(m_defines)) {}

    void statement(const std::vector<Token>& t, int line);
    void finish();
    FormsDescription take() { return std::move(m_result); }

private:
    static std::set<std::string> keys(const std::map<std::string, std::string>& map) {
        std::set<std::string> out;
        for (const auto& [key, value] : map)
            out.insert(key);
        return out;
    }
    std::string expand(const std::string& text) const;
    std::string quoted(const std::vector<Token>& t, std::size_t at) const;
    FieldValue value(const std::vector<Token>& t, std::size_t at);
    forms::WindowTemplate& window();
    forms::UnitRecord& unit();
    void close_unit();
    void unit_statement(const std::vector<Token>& t);
    std::uint32_t routine_index(const std::string& name) const;

    std::filesystem::path m_base_dir;
    std::map<std::string, std::string> m_defines;
    std::set<std::string> m_overridden;
    FormsDescription m_result;
    bool m_in_unit = false;
    bool m_block_empty = false;
    std::vector<BlockField> m_fields;
};

std::string Parser::expand(const std::string& text) const {
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text.compare(i, 2, "${") == 0) {
            std::size_t end = text.find('}', i);
            if (end == std::string::npos)
                throw Failure{"unterminated ${"};
            std::string name = text.substr(i + 2, end - i - 2);
            auto it = m_defines.find(name);
            if (it == m_defines.end())
                throw Failure{"'" + name + "' is not defined"};
            out += it->second;
            i = end + 1;
        } else {
            out += text[i++];
        }
    }
    return out;
}

std::string Parser::quoted(const std::vector<Token>& t, std::size_t at) const {
    if (at >= t.size() || !t[at].quoted)
        throw Failure{"expected a quoted text"};
    return expand(t[at].text);
}

FieldValue Parser::value(const std::vector<Token>& t, std::size_t at) {
    if (at >= t.size())
        throw Failure{"expected a value"};
    FieldValue v;
    const Token& first = t[at];
    std::size_t used = 1;
    if (first.quoted) {
        v.kind = FieldValue::Kind::Text;
        v.text = to_gbk(expand(first.text));
    } else if (first.text == "true" || first.text == "false") {
        v.integer = first.text == "true";
    } else if (first.text == "file" || first.text == "hex" || first.text == "pixels") {
        std::string argument = quoted(t, at + 1);
        used = 2;
        v.kind = FieldValue::Kind::Bytes;
        if (first.text == "file") {
            std::string content = read_file(m_base_dir / argument);
            v.bytes.assign(content.begin(), content.end());
        } else if (first.text == "hex") {
            std::string digits;
            for (char c : argument)
                if (!std::isspace(static_cast<unsigned char>(c)))
                    digits += c;
            if (digits.size() % 2 != 0)
                throw Failure{"hex bytes need pairs of digits"};
            for (std::size_t i = 0; i < digits.size(); i += 2)
                v.bytes.push_back(static_cast<std::uint8_t>(parse_u32("0x" + digits.substr(i, 2))));
        } else {
            auto art = parse_pixel_art(read_file(m_base_dir / argument));
            if (auto* error = std::get_if<PixelArtError>(&art))
                throw Failure{argument + ":" + std::to_string(error->line) + ": " + error->message};
            v.bytes = encode_ico(std::get<PixelImage>(art));
            std::filesystem::path name = std::filesystem::path(argument).filename().replace_extension(".ico");
            m_result.icons.push_back({name.string(), v.bytes});
        }
    } else {
        v.integer = parse_number(first.text);
    }
    if (at + used != t.size())
        throw Failure{"unexpected text after the value"};
    return v;
}

forms::WindowTemplate& Parser::window() {
    if (m_result.templates.windows.empty())
        throw Failure{"this belongs inside a window"};
    return m_result.templates.windows.back();
}

forms::UnitRecord& Parser::unit() {
    if (!m_in_unit)
        throw Failure{"this belongs inside a unit"};
    return window().units.back();
}

std::uint32_t Parser::routine_index(const std::string& name) const {
    for (std::size_t i = 0; i < m_result.routines.size(); ++i)
        if (m_result.routines[i] == name)
            return static_cast<std::uint32_t>(i);
    return forms::kNoHandler;
}

void Parser::close_unit() {
    if (!m_in_unit)
        return;
    m_in_unit = false;
    forms::UnitRecord& record = window().units.back();
    if (m_block_empty) {
        m_block_empty = false;
        if (!m_fields.empty())
            throw Failure{"a unit with 'block empty' has no fields", m_fields.front().line};
        return;
    }
    BlockBuildError error;
    if (!build_block(record.type, m_fields, record.property_block, error))
        throw Failure{error.message, error.line};
    m_fields.clear();
}

void Parser::statement(const std::vector<Token>& t, int line) {
    const std::string& keyword = t[0].text;
    if (t.size() >= 2 && t[1].text == "=" && !t[1].quoted) {
        unit();
        m_fields.push_back({keyword, value(t, 2), line});
        return;
    }
    if (keyword == "define") {
        if (t.size() != 3 || !is_identifier(t[1].text))
            throw Failure{"define NAME \"value\""};
        if (!m_overridden.count(t[1].text))
            m_defines[t[1].text] = quoted(t, 2);
    } else if (keyword == "routine") {
        if (t.size() != 2 || !is_identifier(t[1].text))
            throw Failure{"routine NAME"};
        if (routine_index(t[1].text) != forms::kNoHandler)
            throw Failure{"routine '" + t[1].text + "' listed twice"};
        m_result.routines.push_back(t[1].text);
    } else if (keyword == "window") {
        close_unit();
        if (t.size() != 3 || !is_identifier(t[2].text))
            throw Failure{"window ID SYMBOL"};
        std::uint32_t id = parse_u32(t[1].text);
        if (forms::identifier_kind(id) != forms::kWindowKind)
            throw Failure{"a window identifier has kind 2 in bits 24 to 27"};
        for (const auto& w : m_result.windows)
            if (w.id == id || w.symbol == t[2].text)
                throw Failure{"window defined twice"};
        m_result.templates.windows.emplace_back().id = id;
        m_result.windows.push_back({t[2].text, id, {}});
    } else if (keyword == "values") {
        if (m_in_unit || t.size() != 3)
            throw Failure{"values A B, before the window's units"};
        window().values = {parse_u32(t[1].text), parse_u32(t[2].text)};
    } else if (keyword == "texts") {
        if (m_in_unit || t.size() != 3)
            throw Failure{"texts \"a\" \"b\", before the window's units"};
        window().texts = {to_gbk(quoted(t, 1)), to_gbk(quoted(t, 2))};
    } else if (keyword == "unit") {
        close_unit();
        if (t.size() != 4 && t.size() != 5)
            throw Failure{"unit ID TYPE \"NAME\" [SYMBOL]"};
        forms::WindowTemplate& w = window();
        forms::UnitRecord record;
        record.id = parse_u32(t[1].text);
        record.type = parse_type(t[2].text);
        std::string name = quoted(t, 3);
        record.name = to_gbk(name);
        if (forms::identifier_kind(record.id) != forms::kUnitKind)
            throw Failure{"a unit identifier has kind 6 in bits 24 to 27"};
        bool first = w.units.empty();
        bool own = forms::unit_sub_kind(record.id) == forms::UnitSubKind::Window;
        if (first != own || (own && record.type != forms::kWindowType))
            throw Failure{"the window's own record (sub-kind 0, type window) comes first and only once"};
        if (record.is_menu_item())
            throw Failure{"menu items are not supported in descriptions"};
        if (w.find_unit(record.id))
            throw Failure{"unit identifier used twice in this window"};
        WindowSymbols& symbols = m_result.windows.back();
        if (t.size() == 5) {
            if (!is_identifier(t[4].text) || t[4].text == "kWindowId")
                throw Failure{"a symbol is a C++ identifier"};
            for (const auto& u : symbols.units)
                if (u.symbol == t[4].text)
                    throw Failure{"symbol '" + t[4].text + "' used twice in this window"};
            symbols.units.push_back({t[4].text, record.id, name});
        }
        w.units.push_back(std::move(record));
        m_in_unit = true;
    } else {
        unit_statement(t);
    }
}

void Parser::unit_statement(const std::vector<Token>& t) {
    const std::string& keyword = t[0].text;
    forms::UnitRecord& u = unit();
    if (keyword == "position") {
        if (t.size() != 5)
            throw Failure{"position LEFT TOP WIDTH HEIGHT"};
        u.left = parse_i32(t[1].text);
        u.top = parse_i32(t[2].text);
        u.width = parse_i32(t[3].text);
        u.height = parse_i32(t[4].text);
    } else if (keyword == "flags") {
        u.flags = 0;
        for (std::size_t i = 1; i < t.size(); ++i) {
            if (t[i].text == "visible")
                u.flags |= forms::kUnitVisible;
            else if (t[i].text == "disabled")
                u.flags |= forms::kUnitDisabled;
            else if (t[i].text == "tabstop")
                u.flags |= forms::kUnitTabStop;
            else
                throw Failure{"flags are visible, disabled and tabstop"};
        }
    } else if (keyword == "on") {
        if (t.size() != 3)
            throw Failure{"on EVENT ROUTINE"};
        std::int32_t event = parse_event(t[1].text);
        for (const auto& entry : u.handlers)
            if (entry.event == event)
                throw Failure{"event bound twice"};
        std::uint32_t routine = routine_index(t[2].text);
        if (routine == forms::kNoHandler)
            throw Failure{"'" + t[2].text + "' is not a routine listed before this line"};
        u.handlers.push_back({event, routine});
    } else if (keyword == "source" && t.size() == 2) {
        u.source_unit = parse_u32(t[1].text);
    } else if (keyword == "container" && t.size() == 2) {
        u.container = parse_u32(t[1].text);
    } else if (keyword == "pages") {
        for (std::size_t i = 1; i < t.size(); ++i)
            u.page_list.push_back(parse_u32(t[i].text));
    } else if (keyword == "tag" && t.size() == 2) {
        u.tag = to_gbk(quoted(t, 1));
    } else if (keyword == "second_name" && t.size() == 2) {
        u.second_name = to_gbk(quoted(t, 1));
    } else if (keyword == "block" && t.size() == 2 && t[1].text == "empty") {
        m_block_empty = true;
    } else {
        throw Failure{"unknown statement '" + keyword + "'"};
    }
}

void Parser::finish() {
    close_unit();
    if (m_result.templates.windows.empty())
        throw Failure{"the description has no window"};
    for (const auto& w : m_result.templates.windows)
        if (w.units.empty())
            throw Failure{"a window has no units"};
}

}  // namespace

std::variant<FormsDescription, DescriptionError>
parse_description(const std::string& text, const std::filesystem::path& base_dir,
                  const std::map<std::string, std::string>& overrides) {
    Parser parser(base_dir, overrides);
    std::istringstream in(text);
    std::string line;
    int number = 0;
    try {
        while (std::getline(in, line)) {
            ++number;
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            auto tokens = tokenize(line);
            if (!tokens.empty())
                parser.statement(tokens, number);
        }
        ++number;
        parser.finish();
    } catch (const Failure& failure) {
        return DescriptionError{failure.line != 0 ? failure.line : number, failure.message};
    }
    return parser.take();
}

}  // namespace quilbex::tools

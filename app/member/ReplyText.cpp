#include "app/member/ReplyText.h"

#include "platform/kernel/Utf8.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>

namespace quilbex::app {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

bool starts_with_ignoring_case(std::string_view text, std::size_t at, std::string_view prefix) {
    if (text.size() - at < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[at + i])) != prefix[i])
            return false;
    }
    return true;
}

// Markup starts with "<" and a letter, "/", "!" or "?".
bool holds_markup(std::string_view text) {
    for (auto at = text.find('<'); at != std::string_view::npos && at + 1 < text.size(); at = text.find('<', at + 1)) {
        char next = text[at + 1];
        if (std::isalpha(static_cast<unsigned char>(next)) || next == '/' || next == '!' || next == '?')
            return true;
    }
    return false;
}

void append_code_point(std::string& out, std::uint32_t point) {
    if (point == 0 || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) {
        out += kReplacement;
    } else if (point < 0x80) {
        out += static_cast<char>(point);
    } else if (point < 0x800) {
        out += static_cast<char>(0xC0 | (point >> 6));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
        out += static_cast<char>(0xE0 | (point >> 12));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (point >> 18));
        out += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    }
}

// The longest entity read, ';' included ("&#x10FFFF;" is ten): the search
// for the ';' never looks further, so a reply full of lone '&' costs time in
// proportion to its length.
constexpr std::size_t kLongestEntity = 11;

// Decodes the entity at `at` ("&..."); returns the bytes it took, 0 for a
// lone "&".
std::size_t decode_entity(std::string_view text, std::size_t at, std::string& out) {
    auto end = text.substr(0, at + kLongestEntity).find(';', at);
    if (end == std::string_view::npos)
        return 0;
    std::string name(text.substr(at + 1, end - at - 1));
    static const std::pair<const char*, const char*> named[] = {{"amp", "&"},   {"lt", "<"},   {"gt", ">"},
                                                                {"quot", "\""}, {"apos", "'"}, {"nbsp", " "}};
    for (const auto& [entity, value] : named) {
        if (name == entity) {
            out += value;
            return end - at + 1;
        }
    }
    if (name.size() < 2 || name[0] != '#')
        return 0;
    bool hex = name[1] == 'x' || name[1] == 'X';
    std::string digits = name.substr(hex ? 2 : 1);
    if (digits.empty() || digits.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789") != std::string::npos)
        return 0;
    append_code_point(out, static_cast<std::uint32_t>(std::strtoul(digits.c_str(), nullptr, hex ? 16 : 10)));
    return end - at + 1;
}

// Index just past `close` from `at` on, or the end of the text.
std::size_t skip_past(std::string_view text, std::size_t at, std::string_view close) {
    auto found = text.find(close, at);
    return found == std::string_view::npos ? text.size() : found + close.size();
}

std::size_t skip_past_ignoring_case(std::string_view text, std::size_t at, std::string_view close) {
    for (; at < text.size(); ++at) {
        if (starts_with_ignoring_case(text, at, close))
            return skip_past(text, at, ">");
    }
    return text.size();
}

std::string page_text(std::string_view page) {
    std::string text;
    std::size_t at = 0;
    while (at < page.size()) {
        char c = page[at];
        if (c == '<' && page.substr(at, 9) == "<![CDATA[") {
            at += 9;
        } else if (c == ']' && page.substr(at, 3) == "]]>") {
            at += 3;
        } else if (c == '<' && page.substr(at, 4) == "<!--") {
            at = skip_past(page, at, "-->");
        } else if (c == '<' && starts_with_ignoring_case(page, at, "<script")) {
            at = skip_past_ignoring_case(page, at, "</script");
        } else if (c == '<' && starts_with_ignoring_case(page, at, "<style")) {
            at = skip_past_ignoring_case(page, at, "</style");
        } else if (c == '<' && at + 1 < page.size() &&
                   (std::isalpha(static_cast<unsigned char>(page[at + 1])) || page[at + 1] == '/' ||
                    page[at + 1] == '!' || page[at + 1] == '?')) {
            at = skip_past(page, at, ">");
            text += ' ';
        } else if (std::size_t taken = c == '&' ? decode_entity(page, at, text) : 0; taken != 0) {
            at += taken;
        } else {
            text += c;
            ++at;
        }
    }
    // White space run together, none at either end.
    std::string line;
    for (char ch : text) {
        bool space = ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n' || ch == '\f' || ch == '\v';
        if (!space)
            line += ch;
        else if (!line.empty() && line.back() != ' ')
            line += ' ';
    }
    if (!line.empty() && line.back() == ' ')
        line.pop_back();
    return line;
}

// Cut at a character's boundary after `limit` bytes.
void limit_length(std::string& text, std::size_t limit) {
    if (text.size() <= limit)
        return;
    std::size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    text.resize(cut);
    text += "…";
}

}  // namespace

std::string marked_controls(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t length = kernel::utf8_sequence_length(text, at);
        unsigned char lead = static_cast<unsigned char>(text[at]);
        if (length == 0) {
            out += kReplacement;
            ++at;
            continue;
        }
        if (lead == '\t' || lead == '\n' || lead == '\r')
            out += ' ';
        else if (lead < 0x20 || lead == 0x7F || kernel::is_c1_control(text, at))
            out += kReplacement;  // C0, DEL, C1 (U+0080 to U+009F)
        else
            out.append(text.substr(at, length));
        at += length;
    }
    return out;
}

std::string printable_status(std::string_view status) {
    std::string shown = holds_markup(status) ? marked_controls(page_text(status)) : marked_controls(status);
    limit_length(shown, kShownStatusLimit);
    return shown;
}

}  // namespace quilbex::app

#include "app/net/FieldList.h"

#include "app/net/TextHelpers.h"
#include "runtime/Memory.h"

#include <algorithm>
#include <cstring>

namespace quilbex::app {

namespace {

// A runtime text array block: dimension count 1, element count, elements.
commands::TextArray make_array(const std::vector<std::string>& texts) {
    std::size_t size = 8 + texts.size() * sizeof(char*);
    auto* block = static_cast<unsigned char*>(rt::allocate(size));
    std::uint32_t header[2] = {1, static_cast<std::uint32_t>(texts.size())};
    std::memcpy(block, header, sizeof header);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        char* element = rt::make_text(texts[i]);
        std::memcpy(block + 8 + i * sizeof(char*), &element, sizeof element);
    }
    return commands::TextArray(block);
}

std::string encoded(const std::string& text) { return str(url_encode(text.c_str(), true, false)); }

}  // namespace

FieldList::~FieldList() = default;

std::unique_ptr<FieldList> FieldList::copy() const { return std::make_unique<FieldList>(*this); }

void FieldList::add(const char* name, const char* value, bool utf8) {
    if (utf8) {
        m_names.push_back(str(gbk_to_utf8(name)));
        m_values.push_back(str(gbk_to_utf8(value)));
    } else {
        m_names.push_back(str(name));
        m_values.push_back(str(value));
    }
}

void FieldList::add_query(const char* query, bool utf8) {
    commands::TextArray pieces = commands::split_text(query, "&");
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        std::string piece = str(pieces[i]);
        auto first = piece.find('=');
        if (first == std::string::npos) {
            add("", "", utf8);
            continue;
        }
        auto last = piece.rfind('=');
        add(piece.substr(0, first).c_str(), piece.substr(last + 1).c_str(), utf8);
    }
}

Text FieldList::get(const char* name) const {
    auto it = std::find(m_names.begin(), m_names.end(), str(name));
    return it == m_names.end() ? Text() : make_text(m_values[static_cast<std::size_t>(it - m_names.begin())]);
}

void FieldList::set(const char* name, const char* value) {
    auto it = std::find(m_names.begin(), m_names.end(), str(name));
    if (it == m_names.end())
        add(name, value);
    else
        m_values[static_cast<std::size_t>(it - m_names.begin())] = str(value);
}

Text FieldList::form_body(bool encode) const {
    std::string out;
    for (std::size_t i = 0; i < m_names.size(); ++i) {
        out += encode ? encoded(m_names[i]) : m_names[i];
        out += "=";
        out += encode ? encoded(m_values[i]) : m_values[i];
        out += "&";
    }
    if (!out.empty())
        out.pop_back();
    return make_text(out);
}

Text FieldList::header_text(bool encode) const {
    std::string out;
    for (std::size_t i = 0; i < m_names.size(); ++i)
        out += m_names[i] + ": " + (encode ? encoded(m_values[i]) : m_values[i]) + "\r\n";
    if (!out.empty())
        out.resize(out.size() - 2);
    return make_text(out);
}

commands::TextArray FieldList::names() const { return make_array(m_names); }
commands::TextArray FieldList::values() const { return make_array(m_values); }

void FieldList::clear() {
    m_names.clear();
    m_values.clear();
}

void FieldList::remove(const char* name) {
    auto it = std::find(m_names.begin(), m_names.end(), str(name));
    if (it == m_names.end())
        return;
    auto index = it - m_names.begin();
    m_names.erase(it);
    m_values.erase(m_values.begin() + index);
}

Text FieldList::to_json() const {
    std::string out = "{";
    for (std::size_t i = 0; i < m_names.size(); ++i)
        out += "\"" + m_names[i] + "\":\"" + str(escape_json(m_values[i].c_str())) + "\",";
    return make_text(str(strip_both_ends(out.c_str(), ",")) + "}");
}

Text FieldList::escape_json(const char* text) const {
    return commands::replace_text(text, "\"", "\\\"", std::nullopt, std::nullopt, true);
}

Text FieldList::strip_both_ends(const char* text, const char* piece) const {
    std::string s = str(text);
    std::string p = str(piece);
    if (!p.empty() && s.size() >= p.size() && s.compare(s.size() - p.size(), p.size(), p) == 0)
        s.resize(s.size() - p.size());
    if (!p.empty() && s.compare(0, p.size(), p) == 0)
        s.erase(0, p.size());
    return make_text(s);
}

}  // namespace quilbex::app

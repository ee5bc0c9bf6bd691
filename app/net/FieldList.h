#pragma once
// FieldList: an ordered list of name/value pairs from which the flows build
// request headers ("Name: value" lines) and form bodies ("name=value&...").
// Pairs keep the order in which they were added; a name may occur more than
// once; names compare byte for byte, with case. Each text is an owned GBK
// copy. A list belongs to one flow and is never shared between threads.
//
// The operations are virtual, in this order of slots:
//   0 destroy   1 copy   2 add   3 add_query   4 get   5 set   6 form_body
//   7 header_text   8 names   9 values   10 clear   11 remove   12 to_json
//   13 escape_json   14 strip_both_ends

#include "app/net/TextOps.h"

#include <memory>
#include <vector>

namespace quilbex::app {

class FieldList {
public:
    FieldList() = default;
    virtual ~FieldList();

    virtual std::unique_ptr<FieldList> copy() const;
    // With utf8, name and value are stored as UTF-8 bytes.
    virtual void add(const char* name, const char* value, bool utf8 = false);
    // "a=1&b=2": each piece's name is the part before its first "=", its value
    // the part after its last "="; a piece without "=" adds an empty pair.
    virtual void add_query(const char* query, bool utf8 = false);
    virtual Text get(const char* name) const;
    // Replaces the first pair's value, or adds the pair.
    virtual void set(const char* name, const char* value);
    // "name=value&..." in order; with encode, names and values percent-encoded.
    virtual Text form_body(bool encode = false) const;
    // "Name: value" lines joined by CR LF, no line break after the last; with
    // encode, values (never names) percent-encoded.
    virtual Text header_text(bool encode = false) const;
    virtual commands::TextArray names() const;
    virtual commands::TextArray values() const;
    virtual void clear();
    virtual void remove(const char* name);
    // A flat JSON object of strings; only double quotes are escaped.
    virtual Text to_json() const;
    virtual Text escape_json(const char* text) const;
    // The text with `piece` removed once from its end and once from its start,
    // where it stands there.
    virtual Text strip_both_ends(const char* text, const char* piece) const;

    std::size_t size() const { return m_names.size(); }

private:
    std::vector<std::string> m_names;
    std::vector<std::string> m_values;
};

}  // namespace quilbex::app

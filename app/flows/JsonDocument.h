#pragma once
// JsonDocument: a JSON document held in its own script control and read and
// written by paths in script syntax ("data.title", "[0].name", "" for the
// whole document). Every operation is one to three evaluations in the
// script control, built from the path; paths and values come from the
// program. Document texts from outside (parse) enter the script only as
// string values read by JSON.parse, never as script source.
//
// No operation reports an error: a failed evaluation (a missing member on
// the way, a value of the wrong kind) gives false, the empty text or 0, and
// a document whose script control could not be created gives empty results
// everywhere. Texts are GBK.
//
// Backslashes in values stored as text are kept inside the script as U+2400
// and turned back into backslashes by every operation that returns text, so
// they survive JSON.stringify unescaped.
//
// A document and its copies share one script control; each holds its own
// reference and its own COM initialisation of the thread it was made on. A
// document is used by one thread at a time.
//
// parse normally starts a fresh script control, so that nothing one document
// did can reach the next. Setting up a control (the engine's heap and the
// script library) costs far more than reading a reply of a kilobyte, so a
// control that has only ever held parsed documents and answered plain path
// reads is kept for the next parse: such a control holds nothing but the
// library and the document, which the parse replaces. Anything else (a write,
// an expression, a path that is more than names, indexes and quoted keys, a
// copy or the control handed out) makes the next parse start afresh.

#include "commands/com/ComFacade.h"
#include "commands/com/ComInit.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quilbex::app {

class JsonDocument {
public:
    // Value kinds returned by value_type.
    enum ValueType : std::int32_t {
        kAbsent = 0,
        kBoolean = 1,
        kNumber = 2,
        kObject = 4,
        kArray = 5,
        kString = 6,
        kOther = -1,
    };

    // Creates the script control and an empty document ({}).
    JsonDocument();
    ~JsonDocument();
    JsonDocument(const JsonDocument&) = delete;
    JsonDocument& operator=(const JsonDocument&) = delete;

    // A second document on the same script control.
    std::unique_ptr<JsonDocument> copy() const;
    // Sets up the script control: the script library and an empty document.
    void init();

    // Replaces the script control and reads `text` as JSON (`literal` is
    // accepted for compatibility and changes nothing). True when a document
    // is present (not null).
    bool parse(const char* text, bool literal = false);
    bool clear();
    commands::Text document_text();
    // Stores `value` at `path`: as text, or (as_json) as a JSON value merged
    // into an existing object.
    bool set_value(const char* path, const char* value, bool as_json = false);
    bool set_expression(const char* path, const char* expression);
    // Makes `path` a full script path ("da…") and tells whether a value is there.
    bool resolve_path(std::string& path);
    bool exists(const char* path);
    std::int32_t value_type(const char* path);
    commands::Text get_text(const char* path, bool as_json = false);
    std::int32_t member_names(std::vector<std::string>& names, const char* path);
    std::int32_t array_length(const char* path);
    std::unique_ptr<JsonDocument> get_object(const char* path);
    bool array_push(const char* value, const char* path, bool raw = false);
    std::unique_ptr<JsonDocument> array_get_object(std::int32_t index, const char* path);
    commands::Text array_get_text(std::int32_t index, const char* path, bool as_json = false);
    bool array_set(std::int32_t index, const char* path, const char* value, bool raw = false);
    bool array_remove(std::int32_t index, const char* path);
    bool remove(const char* path);
    bool set_number(const char* path, double number);
    double get_number(const char* path);
    commands::Text get_json(const char* path);
    commands::ObjectVar script_object() const;
    std::int32_t leaf_values(std::vector<std::string>& values, const char* path, bool recursive = false);

    const std::string& name() const { return m_name; }

private:
    struct Shared {};
    JsonDocument(const JsonDocument& source, Shared);

    bool eval_bool(const std::string& expression);
    commands::Text eval_text(const std::string& expression);
    double eval_double(const std::string& expression);
    // Runs the expression for its effect; true when it ran without error.
    bool run(const std::string& expression);
    std::string resolved(const char* path);
    std::unique_ptr<JsonDocument> document_of(const std::string& json_expression);
    // Keeps the control reusable only when `path` can do nothing but read.
    void note_path(const std::string& path);

    commands::ComInitScope m_com;
    std::string m_name = "da";
    commands::ObjectVar m_script;
    // True while the control holds only the library and parsed documents
    // and no one else holds it (see above).
    mutable bool m_reusable = false;
};

}  // namespace quilbex::app

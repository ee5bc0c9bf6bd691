#include "app/flows/JsonDocument.h"

#include "platform/com/Iconv.h"
#include "platform/kernel/CodePage.h"

#include <cctype>
#include <cmath>
#include <string_view>

namespace quilbex::app {
namespace {

using namespace quilbex::commands;

// The script library, added once to every script control. The JSON object
// is only installed where the engine lacks one; the two Object.prototype
// helpers are installed without being enumerable so that they do not show
// up among a document's members.
constexpr const char* kScriptLibrary = R"JS(
var str_all = new Array();
function get__nodeValue(str_json, recursion) {
    for (var key in str_json) {
        var value = str_json[key];
        var kind = Object.prototype.toString.call(value);
        if (kind == '[object Object]' || kind == '[object Array]') {
            if (recursion) get__nodeValue(value, recursion);
        } else if (kind == '[object String]' || kind == '[object Number]' || kind == '[object Boolean]') {
            str_all.push(value);
        }
    }
    return str_all;
}
function get__count(c) {
    return Object.prototype.toString.call(c) == '[object Array]' ? c.length : 0;
}
function get__name_All(a) {
    if (Object.prototype.toString.call(a) != '[object Object]') return '';
    var names = [];
    for (var key in a) if (typeof a[key] != 'function') names.push(key);
    return names.join('\r\n');
}
function get__extend(target, source) {
    if (Object.prototype.toString.call(target) == '[object Array]') {
        for (var i = 0; i < source.length; i++) target.push(source[i]);
        return target;
    }
    for (var key in source) {
        var kind = typeof target[key];
        if (kind == 'string' || kind == 'boolean' || kind == 'undefined') target[key] = source[key];
        else if (kind == 'number') target = target.concat(source);
        else if (kind == 'object') target[key] = get__extend(target[key], source[key]);
    }
    return target;
}
function parse__document(name, text) {
    var value = null;
    try { value = JSON.parse(text); } catch (e) { value = null; }
    (function () { return this; })()[name] = value;
    return value != null;
}
if (typeof JSON !== 'object') {
    JSON = {};
    (function () {
        var escapes = { '\b': '\\b', '\t': '\\t', '\n': '\\n', '\f': '\\f', '\r': '\\r', '"': '\\"', '\\': '\\\\' };
        var special = /[\\\"\u0000-\u001f\u007f-\u009f\u00ad\u0600-\u0604\u070f\u17b4\u17b5\u200c-\u200f\u2028-\u202f\u2060-\u206f\ufeff\ufff0-\uffff]/g;
        function pad(n) { return n < 10 ? '0' + n : n; }
        function quote(s) {
            return '"' + s.replace(special, function (c) {
                return escapes[c] || '\\u' + ('0000' + c.charCodeAt(0).toString(16)).slice(-4);
            }) + '"';
        }
        function str(key, holder) {
            var value = holder[key];
            if (value && typeof value === 'object' && typeof value.toJSON === 'function') value = value.toJSON(key);
            switch (typeof value) {
            case 'string': return quote(value);
            case 'number': return isFinite(value) ? String(value) : 'null';
            case 'boolean': return String(value);
            case 'object':
                if (!value) return 'null';
                var parts = [];
                if (Object.prototype.toString.call(value) === '[object Array]') {
                    for (var i = 0; i < value.length; i++) parts.push(str(i, value) || 'null');
                    return '[' + parts.join(',') + ']';
                }
                for (var k in value) {
                    if (Object.prototype.hasOwnProperty.call(value, k)) {
                        var v = str(k, value);
                        if (v) parts.push(quote(k) + ':' + v);
                    }
                }
                return '{' + parts.join(',') + '}';
            }
        }
        JSON.stringify = function (value) { return str('', { '': value }); };
        JSON.parse = function (text) {
            text = String(text);
            if (/^[\],:{}\s]*$/.test(text.replace(/\\(?:["\\\/bfnrt]|u[0-9a-fA-F]{4})/g, '@')
                    .replace(/"[^"\\\n\r]*"|true|false|null|-?\d+(?:\.\d*)?(?:[eE][+\-]?\d+)?/g, ']')
                    .replace(/(?:^|:|,)(?:\s*\[)+/g, ''))) {
                return eval('(' + text + ')');
            }
            throw new SyntaxError('JSON.parse');
        };
        Date.prototype.toJSON = function () {
            return isFinite(this.valueOf()) ? this.getUTCFullYear() + '-' + pad(this.getUTCMonth() + 1) + '-' +
                pad(this.getUTCDate()) + 'T' + pad(this.getUTCHours()) + ':' + pad(this.getUTCMinutes()) + ':' +
                pad(this.getUTCSeconds()) + 'Z' : null;
        };
        String.prototype.toJSON = Number.prototype.toJSON = Boolean.prototype.toJSON = function () {
            return this.valueOf();
        };
    })();
}
(function () {
    function install(name, fn) {
        if (Object.prototype[name]) return;
        if (Object.defineProperty) Object.defineProperty(Object.prototype, name, { value: fn, writable: true, configurable: true });
        else Object.prototype[name] = fn;
    }
    install('toJSONString', function () { return JSON.stringify(this); });
    install('parseJSON', function () { return JSON.parse(this); });
})();
)JS";

constexpr std::string_view kPlaceholderBack = ".replace(str_reg, '\\\\')";

const std::string& leaf_separator() {
    static const std::string separator = kernel::utf8_to_gbk("[2020年7月20日20时0分0秒]");
    return separator;
}

std::string str(const Text& text) { return text ? std::string(text.get()) : std::string(); }

std::string number_text(std::int32_t n) { return str(to_text(rt::ArgRecord::of_int(n))); }

std::vector<std::string> split(const Text& text, const std::string& separator, std::int32_t* count) {
    std::vector<std::string> out;
    TextArray parts = split_text(text.get(), separator.c_str());
    for (std::size_t i = 0; i < parts.size(); ++i)
        out.emplace_back(parts[i] ? parts[i] : "");
    *count = static_cast<std::int32_t>(out.size());
    return out;
}

// True when evaluating `path` can only read: names, digits, dots, brackets
// and quoted keys. Whitespace, operators, calls and bytes of two-byte
// characters outside quotes (some of them are script whitespace) are not
// plain, nor is a backslash anywhere.
bool is_plain_path(std::string_view path) {
    char quote = 0;
    for (char c : path) {
        auto b = static_cast<unsigned char>(c);
        if (quote) {
            if (c == quote)
                quote = 0;
            else if (c == '\\' || c == '\n' || c == '\r')
                return false;
            continue;
        }
        if (c == '"' || c == '\'')
            quote = c;
        else if (!(std::isalnum(b) && b < 0x80) && c != '_' && c != '$' && c != '.' && c != '[' && c != ']')
            return false;
    }
    return quote == 0;
}

}  // namespace

JsonDocument::JsonDocument() { init(); }

JsonDocument::JsonDocument(const JsonDocument& source, Shared)
    : m_name(source.m_name), m_script(source.m_script.copy()) {
    source.m_reusable = false;
}

JsonDocument::~JsonDocument() = default;

std::unique_ptr<JsonDocument> JsonDocument::copy() const {
    return std::unique_ptr<JsonDocument>(new JsonDocument(*this, Shared{}));
}

void JsonDocument::init() {
    m_reusable = false;
    if (!object_create(m_script, "MSScriptControl.ScriptControl"))
        return;
    object_set_property(m_script, "Language", text_argument("JavaScript"));
    object_call_bool(m_script, "AddCode", {text_argument(kScriptLibrary)});
    m_reusable =
        run("var " + m_name + " = {}, str_Code = String.fromCharCode(9216), str_reg = new RegExp(str_Code, 'g')");
}

void JsonDocument::note_path(const std::string& path) {
    if (!is_plain_path(path))
        m_reusable = false;
}

bool JsonDocument::eval_bool(const std::string& expression) {
    return object_call_bool(m_script, "Eval", {text_argument(expression.c_str())});
}

Text JsonDocument::eval_text(const std::string& expression) {
    return object_call_text(m_script, "Eval", {text_argument(expression.c_str())});
}

double JsonDocument::eval_double(const std::string& expression) {
    return object_call_double(m_script, "Eval", {text_argument(expression.c_str())});
}

bool JsonDocument::run(const std::string& expression) {
    if (m_script.empty())
        return false;
    object_call(m_script, "Eval", {text_argument(expression.c_str())});
    return last_object_call_error() == 0;
}

bool JsonDocument::parse(const char* text, bool) {
    if (!m_script.empty() && !m_reusable) {
        object_clear(m_script);
        init();
    }
    if (m_script.empty())
        return false;
    run("var " + m_name + " = null");
    // The text goes in as a string argument: it is data, never script source.
    object_call_bool(m_script, "Run",
                     {text_argument("parse__document"), text_argument(m_name.c_str()), text_argument(text)});
    return eval_bool(m_name + " != null");
}

bool JsonDocument::resolve_path(std::string& path) {
    note_path(path);
    if (path.compare(0, m_name.size(), m_name) == 0 && eval_bool(path + " != null"))
        return true;
    if (path.empty())
        path = m_name;
    else if (path[0] == '[')
        path = m_name + path;
    else
        path = m_name + "." + path;
    return eval_bool(path + " != null");
}

std::string JsonDocument::resolved(const char* path) {
    std::string p = path ? path : "";
    resolve_path(p);
    return p;
}

bool JsonDocument::exists(const char* path) {
    std::string p = path ? path : "";
    return resolve_path(p);
}

bool JsonDocument::clear() {
    m_reusable = false;
    return run(m_name + " = {}");
}

Text JsonDocument::document_text() {
    return eval_text("JSON.stringify(" + m_name + ")" + std::string(kPlaceholderBack));
}

bool JsonDocument::set_value(const char* path, const char* value, bool as_json) {
    m_reusable = false;
    std::string p = path ? path : "";
    bool existed = resolve_path(p);
    std::string v = value ? value : "";
    if (as_json) {
        if (v.empty())
            v = "{}";
        std::string kind = str(eval_text("Object.prototype.toString.call(" + p + ")"));
        if (existed && kind == "[object Object]")
            return run(p + " = get__extend(" + p + ", " + v + ")");
        return run(p + " = eval(" + v + ")");
    }
    // Escaped character by character, not byte by byte: the second byte of a
    // GBK character may be a backslash or a quote. Everything outside ASCII
    // goes in as "\uXXXX", so the literal is plain ASCII whatever the text.
    static const char kHex[] = "0123456789abcdef";
    std::string escaped;
    for (char16_t c : com::utf16_from_gbk(v)) {
        switch (c) {
        case u'\\': escaped += "\\\\"; break;
        case u'\'': escaped += "\\'"; break;
        case u'"': escaped += "\\\""; break;
        case u'\r': escaped += "\\r"; break;
        case u'\n': escaped += "\\n"; break;
        default:
            if (c >= 0x20 && c < 0x7F) {
                escaped += static_cast<char>(c);
            } else {
                escaped += "\\u";
                for (int shift = 12; shift >= 0; shift -= 4)
                    escaped += kHex[(c >> shift) & 0xF];
            }
        }
    }
    return run(p + " = '" + escaped + "'.replace(/\\\\/g, str_Code)");
}

bool JsonDocument::set_expression(const char* path, const char* expression) {
    m_reusable = false;
    return run(resolved(path) + " = eval(" + (expression ? expression : "") + ")");
}

std::int32_t JsonDocument::value_type(const char* path) {
    std::string p = resolved(path);
    if (m_script.empty() || eval_bool(p + " == null"))
        return kAbsent;
    std::string kind = str(eval_text("Object.prototype.toString.call(" + p + ")"));
    if (kind == "[object String]")
        return kString;
    if (kind == "[object Array]")
        return kArray;
    if (kind == "[object Object]")
        return kObject;
    if (kind == "[object Number]")
        return kNumber;
    if (kind == "[object Boolean]")
        return kBoolean;
    return kOther;
}

Text JsonDocument::get_text(const char* path, bool as_json) {
    std::string p = resolved(path);
    if (as_json)
        return eval_text("JSON.stringify(" + p + ")" + std::string(kPlaceholderBack));
    return eval_text(p + ".toString()" + std::string(kPlaceholderBack));
}

std::int32_t JsonDocument::member_names(std::vector<std::string>& names, const char* path) {
    std::int32_t count = 0;
    names = split(eval_text("get__name_All(" + resolved(path) + ")"), "\r\n", &count);
    return count;
}

std::int32_t JsonDocument::array_length(const char* path) {
    double n = eval_double("get__count(" + resolved(path) + ")");
    return std::isfinite(n) && std::fabs(n) < 2147483648.0 ? static_cast<std::int32_t>(n) : 0;
}

std::unique_ptr<JsonDocument> JsonDocument::document_of(const std::string& json_expression) {
    // The value crosses as JSON with its backslash placeholders written as
    // "\u2400" escapes: turned back into backslashes they would be read as
    // escapes by the new parse, and as raw characters they would not survive
    // the trip through GBK.
    Text json = eval_text("JSON.stringify(" + json_expression + ").replace(str_reg, '\\\\u2400')");
    auto document = std::make_unique<JsonDocument>();
    document->parse(json.get());
    return document;
}

std::unique_ptr<JsonDocument> JsonDocument::get_object(const char* path) { return document_of(resolved(path)); }

bool JsonDocument::array_push(const char* value, const char* path, bool raw) {
    m_reusable = false;
    std::string p = resolved(path);
    std::string v = value ? value : "";
    if (!raw)
        v = "'" + v + "'";
    return run("if (Object.prototype.toString.call(" + p + ") != '[object Array]') { " + p + " = new Array() } " + p +
               ".push(" + v + ")");
}

std::unique_ptr<JsonDocument> JsonDocument::array_get_object(std::int32_t index, const char* path) {
    return document_of(resolved(path) + "[" + number_text(index) + "]");
}

Text JsonDocument::array_get_text(std::int32_t index, const char* path, bool as_json) {
    std::string element = resolved(path) + "[" + number_text(index) + "]";
    if (as_json)
        return eval_text("JSON.stringify(" + element + ")" + std::string(kPlaceholderBack));
    return eval_text(element + std::string(kPlaceholderBack));
}

bool JsonDocument::array_set(std::int32_t index, const char* path, const char* value, bool raw) {
    m_reusable = false;
    std::string v = value ? value : "";
    if (!raw)
        v = "'" + v + "'";
    return run(resolved(path) + "[" + number_text(index) + "] = " + v);
}

bool JsonDocument::array_remove(std::int32_t index, const char* path) {
    m_reusable = false;
    return run(resolved(path) + ".splice(" + number_text(index) + ", 1)");
}

bool JsonDocument::remove(const char* path) {
    m_reusable = false;
    return run("delete " + resolved(path));
}

bool JsonDocument::set_number(const char* path, double number) {
    m_reusable = false;
    return run(resolved(path) + " = " + str(to_text(rt::ArgRecord::of_double(number))));
}

double JsonDocument::get_number(const char* path) { return eval_double(resolved(path)); }

Text JsonDocument::get_json(const char* path) {
    return eval_text("JSON.stringify(" + resolved(path) + ")" + std::string(kPlaceholderBack));
}

ObjectVar JsonDocument::script_object() const {
    m_reusable = false;
    return m_script.copy();
}

std::int32_t JsonDocument::leaf_values(std::vector<std::string>& values, const char* path, bool recursive) {
    std::string p = resolved(path);
    run("var str_all = new Array()");
    run("get__nodeValue(" + p + ", " + (recursive ? "true" : "false") + ")");
    std::int32_t count = 0;
    values = split(eval_text("str_all.join('" + leaf_separator() + "')"), leaf_separator(), &count);
    return count;
}

}  // namespace quilbex::app

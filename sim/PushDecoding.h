#pragma once
// Strict decoding of what push clients send: form fields and JSON objects.
// A value that is not well-formed percent-encoding or JSON makes the whole
// request undecodable, as with the services.

#include "sim/HttpMessage.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace quilbex::sim {

using Fields = std::map<std::string, std::string>;

// application/x-www-form-urlencoded (or a query): "+" is a space, "%" must
// start two hex digits.
std::optional<Fields> form_fields(std::string_view form);

// A JSON object's members: strings (unescaped) and other scalars (as
// written); a nested object's members are named "outer.inner", an array
// stands as "[]" (its values are checked, not kept). A name given twice is
// refused.
struct JsonScalar {
    std::string text;
    bool string = false;
};
using JsonFields = std::map<std::string, JsonScalar>;
std::optional<JsonFields> json_fields(std::string_view text);

// The request's media type, without parameters ("application/json").
std::string media_type(const Request& request);

// The strings of `fields` only, as form fields.
Fields json_strings(const JsonFields& fields);

}  // namespace quilbex::sim

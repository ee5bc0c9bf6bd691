#pragma once
// Writes window templates in the stream form that read_templates() reads.
// Records are laid out in template order, one after the other. Fails only
// for data the format cannot hold (a zero byte inside a zero-terminated text,
// a menu item with more than one handler, sizes beyond 32 bits).

#include "forms/template/ByteStream.h"
#include "forms/template/WindowTemplate.h"

namespace quilbex::forms {

Parsed<Bytes> write_templates(const TemplateData& templates);

// One unit record without its length prefix.
Parsed<Bytes> write_unit_record(const UnitRecord& unit);

}  // namespace quilbex::forms

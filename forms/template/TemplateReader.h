#pragma once
// Reads the serialized window templates:
//
//   u32 S, then S bytes: S/8 window identifiers, S/8 slots (ignored)
//   per window, in list order:
//     u32 value, u32 value, text, text          (text = u32 length + bytes)
//     u32 N, u32 B, then B bytes:
//       N unit identifiers, N offsets, records; offset k is counted from the
//       end of the offset array and points at a u32 record length + record
//
// Every length is checked against what remains, the records must exactly fill
// the record area, and the data must end with the last window. A window must
// have at least its own record. Anything else is a FormatError, never a read
// outside `data`.

#include "forms/template/FormatError.h"
#include "forms/template/WindowTemplate.h"

#include <cstdint>
#include <span>

namespace quilbex::forms {

Parsed<TemplateData> read_templates(std::span<const std::uint8_t> data);

// One unit record without its length prefix; `base` is its offset for reports.
Parsed<UnitRecord> read_unit_record(std::uint32_t unit_id, std::span<const std::uint8_t> record, std::size_t base = 0);

}  // namespace quilbex::forms

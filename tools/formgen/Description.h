#pragma once
// The readable forms description from which the window template data is
// generated. UTF-8 text, one statement per line, '#' starts a comment:
//
//   define NAME "value"            a value that "${NAME}" in later texts expands to
//                                  (formgen -DNAME=value overrides it)
//   routine NAME                   the next entry of the application's routine table;
//                                  handler index 0 is the first routine
//   window ID SYMBOL               starts a window (SYMBOL names it in the generated header)
//     values A B                   the two values stored ahead of its unit list
//     texts "a" "b"                the two texts stored there
//   unit ID TYPE "NAME" [SYMBOL]   starts a unit record of the current window; TYPE is
//                                  window, label, button, edit_box, timer, browser or a
//                                  type identifier; the window's own record comes first
//     position LEFT TOP WIDTH HEIGHT
//     flags visible disabled tabstop   (any of them, or none)
//     on EVENT ROUTINE             binds an event (a number; created, tick, click and
//                                  changed stand for 0) to a routine
//     source ID | container ID | pages ID... | tag "t" | second_name "n"
//     block empty                  the record stores no property block (unit defaults)
//     FIELD = VALUE                a property block field (see BlockFields.h); VALUE is a
//                                  number, true, false, "text", file "path", hex "..",
//                                  or pixels "art.txt" (an icon made from pixel art)
//
// Without `block empty`, a unit's block is written in full at its type's
// current version, with the listed fields changed from the defaults.

#include "forms/template/WindowTemplate.h"

#include <filesystem>
#include <map>
#include <string>
#include <variant>
#include <vector>

namespace quilbex::tools {

struct UnitSymbol {
    std::string symbol;
    std::uint32_t id = 0;
    std::string name;  // UTF-8, as written in the description
};

struct WindowSymbols {
    std::string symbol;
    std::uint32_t id = 0;
    std::vector<UnitSymbol> units;
};

// An icon made from pixel art, to be written beside the generated sources.
struct GeneratedIcon {
    std::string file_name;
    std::vector<std::uint8_t> bytes;
};

struct FormsDescription {
    std::vector<std::string> routines;
    forms::TemplateData templates;
    std::vector<WindowSymbols> windows;
    std::vector<GeneratedIcon> icons;
};

struct DescriptionError {
    int line;
    std::string message;
};

// Files named in the description are found relative to `base_dir`.
std::variant<FormsDescription, DescriptionError>
parse_description(const std::string& text, const std::filesystem::path& base_dir,
                  const std::map<std::string, std::string>& overrides = {});

}  // namespace quilbex::tools

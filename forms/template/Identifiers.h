#pragma once
// Window, unit and unit type identifiers as the templates store them.
//
//   bits 28-31  sub-kind of a unit record: 0 the window's own record,
//               1 a control, 2 a menu item
//   bits 24-27  kind: 2 a window, 6 a unit record
//   bits 0-23   serial number
//
// A unit type identifier holds the library number (1-based) in its high half
// and the data type number (1-based) in its low half.

#include <cstdint>

namespace quilbex::forms {

inline constexpr std::uint32_t kWindowKind = 2;
inline constexpr std::uint32_t kUnitKind = 6;

enum class UnitSubKind : std::uint32_t { Window = 0, Control = 1, MenuItem = 2 };

constexpr std::uint32_t identifier_kind(std::uint32_t id) { return (id >> 24) & 0xF; }
constexpr UnitSubKind unit_sub_kind(std::uint32_t unit_id) { return static_cast<UnitSubKind>(unit_id >> 28); }

constexpr std::uint32_t type_library(std::uint32_t type_id) { return type_id >> 16; }
constexpr std::uint32_t type_number(std::uint32_t type_id) { return type_id & 0xFFFF; }

// The unit types this program's templates use.
inline constexpr std::uint32_t kWindowType = 0x00010001;
inline constexpr std::uint32_t kMenuItemType = 0x00010003;
inline constexpr std::uint32_t kEditBoxType = 0x00010005;
inline constexpr std::uint32_t kLabelType = 0x0001000A;
inline constexpr std::uint32_t kButtonType = 0x0001000B;
inline constexpr std::uint32_t kTimerType = 0x00010020;
inline constexpr std::uint32_t kBrowserType = 0x00030005;

// A handler entry's value before relocation is an index into the
// application's routine table; this value means "no handler". Index 0 is a
// real routine.
inline constexpr std::uint32_t kNoHandler = 0xFFFFFFFF;

// Unit record flag bits.
inline constexpr std::uint32_t kUnitVisible = 0x1;
inline constexpr std::uint32_t kUnitDisabled = 0x2;
inline constexpr std::uint32_t kUnitTabStop = 0x4;

}  // namespace quilbex::forms

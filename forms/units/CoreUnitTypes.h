#pragma once
// The data type records of library 1 (the core library) for the unit types
// this program's templates use, at their 1-based positions:
//
//   number  type        names                 state flags  properties
//   1       window      "窗口"   window        0x800000D0   32
//   3       menu item   "菜单"   Menu          0x80000040    4  (no creation routine)
//   5       edit box    "编辑框" EditBox       0x80000040   29
//   10      label       "标签"   Label         0x84012040   29
//   11      button      "按钮"   Button        0x80000840   14
//   32      timer       "时钟"   Timer         0x80008040    9
//
// Every other position up to 32 is an empty record without interface routine,
// so that a template naming it fails to load cleanly. Names and property names
// are GBK texts that live as long as the process.

#include "runtime/ProgramImage.h"

#include <cstdint>
#include <span>

namespace quilbex::forms {

inline constexpr std::uint32_t kCoreUnitTypeCount = 32;

// The 32 records, indexed by data type number - 1. Built on first call (any
// thread); the pointer stays valid for the whole process.
const rt::DataTypeRecord* core_unit_types();
std::uint32_t core_unit_type_count();

// A unit type's property table is indexed by property index, so every type
// with a window begins it with these eight (left, top, width, height, tag,
// visible, disabled, mouse pointer); its own properties start at index 8.
inline constexpr std::size_t kCommonPropertyCount = 8;
std::span<const rt::PropertyDescription, kCommonPropertyCount> common_property_descriptions();

// The record of a library-1 type identifier (0x0001nnnn), or null.
const rt::DataTypeRecord* core_unit_type(std::uint32_t type_id);

}  // namespace quilbex::forms

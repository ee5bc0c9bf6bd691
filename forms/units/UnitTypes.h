#pragma once
// The interface routines of the core library's unit types. Each answers an
// interface number with the routine that serves it (see forms/UnitInterface.h)
// or null:
//
//   type       1 create  4 changed  5 all  6 read  8 key wanted  9 keyboard  10 mnemonic
//   window     yes       yes        yes    yes     -             yes         -
//   edit box   yes       yes        yes    yes     yes           -           -
//   label      yes       yes        yes    yes     -             -           -
//   button     yes       yes        yes    yes     -             -           yes
//   timer      yes       yes        yes    yes     -             -           -

#include "runtime/ProgramImage.h"

#include <cstdint>

namespace quilbex::forms {

rt::UnitInterfaceRoutine window_unit_interface(std::uint32_t number);
rt::UnitInterfaceRoutine edit_box_unit_interface(std::uint32_t number);
rt::UnitInterfaceRoutine label_unit_interface(std::uint32_t number);
rt::UnitInterfaceRoutine button_unit_interface(std::uint32_t number);
rt::UnitInterfaceRoutine timer_unit_interface(std::uint32_t number);

}  // namespace quilbex::forms

#pragma once
// The contract between the forms runtime and a unit type. A unit type is
// found through its data type record; the record's interface routine answers
// an interface number with the routine that serves it:
//
//   number  routine                      type
//   1       create the unit              UnitCreateRoutine
//   4       a property changed           UnitPropertyChangedRoutine
//   5       all property data            UnitAllPropertiesRoutine
//   6       read one property            UnitReadPropertyRoutine
//   8       keeps a key from navigation  UnitKeyWantedRoutine
//   9       further keyboard handling    UnitKeyboardRoutine
//   10      mnemonic handling            UnitMnemonicRoutine
//
// A type that answers 1 with null cannot be created. Unit property numbers
// are property index - 8 (the first property of the unit's own kind is 0).

#include "platform/ui/Types.h"
#include "runtime/ProgramImage.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quilbex::forms {

// A unit's framework window object: the runtime's handle on a live unit. The
// object belongs to its window: it is deleted when its window is destroyed,
// after it has reported the unit destroyed (notification 2000).
class UnitObject {
public:
    virtual ~UnitObject() = default;

    ui::HWND hwnd() const { return m_hwnd; }
    std::uint32_t window_id() const { return m_window_id; }
    std::uint32_t unit_id() const { return m_unit_id; }

protected:
    UnitObject(std::uint32_t window_id, std::uint32_t unit_id) : m_window_id(window_id), m_unit_id(unit_id) {}
    ui::HWND m_hwnd = nullptr;

private:
    std::uint32_t m_window_id;
    std::uint32_t m_unit_id;
};

// The fourteen arguments of a creation routine.
struct UnitCreateArgs {
    const std::uint8_t* block = nullptr;  // the unit's property block, private to its type
    std::uint32_t block_length = 0;
    ui::DWORD extra_style = 0;  // WS_DISABLED, WS_TABSTOP, WS_VISIBLE from the template flags
    ui::HWND parent = nullptr;  // parent window, or the owner of a top-level window
    ui::UINT control_id = 0;
    ui::HMENU menu = nullptr;
    int left = 0, top = 0, width = 0, height = 0;
    std::uint32_t window_id = 0;
    std::uint32_t unit_id = 0;
    std::int32_t design_mode = 0;  // always 0 in a running program
    std::int32_t child = 0;  // 0 for every window of this program
    bool modal = false;  // the runtime-wide setting while a window is created
};

// A property value as the property services hand it to a unit and back. Texts
// are GBK bytes (empty = the empty text); byte data is raw bytes.
struct PropertyValue {
    std::uint64_t number = 0;  // integers, logicals, colours, choices
    std::string bytes;  // texts, byte sets, pictures, fonts
    bool is_bytes = false;

    static PropertyValue of_number(std::uint64_t value) { return {value, {}, false}; }
    static PropertyValue of_bytes(std::string value) { return {0, std::move(value), true}; }
};

using UnitCreateRoutine = UnitObject* (*)(const UnitCreateArgs& args);
using UnitPropertyChangedRoutine = void (*)(UnitObject* unit, int number, const PropertyValue& value);
using UnitAllPropertiesRoutine = std::vector<std::uint8_t> (*)(UnitObject* unit);
using UnitReadPropertyRoutine = PropertyValue (*)(UnitObject* unit, int number);
using UnitKeyWantedRoutine = bool (*)(UnitObject* unit, int key);
using UnitKeyboardRoutine = bool (*)(UnitObject* unit, const ui::MSG& message);
using UnitMnemonicRoutine = bool (*)(UnitObject* unit, char key);

inline constexpr std::uint32_t kInterfaceCreate = 1;
inline constexpr std::uint32_t kInterfacePropertyChanged = 4;
inline constexpr std::uint32_t kInterfaceAllProperties = 5;
inline constexpr std::uint32_t kInterfaceReadProperty = 6;
inline constexpr std::uint32_t kInterfaceKeyWanted = 8;
inline constexpr std::uint32_t kInterfaceKeyboard = 9;
inline constexpr std::uint32_t kInterfaceMnemonic = 10;

// The routine for an interface number of a data type, cast to its type; null
// when the type has no interface routine or does not serve the number.
template <typename Routine> Routine unit_routine(const rt::DataTypeRecord* type, std::uint32_t number) {
    if (!type || !type->interfaceRoutine)
        return nullptr;
    return reinterpret_cast<Routine>(type->interfaceRoutine(number));
}

// Property data kinds of a property description.
enum PropertyKind : std::uint16_t {
    kKindInteger = 1001,
    kKindLong = 1002,
    kKindLogical = 1003,
    kKindLong2 = 1004,
    kKindText = 1005,
    kKindChoice = 1006,
    kKindPicture = 1009,
    kKindPicture2 = 1010,
    kKindMousePointer = 1011,
    kKindBytes = 1012,
    kKindFont = 1013,
    kKindColour = 1014,
    kKindColour2 = 1015,
    kKindInteger2 = 1017,
    kKindBytes2 = 1023,
    kKindBytes3 = 1024,
};

}  // namespace quilbex::forms

#pragma once
// The program image: the header the runtime reads at start-up, the library
// table with its information and data type records, and the routine types
// that the image refers to. Records that hold pointers keep their documented
// field order with pointer-sized fields; 32-bit fields stay 32-bit.

#include "runtime/ArgRecord.h"

#include <array>
#include <cstdint>

namespace quilbex::rt {

// What an application routine (an event handler) returns: a flag that it
// returned a value, and the value.
struct HandlerResult {
    bool hasValue = false;
    std::int64_t value = 0;
};

// The arguments of a handler call: up to 12 values (32-bit arguments in the low
// half; 8-byte arguments whole), in order.
struct HandlerCall {
    int argc = 0;
    std::array<std::uint64_t, 12> args{};
};

using ApplicationRoutine = HandlerResult (*)(const HandlerCall& call);

// An exit callback receives its 0-based position in the list.
using ExitCallback = void (*)(int position);

// The runtime's notification entry, as libraries receive it.
using RuntimeNotify = std::int64_t (*)(std::uint32_t code, std::uintptr_t arg1, std::uintptr_t arg2);

// A library's notification routine: code 1 at start-up (arg1 = the runtime's
// notification entry), code 6 at the end (arg1 = the library's value).
using LibraryNotify = std::int32_t (*)(std::uint32_t code, std::uintptr_t arg1, std::uintptr_t arg2);

// A unit type's interface routine: the routine that serves an interface
// number (1 creation, 4 property changed, 5 all properties, 6 property read,
// 8 key wanted, 9 keyboard), or null. Callers cast it to that routine's type.
using UnitInterfaceRoutine = void (*)();
using UnitInterface = UnitInterfaceRoutine (*)(std::uint32_t number);

// Property description (20 bytes on the original platform).
struct PropertyDescription {
    const char* name;
    const char* englishName;
    const char* description;
    std::uint16_t dataKind;
    std::uint16_t stateFlags;
    const char* choices;
};

// Data type record (56 bytes on the original platform: 14 fields).
struct DataTypeRecord {
    const char* name;
    const char* englishName;
    const char* description;
    std::uint32_t commandCount;
    const void* commands;
    std::uint32_t stateFlags;
    std::uint32_t bitmapResource;
    std::uint32_t eventCount;
    const void* events;
    std::uint32_t propertyCount;
    const PropertyDescription* properties;
    UnitInterface interfaceRoutine;
    std::uint32_t memberCount;
    const void* members;
};

// State flags of a data type record that the runtime reads.
inline constexpr std::uint32_t kTypeFlagUnitA = 0x4;
inline constexpr std::uint32_t kTypeFlagUnitB = 0x40;
inline constexpr std::uint32_t kTypeFlagContainer = 0x100;
inline constexpr std::uint32_t kTypeFlagNoWindow = 0x8000;

inline constexpr std::uint32_t kLibraryFormatMark = 20000101;  // 0x01312D65

// Library information record (144 bytes on the original platform). Fields the
// program does not use are zero.
struct LibraryInfo {
    std::uint32_t formatMark = kLibraryFormatMark;  // 0x00
    const char* identifier = nullptr;  // 0x04
    std::uint32_t majorVersion = 0, minorVersion = 0, buildNumber = 0;  // 0x08
    std::uint32_t requiredRuntimeMajor = 0, requiredRuntimeMinor = 0;  // 0x14
    std::uint32_t requiredCoreMajor = 0, requiredCoreMinor = 0;  // 0x1C
    const char* displayName = nullptr;  // 0x24
    std::uint32_t language = 1;  // 0x28
    std::uint32_t reserved2C = 0;  // 0x2C
    std::uint32_t stateFlags = 0;  // 0x30
    std::array<std::uint32_t, 8> reserved34{};  // 0x34
    std::uint32_t dataTypeCount = 0;  // 0x54
    const DataTypeRecord* dataTypes = nullptr;  // 0x58
    std::array<std::uint32_t, 2> reserved5C{};  // 0x5C
    std::uint32_t commandCount = 0;  // 0x64
    std::uint32_t reserved68 = 0;  // 0x68
    const CommandRoutine* commands = nullptr;  // 0x6C
    std::array<std::uint32_t, 2> reserved70{};  // 0x70
    LibraryNotify notify = nullptr;  // 0x78
    std::array<std::uint32_t, 5> reserved7C{};  // 0x7C
};

// The program header: one fixed record of the application, found at link time.
struct ProgramHeader {
    std::uint32_t runMode;  // 0x00
    std::uint32_t reservedA;  // 0x04
    std::uint32_t reservedB;  // 0x08
    const ApplicationRoutine* handlerBase;  // 0x0C: the application's routine table
    const unsigned char* constStart;  // 0x10
    std::uint32_t constLength;  // 0x14
    const unsigned char* templateStart;  // 0x18
    std::uint32_t templateLength;  // 0x1C
    std::uint32_t libraryCount;  // 0x20
    const LibraryInfo* const* libraries;  // 0x24
    std::uint32_t dllCommandCount;  // 0x28
    const char* const* dllLibraryNames;  // 0x2C
    const char* const* dllFunctionNames;  // 0x30
    // Number of entries at handlerBase. Not in the original image: the
    // template reader checks every handler offset against it, so that
    // damaged template data cannot make a handler point outside the table.
    std::uint32_t handlerCount;  // 0x34
};

// A handler offset in the window templates is an index into the routine table
// at handlerBase; 0xFFFFFFFF means no handler. After loading, a handler is the
// address of its table entry (null = none), so offset 0 is a real handler.
inline constexpr std::uint32_t kNoHandlerOffset = 0xFFFFFFFF;

// Returns false for an offset outside the routine table.
inline bool relocate_handler(const ProgramHeader& header, std::uint32_t offset, const ApplicationRoutine*& handler) {
    if (offset == kNoHandlerOffset) {
        handler = nullptr;
        return true;
    }
    if (!header.handlerBase || offset >= header.handlerCount)
        return false;
    handler = header.handlerBase + offset;
    return true;
}

// Window and unit identifiers: bits 24 to 27 hold the kind.
constexpr std::uint32_t identifier_kind(std::uint32_t id) { return (id >> 24) & 0xF; }
constexpr bool is_window_identifier(std::uint32_t id) { return identifier_kind(id) == 2; }

}  // namespace quilbex::rt

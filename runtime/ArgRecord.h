#pragma once
// The argument record through which every library command is called, and the
// type codes it carries.
//
// A record is 12 bytes: value low, value high, type code. 32-bit values use the
// low half; 64-bit values (long integers, doubles, date-times) use both. On
// this platform a pointer is 64 bits wide and travels in both halves.

#include <cstdint>
#include <cstring>

namespace quilbex::rt {

enum TypeCode : std::uint32_t {
    kTypeNone = 0,  // omitted argument, or no result
    kTypeByte = 0x80000101,  // 8-bit unsigned
    kTypeShort = 0x80000201,  // 16-bit signed
    kTypeInt = 0x80000301,  // 32-bit signed
    kTypeLong = 0x80000401,  // 64-bit signed
    kTypeFloat = 0x80000501,  // IEEE single
    kTypeDouble = 0x80000601,  // IEEE double
    kTypeBool = 0x80000002,  // 0 false, anything else true
    kTypeDateTime = 0x80000003,  // OLE automation date (double)
    kTypeText = 0x80000004,  // zero-terminated GBK text, null = empty
    kTypeByteSet = 0x80000005,  // byte-set block, null = empty
    kTypeSubroutine = 0x80000006,  // address of an application routine
    kTypeEightByte = 0x80000008,  // a further 8-byte type, passed by value
    kTypeWindowReference = 0x00010001  // a window unit passed as an argument
};

// Added to a type code: the value is a variable's address (by reference), or,
// for an array argument, the address of the array block.
inline constexpr std::uint32_t kByReference = 0x20000000;

// The element size of a numeric type, 0 for any other type.
constexpr std::size_t numeric_size(std::uint32_t type) {
    switch (type & ~kByReference) {
    case kTypeByte: return 1;
    case kTypeShort: return 2;
    case kTypeInt: return 4;
    case kTypeLong: return 8;
    case kTypeFloat: return 4;
    case kTypeDouble: return 8;
    default: return 0;
    }
}

constexpr bool is_numeric(std::uint32_t type) { return (type & kByReference) == 0 && numeric_size(type) != 0; }

struct ArgRecord {
    std::uint32_t low = 0;
    std::uint32_t high = 0;
    std::uint32_t type = kTypeNone;

    bool omitted() const { return type == kTypeNone; }

    std::uint64_t bits() const { return (static_cast<std::uint64_t>(high) << 32) | low; }
    void set_bits(std::uint64_t value) {
        low = static_cast<std::uint32_t>(value);
        high = static_cast<std::uint32_t>(value >> 32);
    }

    std::int32_t as_int() const { return static_cast<std::int32_t>(low); }
    std::int64_t as_long() const { return static_cast<std::int64_t>(bits()); }
    double as_double() const {
        double value;
        std::uint64_t raw = bits();
        std::memcpy(&value, &raw, sizeof value);
        return value;
    }
    float as_float() const {
        float value;
        std::memcpy(&value, &low, sizeof value);
        return value;
    }
    void* pointer() const { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(bits())); }
    const char* text() const { return static_cast<const char*>(pointer()); }

    static ArgRecord of_int(std::int32_t value, std::uint32_t type = kTypeInt) {
        ArgRecord r;
        r.low = static_cast<std::uint32_t>(value);
        r.type = type;
        return r;
    }
    static ArgRecord of_bool(bool value) { return of_int(value ? 1 : 0, kTypeBool); }
    static ArgRecord of_long(std::int64_t value, std::uint32_t type = kTypeLong) {
        ArgRecord r;
        r.set_bits(static_cast<std::uint64_t>(value));
        r.type = type;
        return r;
    }
    static ArgRecord of_double(double value, std::uint32_t type = kTypeDouble) {
        std::uint64_t raw;
        std::memcpy(&raw, &value, sizeof raw);
        ArgRecord r;
        r.set_bits(raw);
        r.type = type;
        return r;
    }
    static ArgRecord of_float(float value) {
        ArgRecord r;
        std::memcpy(&r.low, &value, sizeof value);
        r.type = kTypeFloat;
        return r;
    }
    static ArgRecord of_pointer(const void* value, std::uint32_t type) {
        ArgRecord r;
        r.set_bits(static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(value)));
        r.type = type;
        return r;
    }
    // A unit passed as an argument: window identifier, unit identifier, and the
    // unit's type identifier as the type code.
    static ArgRecord of_unit(std::uint32_t window_id, std::uint32_t unit_id, std::uint32_t unit_type) {
        ArgRecord r;
        r.low = window_id;
        r.high = unit_id;
        r.type = unit_type;
        return r;
    }
};
static_assert(sizeof(ArgRecord) == 12, "the argument record is 12 bytes");

// Every library command has this one form: it fills *result (left zero when it
// has no result) from argc records starting at args.
using CommandRoutine = void (*)(ArgRecord* result, int argc, ArgRecord* args);

}  // namespace quilbex::rt

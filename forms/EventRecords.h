#pragma once
// The records through which units raise events (notifications 2008 and 2031).

#include "forms/UnitInterface.h"

#include <cstddef>
#include <cstdint>

namespace quilbex::forms {

#pragma pack(push, 4)
struct EventRecord {
    std::uint32_t window_id;
    std::uint32_t unit_id;  // 0 or the window's own record for an event of the window
    std::int32_t event;
    std::uint32_t argc;  // 0 to 5
    std::uint32_t args[5];
    std::uint32_t has_result;
    std::uint32_t result;
};

struct TypedArgument {
    std::uint32_t low;
    std::uint32_t high;
    std::uint32_t type;
    std::uint32_t flags;  // bit 0: an address (low half only); bit 1: both halves
};

struct TypedCallRecord {
    std::uint32_t window_id;
    std::uint32_t unit_id;
    std::int32_t event;
    std::uint32_t argc;  // 0 to 12
    TypedArgument args[12];
    std::uint32_t has_result;
    std::int64_t result;
};
#pragma pack(pop)

// The request of notification 2005: load a window with an optional parent
// (its framework object) and a modal flag.
struct LoadRequest {
    std::uint32_t window_id;
    UnitObject* parent;
    std::uint32_t modal;
};

static_assert(sizeof(EventRecord) == 0x2C);
static_assert(offsetof(TypedCallRecord, has_result) == 0xD0);
static_assert(offsetof(TypedCallRecord, result) == 0xD4);

}  // namespace quilbex::forms

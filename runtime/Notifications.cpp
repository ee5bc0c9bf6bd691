#include "runtime/Notifications.h"

#include "runtime/ArgRecord.h"
#include "runtime/CallFrame.h"
#include "runtime/ErrorReport.h"
#include "runtime/Exit.h"
#include "runtime/Memory.h"
#include "runtime/RuntimeApp.h"
#include "runtime/WindowHost.h"

namespace quilbex::rt {

inline constexpr std::int64_t kRuntimeInterfaceVersion = 0x70005;

const DataTypeRecord* data_type_record(std::uint32_t type_id) {
    auto& libraries = runtime_app().libraries;
    std::uint32_t library = type_id >> 16;
    std::uint32_t type = type_id & 0xFFFF;
    if (library == 0 || library > libraries.size() || type == 0)
        return nullptr;
    const LibraryInfo* info = libraries[library - 1];
    if (!info || !info->dataTypes || type > info->dataTypeCount)
        return nullptr;
    return &info->dataTypes[type - 1];
}

namespace {

std::int64_t pointer_result(const void* pointer) {
    return static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(pointer));
}

std::int64_t program_path_text(std::uintptr_t which) {
    auto& app = runtime_app();
    if (which == 1 || which == 2001)
        return pointer_result(make_text(app.programDir + "/"));
    if (which == 2002)
        return pointer_result(make_text(app.programFile));
    return 0;
}

std::int64_t data_type_kind(std::uint32_t type_id) {
    const DataTypeRecord* record = data_type_record(type_id);
    if (!record)
        return 0;
    if (record->stateFlags & kTypeFlagUnitA)
        return 2;
    if (record->stateFlags & kTypeFlagUnitB)
        return 1;
    return 0;
}

}  // namespace

std::int64_t runtime_notify(std::uint32_t code, std::uintptr_t arg1, std::uintptr_t arg2) {
    auto& app = runtime_app();
    switch (code) {
    case 1002: return pointer_result(data_type_record(static_cast<std::uint32_t>(arg1)));
    case 1005: return kRuntimeInterfaceVersion;
    case 1006: return program_path_text(arg1);
    case 2001: return convert_to_int32(*reinterpret_cast<const ArgRecord*>(arg1));
    case 2003: return pointer_result(app.programDir.c_str());
    case 2004: return pointer_result(app.programFile.c_str());
    case 2024: return pointer_result(arg2 ? allocate_quietly(arg1) : allocate(arg1));
    case 2025: release(reinterpret_cast<void*>(arg1)); return 0;
    case 2026: return pointer_result(resize(reinterpret_cast<void*>(arg1), arg2));
    case 2027: report_runtime_error(reinterpret_cast<const char*>(arg1), 0, 0, 0);
    case 2028: exit_process(static_cast<std::uint32_t>(arg1));
    case 2029: return data_type_kind(static_cast<std::uint32_t>(arg1));
    case 2030: return app.runMode;
    default: break;
    }
    bool handled = true;
    std::int64_t result = window_host().notify(code, arg1, arg2, handled);
    return handled ? result : 0;
}

}  // namespace quilbex::rt

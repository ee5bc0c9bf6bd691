#include "commands/com/ComLibrary.h"

#include "commands/com/ComCommands.h"
#include "platform/ado/Stream.h"
#include "platform/com/Ole32Library.h"
#include "platform/script/ScriptControl.h"

#include <array>
#include <mutex>

namespace quilbex::commands {
namespace {

#define QUILBEX_COMMAND(name)                                                                                          \
    CommandEntry { #name, &lib::name }

constexpr std::array kComCommands = {
    QUILBEX_COMMAND(object_create),       QUILBEX_COMMAND(object_clear),       QUILBEX_COMMAND(object_is_empty),
    QUILBEX_COMMAND(object_copy),         QUILBEX_COMMAND(object_call),        QUILBEX_COMMAND(object_call_variant),
    QUILBEX_COMMAND(object_call_text),    QUILBEX_COMMAND(object_call_double), QUILBEX_COMMAND(object_call_bool),
    QUILBEX_COMMAND(object_set_property), QUILBEX_COMMAND(variant_clear),      QUILBEX_COMMAND(variant_set_type),
    QUILBEX_COMMAND(variant_to_bytes),    QUILBEX_COMMAND(variant_assign),     QUILBEX_COMMAND(variant_create_array),
};

#undef QUILBEX_COMMAND

constexpr auto kComRoutines = [] {
    std::array<rt::CommandRoutine, kComCommands.size()> routines{};
    for (std::size_t i = 0; i < kComCommands.size(); ++i)
        routines[i] = kComCommands[i].routine;
    return routines;
}();

// A program that lists these commands links this file, and with it the
// registration, before its first DLL command binds "ole32.dll".
const bool kRegisteredAtStart = (register_automation(), true);

}  // namespace

void register_automation() {
    static std::once_flag once;
    std::call_once(once, [] {
        com::register_ole32_library();
        script::register_script_control_class();
        ado::register_stream_class();
    });
}

std::span<const CommandEntry> com_commands() {
    (void)kRegisteredAtStart;
    return kComCommands;
}

std::span<const rt::CommandRoutine> com_command_routines() { return kComRoutines; }

rt::CommandRoutine find_com_command(std::string_view name) {
    for (const CommandEntry& entry : kComCommands)
        if (entry.name == name)
            return entry.routine;
    return nullptr;
}

}  // namespace quilbex::commands

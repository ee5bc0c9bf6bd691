#include "commands/CoreLibrary.h"

#include "commands/files/FileCommands.h"
#include "commands/numbers/NumberCommands.h"
#include "commands/text/TextCommands.h"
#include "commands/threads/ThreadCommands.h"

#include <array>

namespace quilbex::commands {
namespace {

#define QUILBEX_COMMAND(name)                                                                                          \
    CommandEntry { #name, &lib::name }

constexpr std::array kCoreCommands = {
    QUILBEX_COMMAND(length_of_text), QUILBEX_COMMAND(left_text),
    QUILBEX_COMMAND(right_text),     QUILBEX_COMMAND(mid_text),
    QUILBEX_COMMAND(char_from_code), QUILBEX_COMMAND(char_code),
    QUILBEX_COMMAND(find_text),      QUILBEX_COMMAND(find_text_reverse),
    QUILBEX_COMMAND(to_upper),       QUILBEX_COMMAND(to_lower),
    QUILBEX_COMMAND(trim_spaces),    QUILBEX_COMMAND(replace_text),
    QUILBEX_COMMAND(split_text),     QUILBEX_COMMAND(space_text),
    QUILBEX_COMMAND(starts_with),    QUILBEX_COMMAND(to_integer),
    QUILBEX_COMMAND(to_text),        QUILBEX_COMMAND(to_hex_text),
    QUILBEX_COMMAND(bit_or),         QUILBEX_COMMAND(bit_and),
    QUILBEX_COMMAND(bit_xor),        QUILBEX_COMMAND(current_time),
    QUILBEX_COMMAND(delay),          QUILBEX_COMMAND(byte_set_length),
    QUILBEX_COMMAND(to_byte_set),    QUILBEX_COMMAND(left_bytes),
    QUILBEX_COMMAND(mid_bytes),      QUILBEX_COMMAND(replace_bytes),
    QUILBEX_COMMAND(zero_bytes),     QUILBEX_COMMAND(file_exists),
    QUILBEX_COMMAND(write_file),     QUILBEX_COMMAND(run_directory),
    QUILBEX_COMMAND(read_config),    QUILBEX_COMMAND(write_config),
};

constexpr std::array kThreadCommands = {QUILBEX_COMMAND(start_thread)};

#undef QUILBEX_COMMAND

template <std::size_t N>
constexpr std::array<rt::CommandRoutine, N> routines_of(const std::array<CommandEntry, N>& table) {
    std::array<rt::CommandRoutine, N> routines{};
    for (std::size_t i = 0; i < N; ++i)
        routines[i] = table[i].routine;
    return routines;
}

constexpr auto kCoreRoutines = routines_of(kCoreCommands);
constexpr auto kThreadRoutines = routines_of(kThreadCommands);

}  // namespace

std::span<const rt::CommandRoutine> core_command_routines() { return kCoreRoutines; }

std::span<const rt::CommandRoutine> thread_command_routines() { return kThreadRoutines; }

std::span<const CommandEntry> core_commands() { return kCoreCommands; }

std::span<const CommandEntry> thread_commands() { return kThreadCommands; }

rt::LibraryNotify thread_library_notification() { return &lib::thread_library_notify; }

rt::CommandRoutine find_command(std::string_view name) {
    for (auto table : {core_commands(), thread_commands()})
        for (const CommandEntry& entry : table)
            if (entry.name == name)
                return entry.routine;
    return nullptr;
}

}  // namespace quilbex::commands

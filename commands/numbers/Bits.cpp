// bit_or and its sister routines: one fold over the low 32 bits of every
// argument; with fewer than two arguments, the first argument itself.

#include "commands/Arguments.h"
#include "commands/numbers/NumberCommands.h"

namespace quilbex::commands::lib {
namespace {

template <typename Op> void fold_bits(rt::ArgRecord* result, int argc, rt::ArgRecord* args, Op op) {
    std::uint32_t value = argument(argc, args, 0).low;
    for (int i = 1; i < argc; ++i)
        value = op(value, args[i].low);
    set_int(result, static_cast<std::int32_t>(value));
}

}  // namespace

void bit_or(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    fold_bits(result, argc, args, [](std::uint32_t a, std::uint32_t b) { return a | b; });
}

void bit_and(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    fold_bits(result, argc, args, [](std::uint32_t a, std::uint32_t b) { return a & b; });
}

void bit_xor(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    fold_bits(result, argc, args, [](std::uint32_t a, std::uint32_t b) { return a ^ b; });
}

}  // namespace quilbex::commands::lib

#include "runtime/DefaultIcon.h"

namespace quilbex::rt {
namespace {

std::vector<std::uint8_t>& stored() {
    static std::vector<std::uint8_t> icon;
    return icon;
}

}  // namespace

void set_default_icon(std::vector<std::uint8_t> ico) { stored() = std::move(ico); }

std::span<const std::uint8_t> default_icon() { return stored(); }

}  // namespace quilbex::rt

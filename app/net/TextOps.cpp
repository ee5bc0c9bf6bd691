#include "app/net/TextOps.h"

#include <cstring>

namespace quilbex::app {

Text cut_between(const char* text, const char* left, const char* right, bool ignore_case) {
    std::int32_t p = commands::find_text(text, left, std::nullopt, ignore_case);
    if (p < 1)
        return Text();
    std::int32_t q = p + static_cast<std::int32_t>(std::strlen(left ? left : ""));
    std::int32_t r = commands::find_text(text, right, q, ignore_case);
    if (r < 1)
        return Text();
    return commands::mid_text(text, q, r - q);
}

}  // namespace quilbex::app

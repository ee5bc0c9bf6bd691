// find_text and find_text_reverse: one search with a direction.

#include "commands/Arguments.h"
#include "commands/text/GbkScan.h"
#include "commands/text/TextCommands.h"

#include <algorithm>

namespace quilbex::commands::lib {
namespace {

enum class Direction { Forward, Reverse };

std::int32_t search(int argc, rt::ArgRecord* args, Direction direction) {
    std::string_view text = text_of(argument(argc, args, 0));
    std::string_view needle = text_of(argument(argc, args, 1));
    auto position = optional_int(argc, args, 2);
    rt::ArgRecord ignore = argument(argc, args, 3);
    LetterCase letter_case = (!ignore.omitted() && ignore.low == 1) ? LetterCase::Ignore : LetterCase::Exact;

    const std::size_t length = text.size();
    const std::size_t b = position ? static_cast<std::size_t>(std::max<std::int64_t>(std::int64_t{*position} - 1, 0))
                                   : (direction == Direction::Forward ? 0 : length);
    // The region searched: [begin, end).
    std::size_t begin = 0, end = 0;
    if (direction == Direction::Forward) {
        begin = std::min(b, length);
        end = length;
    } else {
        end = std::min(b, length);
    }
    if (begin >= end)
        return -1;
    if (needle.empty())
        return 1;

    Matcher matcher(text.data(), end, needle, letter_case);
    std::size_t hit = matcher.next(begin);
    if (direction == Direction::Forward)
        return hit == Matcher::npos ? -1 : static_cast<std::int32_t>(hit + 1);

    std::int32_t last = -1;
    while (hit != Matcher::npos) {
        last = static_cast<std::int32_t>(hit + 1);
        // The walk steps on from the match: over two bytes at a lead byte,
        // ending where that lead byte stands last in the text.
        std::size_t step = is_lead_byte(text[hit]) ? 2 : 1;
        if (step == 2 && hit + 1 == length)
            break;
        hit = matcher.next(hit + step);
    }
    return last;
}

}  // namespace

void find_text(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    set_int(result, search(argc, args, Direction::Forward));
}

void find_text_reverse(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    set_int(result, search(argc, args, Direction::Reverse));
}

}  // namespace quilbex::commands::lib

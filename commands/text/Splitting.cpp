// split_text: cuts a text at every delimiter into an array of texts.

#include "commands/Arguments.h"
#include "commands/text/GbkScan.h"
#include "commands/text/TextCommands.h"
#include "runtime/Memory.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace quilbex::commands::lib {
namespace {

// One block: dimension count 1, element count n, then n text pointers, each
// owned by the block's owner (null for an empty element).
void set_text_array(rt::ArgRecord* result, const std::vector<std::string_view>& pieces) {
    std::size_t n = pieces.size();
    auto* block = static_cast<unsigned char*>(rt::allocate(8 + n * sizeof(char*)));
    std::uint32_t header[2] = {1, static_cast<std::uint32_t>(n)};
    std::memcpy(block, header, sizeof header);
    for (std::size_t i = 0; i < n; ++i) {
        char* element = rt::make_text(pieces[i]);
        std::memcpy(block + 8 + i * sizeof(char*), &element, sizeof element);
    }
    *result = rt::ArgRecord::of_pointer(block, rt::kTypeText | rt::kByReference);
}

}  // namespace

void split_text(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    std::string_view text = text_of(argument(argc, args, 0));
    rt::ArgRecord delimiter_arg = argument(argc, args, 1);
    std::string_view delimiter = delimiter_arg.omitted() ? std::string_view(",") : text_of(delimiter_arg);
    auto maximum_arg = optional_int(argc, args, 2);
    std::int64_t maximum = maximum_arg ? std::max<std::int32_t>(*maximum_arg, 0) : -1;

    std::vector<std::string_view> pieces;
    if (text.empty() || maximum == 0)
        return set_text_array(result, pieces);
    if (delimiter.empty()) {
        pieces.push_back(text);
        return set_text_array(result, pieces);
    }

    Matcher matcher(text.data(), text.size(), delimiter, LetterCase::Exact);
    std::size_t piece = 0;
    for (;;) {
        std::size_t hit = matcher.next(piece);
        if (hit == Matcher::npos)
            break;
        pieces.push_back(text.substr(piece, hit - piece));
        piece = hit + delimiter.size();
        if (maximum > 0 && --maximum == 0)
            break;
    }
    if (piece < text.size() && maximum != 0)
        pieces.push_back(text.substr(piece));
    set_text_array(result, pieces);
}

}  // namespace quilbex::commands::lib

// Letter case and trimming: walks that leave two-byte characters alone.

#include "commands/Arguments.h"
#include "commands/text/GbkScan.h"
#include "commands/text/TextCommands.h"

#include <string>

namespace quilbex::commands::lib {
namespace {

enum class Case { Upper, Lower };

void change_case(rt::ArgRecord* result, int argc, rt::ArgRecord* args, Case target) {
    std::string text(text_of(argument(argc, args, 0)));
    const char from = target == Case::Upper ? 'a' : 'A';
    const char to = target == Case::Upper ? 'z' : 'Z';
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (is_lead_byte(c)) {
            if (i + 1 == text.size())
                break;  // a lead byte standing last ends the walk
            ++i;
        } else if (c >= from && c <= to) {
            text[i] = static_cast<char>(target == Case::Upper ? c - 32 : c + 32);
        }
    }
    set_text(result, text);
}

// The length of the space at i: 1 for an ASCII space, 2 for the full-width
// space (0xA1 0xA1), 0 for anything else.
std::size_t space_at(std::string_view text, std::size_t i) {
    if (text[i] == ' ')
        return 1;
    if (i + 1 < text.size() && text[i] == '\xA1' && text[i + 1] == '\xA1')
        return 2;
    return 0;
}

}  // namespace

void to_upper(rt::ArgRecord* result, int argc, rt::ArgRecord* args) { change_case(result, argc, args, Case::Upper); }

void to_lower(rt::ArgRecord* result, int argc, rt::ArgRecord* args) { change_case(result, argc, args, Case::Lower); }

void trim_spaces(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    std::string_view text = text_of(argument(argc, args, 0));
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t n = space_at(text, begin);
        if (n == 0)
            break;
        begin += n;
    }
    // Walk on to the end, remembering where the last run of spaces began.
    std::size_t end = text.size();
    std::size_t run = std::string_view::npos;
    for (std::size_t i = begin; i < text.size();) {
        if (std::size_t n = space_at(text, i)) {
            if (run == std::string_view::npos)
                run = i;
            i += n;
            continue;
        }
        run = std::string_view::npos;
        if (is_lead_byte(text[i])) {
            if (i + 1 == text.size()) {
                end = i;  // a lead byte standing last is cut off
                break;
            }
            i += 2;
        } else {
            i += 1;
        }
    }
    if (run != std::string_view::npos)
        end = run;
    set_text(result, text.substr(begin, end - begin));
}

}  // namespace quilbex::commands::lib

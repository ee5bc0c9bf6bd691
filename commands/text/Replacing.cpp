// replace_text: one walk that copies the text and substitutes matches.

#include "commands/Arguments.h"
#include "commands/text/GbkScan.h"
#include "commands/text/TextBuilder.h"
#include "commands/text/TextCommands.h"

#include <algorithm>
#include <string>

namespace quilbex::commands::lib {

void replace_text(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    std::string_view text = text_of(argument(argc, args, 0));
    std::string_view needle = text_of(argument(argc, args, 1));
    std::string_view replacement = text_of(argument(argc, args, 2));
    auto start = optional_int(argc, args, 3);
    auto count_arg = optional_int(argc, args, 4);
    rt::ArgRecord case_sensitive = argument(argc, args, 5);

    const std::size_t b = start ? static_cast<std::size_t>(std::max<std::int64_t>(std::int64_t{*start} - 1, 0)) : 0;
    std::int64_t count = count_arg ? *count_arg : -1;
    LetterCase letter_case =
        (case_sensitive.omitted() || case_sensitive.low == 0) ? LetterCase::Ignore : LetterCase::Exact;
    if (text.empty() || needle.empty() || b >= text.size() || count == 0)
        return set_text(result, text);

    TextBuilder out(text.size() + (replacement.size() > needle.size() ? text.size() / 4 : 0));
    out.append(text.substr(0, b));
    Matcher matcher(text.data(), text.size(), needle, letter_case);
    std::size_t pos = b;  // where the walk stands; everything before it is in `out`
    bool stopped_by_count = false;
    for (;;) {
        std::size_t hit = matcher.next(pos);
        if (hit == Matcher::npos)
            break;
        out.append(text.substr(pos, hit - pos));
        out.append(replacement);
        pos = hit + needle.size();
        if (count == 1) {
            stopped_by_count = true;
            break;
        }
        if (count != -1)
            --count;
    }
    // The walk went on while as many bytes remained as the search text is
    // long. With a one-byte search text it reached the last byte: a lead
    // byte standing there (a cut character) is dropped.
    std::string_view rest = text.substr(pos);
    if (needle.size() == 1 && !stopped_by_count && !rest.empty() && is_lead_byte(rest.back())) {
        // Only when the walk itself reaches that byte: it stands there when the
        // bytes before it, from the walk's position, pair up.
        std::size_t i = pos;
        while (i + 1 < text.size())
            i += is_lead_byte(text[i]) ? 2 : 1;
        if (i == text.size() - 1)
            rest.remove_suffix(1);
    }
    out.append(rest);
    *result = rt::ArgRecord::of_pointer(out.release(), rt::kTypeText);
}

}  // namespace quilbex::commands::lib

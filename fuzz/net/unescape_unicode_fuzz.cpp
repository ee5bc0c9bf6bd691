// unescape_unicode on arbitrary texts: no crash, no hang and no script run
// from the text. A text of letters, digits and spaces has nothing to unescape
// and comes back as it was.
#include "app/net/TextHelpers.h"
#include "fuzz/commands/FuzzInput.h"

#include <cctype>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quilbex;
    fuzzing::TextCase input;
    if (!fuzzing::parse(data, size, input))
        return 0;
    const std::string& text = input.texts[0];
    std::string result = fuzzing::as_string(app::unescape_unicode(text.c_str()));
    bool plain = true;
    for (unsigned char c : text)
        plain = plain && (std::isalnum(c) || c == ' ');
    if (plain)
        fuzzing::check_equal(result, text, input, "unescape_unicode of plain text");
    return 0;
}

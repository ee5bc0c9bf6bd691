// unescape_unicode on arbitrary texts and on texts built from the pieces that
// once broke it (high bytes next to quotes and backslashes, line breaks,
// escapes). Nothing may reach the output that is not in the input's decoding:
// every character of the result is a character of the input read as GBK, the
// value of an escape in it, the replacement mark, or the "%" that "\u" is
// read as; otherwise the result is
// exactly the documented fallback (the bytes read as UTF-16). A text of
// letters, digits and spaces comes back as it was.
#include "app/net/TextHelpers.h"
#include "fuzz/commands/FuzzInput.h"
#include "platform/com/Iconv.h"
#include "runtime/Blocks.h"
#include "runtime/Memory.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <set>
#include <string>

namespace {

using namespace quilbex;

// With flag set, each byte of the text picks one of these pieces.
const char* const kPieces[] = {"'", "\\", "\"", "\x81", "\xd6\xd0", "\xe6\x8a\xbd", "\\u", "%u", "%", "4e2d", "00",
                               "27", "\r\n", "\n", "\r", "}//", "return ", "\x95\\", "\xff", "a",
                               // read as script, these would make characters the input lacks
                               "x41", "n", "'+String.fromCharCode(9731)+'"};

int hex_value(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// Every character of the decoded input and every value that two or four hex
// digits after any position could spell.
std::set<char16_t> allowed_characters(const std::u16string& in) {
    std::set<char16_t> allowed(in.begin(), in.end());
    allowed.insert(u'?');
    allowed.insert(u'\uFFFD');
    if (in.find(u"\\u") != std::u16string::npos)
        allowed.insert(u'%');  // "\u" is read as "%u"
    for (std::size_t i = 0; i < in.size(); ++i) {
        for (std::size_t digits : {std::size_t(2), std::size_t(4)}) {
            int value = 0;
            std::size_t k = 0;
            for (; k < digits && i + k < in.size(); ++k) {
                int d = hex_value(in[i + k]);
                if (d < 0)
                    break;
                value = value * 16 + d;
            }
            if (k == digits)
                allowed.insert(static_cast<char16_t>(value));
        }
    }
    return allowed;
}

void fail(const std::string& text, const std::string& result, int stranger) {
    std::fprintf(stderr, "unescape_unicode gave \"%s\" (with U+%04X) for \"%s\"\n", fuzzing::printable(result).c_str(),
                 unsigned(stranger), fuzzing::printable(text).c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::TextCase input;
    if (!fuzzing::parse(data, size, input))
        return 0;
    std::string text = input.texts[0];
    if (input.flag) {
        std::string built;
        for (unsigned char c : input.texts[0])
            built += kPieces[c % std::size(kPieces)];
        text = built;
    }
    std::string result = fuzzing::as_string(app::unescape_unicode(text.c_str()));

    bool plain = true;
    for (unsigned char c : text)
        plain = plain && (std::isalnum(c) || c == ' ');
    if (plain)
        fuzzing::check_equal(result, text, input, "unescape_unicode of plain text");

    std::set<char16_t> allowed = allowed_characters(com::utf16_from_gbk(text));
    int stranger = -1;
    for (char16_t c : com::utf16_from_gbk(result))
        if (stranger < 0 && allowed.count(c) == 0)
            stranger = c;
    if (stranger < 0)
        return 0;
    // Only the fallback may bring other characters: the text, with "\u"
    // replaced as a text command replaces it, read as UTF-16.
    std::string s = text;
    if (!s.empty() && s[0] == '\r' && (s.size() < 2 || s[1] != '\n'))
        s.erase(0, 1);
    s = fuzzing::as_string(commands::replace_text(s.c_str(), "\\u", "%u", std::nullopt, std::nullopt, true));
    rt::OwnedBlock raw(rt::make_byte_set(s.data(), s.size()));
    if (result != fuzzing::as_string(app::bytes_as_unicode_text(raw.get())))
        fail(text, result, stranger);
    return 0;
}

// url_decode against a plain walk, and url_encode followed by url_decode
// giving the text back.
#include "app/net/TextHelpers.h"
#include "fuzz/commands/FuzzInput.h"

namespace {

int hex(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string reference_decode(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && hex(s[i + 1]) >= 0 && hex(s[i + 2]) >= 0) {
            int value = hex(s[i + 1]) * 16 + hex(s[i + 2]);
            if (value)
                out += static_cast<char>(value);
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quilbex;
    fuzzing::TextCase input;
    if (!fuzzing::parse(data, size, input))
        return 0;
    const std::string& text = input.texts[0];
    fuzzing::check_equal(fuzzing::as_string(app::url_decode(text.c_str())), reference_decode(text), input,
                         "url_decode");
    app::Text encoded = app::url_encode(text.c_str(), input.flag, false);
    fuzzing::check_equal(fuzzing::as_string(app::url_decode(encoded.get())), text, input, "url_encode round trip");
    return 0;
}

// text_between against find and cut over the plain text walk.
#include "app/net/TextHelpers.h"
#include "fuzz/commands/FuzzInput.h"
#include "fuzz/commands/TextReference.h"
#include "platform/kernel/CodePage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quilbex;
    fuzzing::TextCase input;
    if (!fuzzing::parse(data, size, input))
        return 0;
    const std::string& text = input.texts[0];
    static const std::string token = kernel::utf8_to_gbk("#引号");
    auto unquote = [](const std::string& marker) {
        return reference::replace(marker, token, "\"", std::nullopt, std::nullopt, true);
    };
    std::string left = unquote(input.texts[1]);
    std::string right = unquote(input.texts[2]);
    std::string expected;
    std::int32_t p = reference::find(text, left, input.position, input.flag, false);
    if (p != -1) {
        std::int32_t q = p + static_cast<std::int32_t>(left.size());
        std::int32_t r = reference::find(text, right, q, input.flag, false);
        if (r != -1 && r > q)
            expected = text.substr(std::size_t(q - 1), std::size_t(r - q));
    }
    app::Text ours =
        app::text_between(text.c_str(), input.texts[1].c_str(), input.texts[2].c_str(), input.position, input.flag);
    fuzzing::check_equal(fuzzing::as_string(ours), expected, input, "text_between");
    return 0;
}

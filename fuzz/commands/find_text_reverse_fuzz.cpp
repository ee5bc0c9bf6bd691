// find_text_reverse against the plain walk.
#include "fuzz/commands/FuzzInput.h"
#include "fuzz/commands/TextReference.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quilbex;
    fuzzing::TextCase input;
    if (!fuzzing::parse(data, size, input))
        return 0;
    const std::string& text = input.texts[0];
    const std::string& needle = input.texts[1];
    fuzzing::check_equal(commands::find_text_reverse(text.c_str(), needle.c_str(), input.position, input.flag),
                         reference::find(text, needle, input.position, input.flag, true), input, "find_text_reverse");
    return 0;
}

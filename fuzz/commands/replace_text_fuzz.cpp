// replace_text against the plain walk.
#include "fuzz/commands/FuzzInput.h"
#include "fuzz/commands/TextReference.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quilbex;
    fuzzing::TextCase input;
    if (!fuzzing::parse(data, size, input))
        return 0;
    const auto& t = input.texts;
    commands::Text ours =
        commands::replace_text(t[0].c_str(), t[1].c_str(), t[2].c_str(), input.position, input.count, input.flag);
    std::string expected = reference::replace(t[0], t[1], t[2], input.position, input.count, input.flag);
    if (expected.empty() && ours)
        fuzzing::check_equal(std::string("<non-null empty>"), expected, input, "replace_text");
    fuzzing::check_equal(fuzzing::as_string(ours), expected, input, "replace_text");
    return 0;
}

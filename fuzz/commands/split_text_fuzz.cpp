// split_text against the plain walk.
#include "fuzz/commands/FuzzInput.h"
#include "fuzz/commands/TextReference.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quilbex;
    fuzzing::TextCase input;
    if (!fuzzing::parse(data, size, input))
        return 0;
    const auto& t = input.texts;
    commands::TextArray ours = commands::split_text(t[0].c_str(), t[1].c_str(), input.count);
    std::vector<std::string> got;
    for (std::size_t i = 0; i < ours.size(); ++i) {
        if (ours[i] && !*ours[i])
            fuzzing::check_equal(std::string("<non-null empty element>"), std::string(), input, "split_text");
        got.push_back(ours[i] ? ours[i] : "");
    }
    fuzzing::check_equal(got, reference::split(t[0], t[1], input.count), input, "split_text");
    return 0;
}

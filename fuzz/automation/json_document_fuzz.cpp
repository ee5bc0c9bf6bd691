// JsonDocument parse and reads on arbitrary bytes: no crash, no leak, no hang,
// and what parse reports agrees with what the reads see.
#include "app/flows/JsonDocument.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quilbex;
    // A text ends at its first zero byte, as the program's texts do.
    std::string text(reinterpret_cast<const char*>(data), size);
    text.resize(std::string(text.c_str()).size());
    static std::unique_ptr<app::JsonDocument> doc = std::make_unique<app::JsonDocument>();
    bool present = doc->parse(text.c_str());
    commands::Text title = doc->get_text("data.title");
    commands::Text whole = doc->get_text("", true);  // "null" when there is no document
    if (!whole) {
        std::fprintf(stderr, "the document's JSON form is missing\n");
        std::abort();
    }
    std::int32_t kind = doc->value_type("");
    if (present != (kind != app::JsonDocument::kAbsent)) {
        std::fprintf(stderr, "parse said %d but the document's type is %d\n", present, kind);
        std::abort();
    }
    if (!present && title) {
        std::fprintf(stderr, "reads of a missing document gave text\n");
        std::abort();
    }
    return 0;
}

// Reads of a parsed JsonDocument at the paths the program reads, on arbitrary
// replies. Byte 0 picks the path; the rest (to its first zero byte) is the
// reply. Every read must return without a crash, leak or hang, and the reads
// must agree with the kind value_type reports.
#include "app/flows/JsonDocument.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

// Paths the sign-in, lottery and quote flows read, and a few shapes around them.
constexpr const char* kPaths[] = {"",     "data.title", "ret",      "msg",       "data",    "data.id",
                                  "code", "[0]",        "[0].name", "data.list", "data[1]", "a.b.c.d"};

[[noreturn]] void fail(const char* what, const char* path, const std::string& text) {
    std::fprintf(stderr, "%s at \"%s\" of %s\n", what, path, text.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quilbex;
    if (size < 1)
        return 0;
    const char* path = kPaths[data[0] % std::size(kPaths)];
    std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    text.resize(std::string(text.c_str()).size());

    static std::unique_ptr<app::JsonDocument> doc = std::make_unique<app::JsonDocument>();
    doc->parse(text.c_str());
    std::int32_t kind = doc->value_type(path);
    bool exists = doc->exists(path);
    commands::Text as_text = doc->get_text(path);
    commands::Text as_json = doc->get_text(path, true);
    doc->get_number(path);

    std::vector<std::string> names;
    std::int32_t name_count = doc->member_names(names, path);
    if (name_count != static_cast<std::int32_t>(names.size()))
        fail("member_names counted differently from the names it gave", path, text);
    std::vector<std::string> leaves;
    doc->leaf_values(leaves, path, (data[0] & 0x80) != 0);

    if (kind == app::JsonDocument::kArray) {
        std::int32_t length = doc->array_length(path);
        if (length < 0)
            fail("an array with a negative length", path, text);
        for (std::int32_t i = 0; i < length && i < 3; ++i) {
            doc->array_get_text(i, path);
            doc->array_get_object(i, path);
        }
    }
    if (kind == app::JsonDocument::kObject) {
        if (!exists)
            fail("an object that does not exist", path, text);
        std::unique_ptr<app::JsonDocument> part = doc->get_object(path);
        if (!part || part->value_type("") != app::JsonDocument::kObject)
            fail("get_object did not give the object", path, text);
    }
    // kOther also stands for a path that could not be evaluated (a missing
    // member on the way); the kinds of real values all have a JSON form.
    if (kind > app::JsonDocument::kAbsent && !as_json)
        fail("a value without a JSON form", path, text);
    return 0;
}

// read_templates on arbitrary bytes. The input is copied into a buffer of
// exactly its size, so that AddressSanitizer sees any read past the end.
// Templates that read back are written again and must read to the same value.
#include "forms/template/TemplateReader.h"
#include "forms/template/TemplateWriter.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <span>

namespace {

void fail(const char* what) {
    std::fprintf(stderr, "template check failed: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quilbex::forms;
    auto exact = std::make_unique<std::uint8_t[]>(size ? size : 1);
    std::copy(data, data + size, exact.get());
    std::span<const std::uint8_t> input(exact.get(), size);

    auto parsed = read_templates(input);
    if (!parsed) {
        if (parsed.error().message.empty())
            fail("an error without a message");
        if (parsed.error().offset > size)
            fail("an error offset beyond the data");
        return 0;
    }
    auto written = write_templates(parsed.value());
    if (!written)
        return 0;  // the writer refuses a few shapes the reader accepts (e.g. several menu handlers)
    auto again = read_templates(written.value());
    if (!again)
        fail("written templates do not read back");
    if (!(again.value() == parsed.value()))
        fail("written templates read back differently");

    // Each window's own records through the single-record reader.
    for (const auto& window : parsed.value().windows) {
        for (const auto& unit : window.units) {
            auto record = write_unit_record(unit);
            if (!record)
                continue;
            auto one = read_unit_record(unit.id, record.value());
            if (!one || !(one.value() == unit))
                fail("a unit record does not read back");
        }
    }
    return 0;
}

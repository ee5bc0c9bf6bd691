// The units' property-block readers on arbitrary bytes. Byte 0 picks the
// block type, the rest is the block (copied into a buffer of exactly its size
// so that AddressSanitizer sees any read past the end). A block that reads
// back is written and must read to the same value; a stored font decodes
// only from exactly 60 bytes.
#include "forms/blocks/BrowserBlock.h"
#include "forms/blocks/ButtonBlock.h"
#include "forms/blocks/EditBoxBlock.h"
#include "forms/blocks/LabelBlock.h"
#include "forms/blocks/LogFontBytes.h"
#include "forms/blocks/TimerBlock.h"
#include "forms/blocks/WindowBlock.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <span>

namespace {

using namespace quilbex::forms;

void fail(const char* block, const char* what) {
    std::fprintf(stderr, "%s block check failed: %s\n", block, what);
    std::abort();
}

template <typename Block, typename Read, typename Write>
void round_trip(std::span<const std::uint8_t> input, Read read, Write write, const char* name) {
    Parsed<Block> parsed = read(input);
    if (!parsed) {
        if (parsed.error().message.empty())
            fail(name, "an error without a message");
        return;
    }
    Parsed<Bytes> written = write(parsed.value());
    if (!written)
        fail(name, "a block that was read cannot be written");
    Parsed<Block> again = read(written.value());
    if (!again)
        fail(name, "a written block does not read back");
    if (!(again.value() == parsed.value()))
        fail(name, "a written block reads back differently");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    std::size_t length = size - 1;
    auto exact = std::make_unique<std::uint8_t[]>(length ? length : 1);
    std::copy(data + 1, data + size, exact.get());
    std::span<const std::uint8_t> block(exact.get(), length);

    switch (data[0] % 7) {
    case 0: round_trip<WindowBlock>(block, read_window_block, write_window_block, "window"); break;
    case 1: round_trip<LabelBlock>(block, read_label_block, write_label_block, "label"); break;
    case 2: round_trip<ButtonBlock>(block, read_button_block, write_button_block, "button"); break;
    case 3: round_trip<EditBoxBlock>(block, read_edit_box_block, write_edit_box_block, "edit box"); break;
    case 4: round_trip<TimerBlock>(block, read_timer_block, write_timer_block, "timer"); break;
    case 5: round_trip<BrowserBlock>(block, read_browser_block, write_browser_block, "browser"); break;
    default: {
        auto font = decode_logfont(block);
        if (font.has_value() != (length == 60))
            fail("font", "decoded from other than 60 bytes");
        if (font && encode_logfont(*font).size() != 60)
            fail("font", "encoded to other than 60 bytes");
        break;
    }
    }
    return 0;
}

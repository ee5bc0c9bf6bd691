// The cookie routines on arbitrary texts (input layout of FuzzInput.h: two
// texts after three argument bytes). Checks: a read cookie value is a piece
// of the cookie text, no item stands twice after removing duplicates, and a
// merge is left in the sent text and made only of the two texts' pieces.
#include "app/net/Cookies.h"
#include "fuzz/commands/FuzzInput.h"

#include <set>
#include <string>

namespace {

using namespace quilbex;

void fail(const char* what, const fuzzing::TextCase& input) {
    std::fprintf(stderr, "cookie check failed: %s; texts \"%s\" and \"%s\"\n", what,
                 fuzzing::printable(input.texts[0]).c_str(), fuzzing::printable(input.texts[1]).c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::TextCase input;
    if (!fuzzing::parse(data, size, input))
        return 0;
    const std::string& first = input.texts[0];
    const std::string& second = input.texts[1];

    std::string collected = fuzzing::as_string(app::collect_set_cookies(first.c_str()));
    if (collected.size() > first.size())
        fail("collected cookies longer than the headers", input);

    std::string value = fuzzing::as_string(app::read_cookie(first.c_str(), second.c_str()));
    if (first.find(value) == std::string::npos)
        fail("a cookie value that is not in the text", input);

    std::string name = fuzzing::as_string(app::cookie_name(first.c_str()));
    if (name.size() > first.size())
        fail("a cookie name longer than its item", input);

    // No item stands twice after removing duplicates. Empty items are left
    // out of the check: the split drops a final empty item, so they may
    // remain or vanish by position. The byte-wise split here matches the
    // routine's only for ASCII (a GBK lead byte takes the ";" after it).
    bool ascii = true;
    for (unsigned char c : first)
        ascii = ascii && c < 0x80;
    std::string once = fuzzing::as_string(app::remove_duplicate_items(first.c_str(), "; "));
    std::set<std::string> items;
    for (std::size_t start = 0; ascii && !once.empty();) {
        std::size_t end = once.find("; ", start);
        std::string item = once.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!item.empty() && !items.insert(item).second)
            fail("an item stands twice after removing duplicates", input);
        if (end == std::string::npos)
            break;
        start = end + 2;
    }

    app::Text sent = app::make_text(first);
    std::string merged = fuzzing::as_string(app::merge_cookies(sent, second.c_str()));
    if (fuzzing::as_string(sent) != merged)
        fail("the merge is not left in the sent cookies", input);
    // The merge only joins pieces of the two texts with "; " (each text may
    // gain one space when it ends in ";").
    if (merged.size() > first.size() + second.size() + 4)
        fail("the merge is longer than both texts together", input);
    return 0;
}

// normalise_header_names and the URL helpers on arbitrary texts (input layout
// of FuzzInput.h; the first text is used). Checks: normalising is settled
// after one pass and never lengthens the text, a host without its port holds
// no ":" but inside the brackets of an IPv6 address, a path starts with "/".
#include "app/net/HttpClient.h"
#include "fuzz/commands/FuzzInput.h"

#include <string>

namespace {

using namespace quilbex;

void fail(const char* what, const fuzzing::TextCase& input) {
    std::fprintf(stderr, "HTTP helper check failed: %s; text \"%s\"\n", what,
                 fuzzing::printable(input.texts[0]).c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::TextCase input;
    if (!fuzzing::parse(data, size, input))
        return 0;
    const std::string& text = input.texts[0];

    std::string once = fuzzing::as_string(app::normalise_header_names(text.c_str()));
    if (once.size() > text.size())
        fail("normalised headers are longer than the input", input);
    std::string twice = fuzzing::as_string(app::normalise_header_names(once.c_str()));
    if (once != twice)
        fail("normalising twice changes the headers again", input);

    // In GBK a ":" byte may be the second byte of a character, which the
    // colon search rightly skips; the check holds for ASCII URLs.
    bool ascii = true;
    for (unsigned char c : text)
        ascii = ascii && c < 0x80;
    std::string host = fuzzing::as_string(app::url_host(text.c_str(), false));
    const bool bracketed = !host.empty() && host.front() == '[' && host.back() == ']';
    if (ascii && !bracketed && host.find(':') != std::string::npos)
        fail("a host without its port holds \":\"", input);
    std::string host_port = fuzzing::as_string(app::url_host(text.c_str(), true));
    if (host_port.compare(0, host.size(), host) != 0)
        fail("the host with its port does not start with the host", input);
    (void)app::url_port(text.c_str());

    std::string path = fuzzing::as_string(app::url_path(text.c_str()));
    if (path.empty() || path[0] != '/')
        fail("a path that does not start with \"/\"", input);
    return 0;
}

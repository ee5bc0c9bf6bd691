#include "platform/wininet/ProxyList.h"

#include <cctype>

namespace quilbex::wininet {

std::string ascii_lower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

namespace {

std::string as_proxy_url(std::string_view address) {
    std::string a =
        ascii_lower(address.substr(0, 7)) == "http://" ? std::string(address.substr(7)) : std::string(address);
    return a.empty() ? std::string() : "http://" + a;
}

}  // namespace

std::string proxy_for_scheme(std::string_view proxy_list, std::string_view scheme) {
    std::string general;
    std::string specific;
    std::size_t pos = 0;
    while (pos < proxy_list.size()) {
        std::size_t end = proxy_list.find_first_of(" ;", pos);
        if (end == std::string_view::npos)
            end = proxy_list.size();
        std::string_view entry = proxy_list.substr(pos, end - pos);
        pos = end + 1;
        if (entry.empty())
            continue;
        auto eq = entry.find('=');
        if (eq == std::string_view::npos) {
            if (general.empty())
                general = as_proxy_url(entry);
        } else if (ascii_lower(entry.substr(0, eq)) == ascii_lower(scheme) && specific.empty()) {
            specific = as_proxy_url(entry.substr(eq + 1));
        }
    }
    return specific.empty() ? general : specific;
}

}  // namespace quilbex::wininet

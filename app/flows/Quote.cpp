#include "app/flows/Quote.h"

#include "app/flows/JsonDocument.h"
#include "app/flows/MainWindowAccess.h"
#include "app/flows/SignIn.h"
#include "app/net/FieldList.h"
#include "app/net/HttpClient.h"
#include "app/net/NetConfig.h"
#include "app/net/TextHelpers.h"
#include "runtime/Blocks.h"

namespace quilbex::app {

Text fetch_quote() {
    FieldList fields;
    JsonDocument json;
    fields.add("User-Agent", kDesktopAgent);
    Text headers = fields.header_text();
    std::string url = "https://" + net_config().hosts.quote + kQuotePath;
    // No cookies parameter: the process cookie store applies to this request.
    ByteSet body = http_request({.url = url.c_str(), .method = 0, .extra_headers = headers.get()});
    ByteSet converted = convert_charset(body.get(), "UTF-8", "GBK");
    auto bytes = rt::byte_set_bytes(converted.get());
    std::string text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    text = text.substr(0, text.find('\0'));
    json.parse(text.c_str());
    return json.get_text("data.title");
}

win::DWORD quote_worker(win::LPVOID) {
    Text quote = fetch_quote();
    main_window_access().set_message_text(quote.get());
    return 0;
}

}  // namespace quilbex::app

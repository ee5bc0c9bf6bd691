#include "browser/BrowserControl.h"

#include "browser/EngineEvents.h"
#include "browser/StorageDirectory.h"
#include "browser/Texts.h"
#include "browser/UserAgents.h"
#include "platform/kernel/CodePage.h"

#include <utility>

namespace quilbex::browser {

BrowserControl::BrowserControl(forms::BrowserBlock block, const EngineFunctions& engine, std::string base_directory,
                               bool design_mode, EventSink sink)
    : m_block(std::move(block)), m_engine(engine), m_base_directory(std::move(base_directory)),
      m_design_mode(design_mode), m_sink(std::move(sink)) {}

BrowserControl::~BrowserControl() {
    // The view may outlive this object by a moment while its window goes.
    unregister_callbacks();
}

bool BrowserControl::create_view(void* parent, int width, int height) {
    const EngineFunctions& e = m_engine;
    if (!e.wkeCreateWebWindow)
        return false;
    m_view = e.wkeCreateWebWindow(WKE_WINDOW_TYPE_CONTROL, parent, 0, 0, width, height);
    if (!m_view)
        return false;
    if (e.wkeShowWindow)
        e.wkeShowWindow(m_view, true);
    if (e.wkeSetTransparent)
        e.wkeSetTransparent(m_view, false);
    if (e.wkeGetWindowHandle)
        m_engine_window = e.wkeGetWindowHandle(m_view);
    if (e.wkeSetCspCheckEnable)
        e.wkeSetCspCheckEnable(m_view, false);
    if (e.wkeSetNpapiPluginsEnabled)
        e.wkeSetNpapiPluginsEnabled(m_view, true);
    if (e.wkeSetNavigationToNewWindowEnable)
        e.wkeSetNavigationToNewWindowEnable(m_view, true);

    if (!m_block.user_agent.empty() && e.wkeSetUserAgent)
        e.wkeSetUserAgent(m_view, m_block.user_agent.c_str());
    if (!m_block.cache_directory.empty() && e.wkeSetLocalStorageFullPath)
        e.wkeSetLocalStorageFullPath(m_view, gbk_to_utf16(m_block.cache_directory).c_str());
    if (!m_block.cookie_directory.empty() && e.wkeSetCookieJarPath)
        e.wkeSetCookieJarPath(m_view, gbk_to_utf16(m_block.cookie_directory).c_str());
    if (!m_design_mode) {
        if (!m_block.address.empty() && e.wkeLoadURL)
            e.wkeLoadURL(m_view, m_block.address.c_str());
        if (e.wkeSetNavigationToNewWindowEnable)
            e.wkeSetNavigationToNewWindowEnable(m_view, m_block.new_window_navigation != 0);
        register_callbacks();
    }
    return true;
}

void BrowserControl::register_callbacks() { install_engine_callbacks(*this, true); }

void BrowserControl::unregister_callbacks() {
    if (m_view)
        install_engine_callbacks(*this, false);
}

void BrowserControl::load_blank() {
    if (m_view && m_engine.wkeLoadHTML)
        m_engine.wkeLoadHTML(m_view, " ");
}

std::optional<std::int64_t> BrowserControl::raise(std::int32_t event, const std::vector<rt::ArgRecord>& args) const {
    return m_sink ? m_sink(event, args) : std::nullopt;
}

void BrowserControl::property_changed(int index, const forms::PropertyValue& value) {
    const EngineFunctions& e = m_engine;
    const auto number = static_cast<std::int32_t>(value.number);
    switch (index) {
    case kAddress: {
        const std::string utf8 = kernel::gbk_to_utf8(value.bytes);
        if (utf8.empty())
            load_blank();
        else if (applies_now() && m_view && e.wkeLoadURL)
            e.wkeLoadURL(m_view, utf8.c_str());
        m_block.address = value.bytes;
        break;
    }
    case kDisableF5Reload: m_block.disable_f5_reload = number; break;
    case kCookieMode:
        m_block.cookie_mode = number;
        if (m_view && e.wkeSetCookieEnabled)
            e.wkeSetCookieEnabled(m_view, number == 1);
        break;
    case kCacheDirectory:
    case kCookieDirectory: {
        const std::u16string path = gbk_to_utf16(resolve_storage_directory(value.bytes, m_base_directory));
        if (index == kCacheDirectory) {
            if (m_view && e.wkeSetLocalStorageFullPath)
                e.wkeSetLocalStorageFullPath(m_view, path.c_str());
            m_block.cache_directory = value.bytes;
        } else {
            if (!m_design_mode && m_view && e.wkeSetCookieJarPath)
                e.wkeSetCookieJarPath(m_view, path.c_str());
            m_block.cookie_directory = value.bytes;
        }
        break;
    }
    case kUserAgent:
        m_block.user_agent = resolve_user_agent(value.bytes);
        if (applies_now() && m_view && e.wkeSetUserAgent && e.wkeReload) {
            e.wkeSetUserAgent(m_view, m_block.user_agent.c_str());
            e.wkeReload(m_view);
        }
        break;
    case kDesignPreview:
        m_design_preview = number;
        if (!m_view)
            break;
        if (number) {
            if (!m_block.user_agent.empty() && e.wkeSetUserAgent)
                e.wkeSetUserAgent(m_view, m_block.user_agent.c_str());
            if (!m_block.address.empty() && e.wkeLoadURL)
                e.wkeLoadURL(m_view, kernel::gbk_to_utf8(m_block.address).c_str());
        } else {
            load_blank();
        }
        break;
    case kNewWindowNavigation:
        m_block.new_window_navigation = number;
        if (m_view && e.wkeSetNavigationToNewWindowEnable)
            e.wkeSetNavigationToNewWindowEnable(m_view, number != 0);
        break;
    default: break;
    }
}

forms::PropertyValue BrowserControl::read_property(int index) const {
    using forms::PropertyValue;
    switch (index) {
    case kAddress: return PropertyValue::of_bytes(m_block.address);
    case kPageTitle: {
        const char* title = m_view && m_engine.wkeGetTitle ? m_engine.wkeGetTitle(m_view) : nullptr;
        return PropertyValue::of_bytes(title ? kernel::utf8_to_gbk(title) : std::string());
    }
    case kDisableF5Reload: return PropertyValue::of_number(static_cast<std::uint32_t>(m_block.disable_f5_reload));
    case kCookieMode: return PropertyValue::of_number(static_cast<std::uint32_t>(m_block.cookie_mode));
    case kCacheDirectory: return PropertyValue::of_bytes(m_block.cache_directory);
    case kCookieDirectory: return PropertyValue::of_bytes(m_block.cookie_directory);
    case kUserAgent: return PropertyValue::of_bytes(m_block.user_agent);
    case kNewWindowNavigation:
        return PropertyValue::of_number(static_cast<std::uint32_t>(m_block.new_window_navigation));
    default: return {};  // the design preview (7) is not readable
    }
}

std::vector<std::uint8_t> BrowserControl::property_data() const {
    auto written = forms::write_browser_block(m_block);
    return written ? std::move(written).value() : std::vector<std::uint8_t>{};
}

std::string BrowserControl::cookie() const {
    const char* text = m_view && m_engine.wkeGetCookie ? m_engine.wkeGetCookie(m_view) : nullptr;
    return text ? std::string(text) : std::string();
}

std::optional<std::int64_t> BrowserControl::cookie_expiry(const std::string& name) const {
    if (!m_view || !m_engine.wkeQuilbexGetCookieExpires)
        return std::nullopt;
    const long long expires = m_engine.wkeQuilbexGetCookieExpires(m_view, name.c_str());
    return expires >= 0 ? std::optional<std::int64_t>(expires) : std::nullopt;
}

void BrowserControl::clear_cookie() {
    if (m_view && m_engine.wkeClearCookie)
        m_engine.wkeClearCookie(m_view);
}

void BrowserControl::resize(int width, int height) {
    if (m_view && m_engine.wkeResize)
        m_engine.wkeResize(m_view, width, height);
}

}  // namespace quilbex::browser

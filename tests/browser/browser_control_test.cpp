// The browser control against a recording engine: configuration, properties,
// commands and the events raised from engine callbacks.

#include "browser/BrowserControl.h"
#include "browser/StorageDirectory.h"
#include "browser/UserAgents.h"
#include "platform/kernel/CodePage.h"
#include "runtime/Memory.h"
#include "support/Gbk.h"

#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace quilbex::browser {
namespace {

using quilbex::testing::gbk;
using quilbex::testing::utf8;

const wkeWebView kView = reinterpret_cast<wkeWebView>(0x5000);
const wkeWebView kPopup = reinterpret_cast<wkeWebView>(0x6000);
void* const kEngineWindow = reinterpret_cast<void*>(0x7000);
void* const kParent = reinterpret_cast<void*>(0x8000);

std::string to_utf8(const char16_t* wide) {
    if (!wide)
        return "<null>";
    int size = kernel::WideCharToMultiByte(kernel::CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    kernel::WideCharToMultiByte(kernel::CP_UTF8, 0, wide, -1, out.data(), size, nullptr, nullptr);
    out.resize(out.size() - 1);
    return out;
}

// What the recording engine was asked, and the callbacks it was given.
struct Journal {
    std::vector<std::string> calls;
    wkeWebView next_view = kView;
    std::string cookie = "BBS_UNAME=%E5%BC%A0; UM_distinctid=x";
    std::string title = "标题";
    std::map<std::string, std::pair<void*, void*>> callbacks;  // name -> (routine, param)
    std::string answer;  // text set into a prompt's answer string
};
Journal journal;

void record(std::string call) { journal.calls.push_back(std::move(call)); }

#define RECORD_CALLBACK(name)                                                                                          \
    f.name = [](wkeWebView, auto routine, void* param) {                                                               \
        journal.callbacks[#name] = {reinterpret_cast<void*>(routine), param};                                          \
        record(std::string(#name) + (routine ? "" : " off"));                                                          \
    };

EngineFunctions recording_engine() {
    EngineFunctions f;
    f.wkeCreateWebWindow = [](wkeWindowType type, void* parent, int x, int y, int w, int h) {
        record("create " + std::to_string(type) + (parent == kParent ? " parent " : " other ") + std::to_string(x) +
               " " + std::to_string(y) + " " + std::to_string(w) + " " + std::to_string(h));
        wkeWebView view = journal.next_view;
        journal.next_view = kPopup;
        return view;
    };
    f.wkeShowWindow = [](wkeWebView v, bool show) {
        record(std::string(v == kPopup ? "popup " : "") + "show " + std::to_string(show));
    };
    f.wkeSetTransparent = [](wkeWebView, bool on) { record("transparent " + std::to_string(on)); };
    f.wkeGetWindowHandle = [](wkeWebView) {
        record("window handle");
        return kEngineWindow;
    };
    f.wkeSetCspCheckEnable = [](wkeWebView, bool on) { record("csp " + std::to_string(on)); };
    f.wkeSetNpapiPluginsEnabled = [](wkeWebView, bool on) { record("npapi " + std::to_string(on)); };
    f.wkeSetNavigationToNewWindowEnable = [](wkeWebView, bool on) { record("new window " + std::to_string(on)); };
    f.wkeSetUserAgent = [](wkeWebView, const char* agent) { record("agent " + std::string(agent)); };
    f.wkeLoadURL = [](wkeWebView, const char* url) { record("load " + std::string(url)); };
    f.wkeLoadHTML = [](wkeWebView, const char* html) { record("html [" + std::string(html) + "]"); };
    f.wkeReload = [](wkeWebView) { record("reload"); };
    f.wkeSetLocalStorageFullPath = [](wkeWebView, const wkeChar16* p) { record("storage " + to_utf8(p)); };
    f.wkeSetCookieJarPath = [](wkeWebView, const wkeChar16* p) { record("jar " + to_utf8(p)); };
    f.wkeSetCookieEnabled = [](wkeWebView, bool on) { record("cookies " + std::to_string(on)); };
    f.wkeGetCookie = [](wkeWebView) {
        record("get cookie");
        return journal.cookie.c_str();
    };
    f.wkeClearCookie = [](wkeWebView) { record("clear cookie"); };
    f.wkeGetTitle = [](wkeWebView) { return journal.title.c_str(); };
    f.wkeResize = [](wkeWebView, int w, int h) { record("resize " + std::to_string(w) + " " + std::to_string(h)); };
    // Test strings are std::u16string objects behind the handle.
    f.wkeGetStringW = [](wkeString s) { return reinterpret_cast<std::u16string*>(s)->c_str(); };
    f.wkeSetString = [](wkeString, const char* text, size_t length) { journal.answer.assign(text, length); };
    f.wkeSetWindowTitle = [](wkeWebView, const char* title) { record("popup title " + utf8(title)); };
    RECORD_CALLBACK(wkeOnPaintUpdated)
    RECORD_CALLBACK(wkeOnDocumentReady2)
    RECORD_CALLBACK(wkeOnTitleChanged)
    RECORD_CALLBACK(wkeOnURLChanged2)
    RECORD_CALLBACK(wkeOnNavigation)
    RECORD_CALLBACK(wkeOnCreateView)
    RECORD_CALLBACK(wkeOnLoadingFinish)
    RECORD_CALLBACK(wkeOnConsole)
    RECORD_CALLBACK(wkeOnAlertBox)
    RECORD_CALLBACK(wkeOnConfirmBox)
    RECORD_CALLBACK(wkeOnPromptBox)
    RECORD_CALLBACK(wkeOnDownload)
    RECORD_CALLBACK(wkeOnLoadUrlBegin)
    RECORD_CALLBACK(wkeOnLoadUrlEnd)
    RECORD_CALLBACK(wkeOnMouseOverUrlChanged)
    RECORD_CALLBACK(wkeQuilbexOnInput)
    return f;
}

// One raised event: its index and its arguments as text (GBK texts shown as UTF-8).
struct Raised {
    std::int32_t event;
    std::vector<std::string> args;
    bool operator==(const Raised&) const = default;
};

class BrowserControlTest : public ::testing::Test {
protected:
    void SetUp() override { journal = Journal{}; }

    std::unique_ptr<BrowserControl> make(forms::BrowserBlock block, bool design = false) {
        return std::make_unique<BrowserControl>(
            std::move(block), m_engine, "/opt/quilbex/", design,
            [this](std::int32_t event, const std::vector<rt::ArgRecord>& args) -> std::optional<std::int64_t> {
                Raised raised{event, {}};
                for (const auto& arg : args)
                    raised.args.push_back(arg.type == rt::kTypeText ? utf8(arg.text()) : std::to_string(arg.as_long()));
                m_raised.push_back(raised);
                auto answer = m_answers.find(event);
                if (answer == m_answers.end())
                    return std::nullopt;
                return answer->second();
            });
    }

    template <typename Routine> Routine callback(const std::string& name) {
        return reinterpret_cast<Routine>(journal.callbacks.at(name).first);
    }
    void* param(const std::string& name) { return journal.callbacks.at(name).second; }

    EngineFunctions m_engine = recording_engine();
    std::vector<Raised> m_raised;
    std::map<std::int32_t, std::function<std::int64_t()>> m_answers;
};

forms::BrowserBlock login_block() {
    forms::BrowserBlock block;
    block.address = gbk("https://127.0.0.1:9443/index.html?站点=论坛");
    block.user_agent = "Mozilla/5.0 (X)";
    block.cache_directory = gbk("缓存目录");
    block.cookie_directory = "D:\\cookies";
    block.new_window_navigation = 0;
    return block;
}

TEST_F(BrowserControlTest, creation_configures_the_view_then_loads_and_listens) {
    auto control = make(login_block());
    ASSERT_TRUE(control->create_view(kParent, 300, 200));
    EXPECT_EQ(control->view(), kView);
    EXPECT_EQ(control->engine_window(), kEngineWindow);
    const std::vector<std::string> expected_start = {
        "create 2 parent 0 0 300 200", "show 1", "transparent 0", "window handle", "csp 0", "npapi 1", "new window 1",
        "agent Mozilla/5.0 (X)", "storage 缓存目录", "jar D:\\cookies",
        // The stored address goes to the engine unchanged (GBK).
        "load " + gbk("https://127.0.0.1:9443/index.html?站点=论坛"), "new window 0"};
    ASSERT_GE(journal.calls.size(), expected_start.size());
    EXPECT_EQ(std::vector<std::string>(journal.calls.begin(), journal.calls.begin() + expected_start.size()),
              expected_start);
    EXPECT_EQ(journal.callbacks.size(), 16u) << "paint, the fourteen event callbacks and input";

    // Going away removes every callback, so none can reach the deleted control.
    journal.calls.clear();
    control.reset();
    EXPECT_EQ(journal.calls.size(), 16u);
    for (const auto& call : journal.calls)
        EXPECT_NE(call.find(" off"), std::string::npos) << call;
}

TEST_F(BrowserControlTest, design_mode_configures_but_neither_loads_nor_listens) {
    auto control = make(login_block(), true);
    ASSERT_TRUE(control->create_view(kParent, 300, 200));
    for (const auto& call : journal.calls)
        EXPECT_EQ(call.rfind("load", 0), std::string::npos) << call;
    EXPECT_TRUE(journal.callbacks.empty());
    // A cookie directory set in the designer is kept but not applied.
    journal.calls.clear();
    control->property_changed(kCookieDirectory, forms::PropertyValue::of_bytes("jar"));
    EXPECT_TRUE(journal.calls.empty());
    EXPECT_EQ(control->read_property(kCookieDirectory).bytes, "jar");
    // The preview loads what a running program would show, and blanks it when switched off.
    control->property_changed(kDesignPreview, forms::PropertyValue::of_number(1));
    control->property_changed(kDesignPreview, forms::PropertyValue::of_number(0));
    EXPECT_EQ(journal.calls,
              (std::vector<std::string>{"agent Mozilla/5.0 (X)", "load https://127.0.0.1:9443/index.html?站点=论坛",
                                        "html [ ]"}));
}

TEST_F(BrowserControlTest, without_a_view_creation_fails_and_nothing_reaches_the_engine) {
    journal.next_view = nullptr;
    auto control = make(login_block());
    EXPECT_FALSE(control->create_view(kParent, 10, 10));
    EXPECT_EQ(journal.calls, std::vector<std::string>{"create 2 parent 0 0 10 10"});
    control->property_changed(kAddress, forms::PropertyValue::of_bytes("https://x/"));
    EXPECT_EQ(control->cookie(), "");
    control->clear_cookie();
    EXPECT_EQ(journal.calls.size(), 1u);

    EngineFunctions unbound;  // an engine without wkeCreateWebWindow
    BrowserControl bare(login_block(), unbound, "/", false, nullptr);
    EXPECT_FALSE(bare.create_view(kParent, 10, 10));
    EXPECT_EQ(bare.read_property(kPageTitle).bytes, "");
}

TEST_F(BrowserControlTest, user_agent_presets_match_exactly_and_other_texts_are_kept) {
    EXPECT_EQ(resolve_user_agent("iPhone X"),
              "Mozilla/5.0 (iPhone; CPU iPhone OS 11_0 like Mac OS X) AppleWebKit/604.1.38 (KHTML, like Gecko) "
              "Version/11.0 Mobile/15A372 Safari/604.1");
    EXPECT_EQ(resolve_user_agent("iphone x"), "iphone x");
    EXPECT_EQ(resolve_user_agent("Mozilla/5.0 (X)"), "Mozilla/5.0 (X)");
    EXPECT_EQ(resolve_user_agent(gbk("默认UA")), resolve_user_agent("Winsows Chrome"));
    EXPECT_NE(resolve_user_agent(gbk("安卓Galaxy S5")).find("Android 5.0"), std::string::npos);
    EXPECT_EQ(resolve_user_agent("Winsows IE7"), "Mozilla/4.0 (compatible; MSIE 7.0; Windows NT 10.0; WOW64)");
    EXPECT_EQ(resolve_user_agent(""), "");

    auto control = make({});
    ASSERT_TRUE(control->create_view(kParent, 10, 10));
    journal.calls.clear();
    control->property_changed(kUserAgent, forms::PropertyValue::of_bytes("Winsows Opera"));
    EXPECT_EQ(journal.calls,
              (std::vector<std::string>{"agent Opera/9.80 (Windows NT 10.0; U; zh-cn) Presto/2.9.168 Version/11.50",
                                        "reload"}));
    EXPECT_EQ(control->read_property(kUserAgent).bytes,
              "Opera/9.80 (Windows NT 10.0; U; zh-cn) Presto/2.9.168 Version/11.50");
}

TEST_F(BrowserControlTest, address_changes_load_utf8_or_a_blank_page_and_keep_the_gbk_text) {
    auto control = make({});
    ASSERT_TRUE(control->create_view(kParent, 10, 10));
    journal.calls.clear();
    control->property_changed(kAddress, forms::PropertyValue::of_bytes(gbk("https://127.0.0.1/登录")));
    control->property_changed(kAddress, forms::PropertyValue::of_bytes(""));
    EXPECT_EQ(journal.calls, (std::vector<std::string>{"load https://127.0.0.1/登录", "html [ ]"}));
    control->property_changed(kAddress, forms::PropertyValue::of_bytes(gbk("https://127.0.0.1/登录")));
    EXPECT_EQ(control->read_property(kAddress).bytes, gbk("https://127.0.0.1/登录"));
    EXPECT_EQ(utf8(control->read_property(kPageTitle).bytes), "标题");
}

TEST_F(BrowserControlTest, storage_directories_are_made_absolute_and_end_in_a_separator) {
    EXPECT_EQ(resolve_storage_directory("cache", "/opt/q/"), "/opt/q/cache\\");
    EXPECT_EQ(resolve_storage_directory("D:\\c", "/opt/q/"), "D:\\c\\");
    EXPECT_EQ(resolve_storage_directory("D:\\c\\", "/opt/q/"), "D:\\c\\");
    // An absolute path of this platform is not put below the program folder.
    EXPECT_EQ(resolve_storage_directory("/var/q", "/opt/q/"), "/var/q\\");

    auto control = make({});
    ASSERT_TRUE(control->create_view(kParent, 10, 10));
    journal.calls.clear();
    control->property_changed(kCacheDirectory, forms::PropertyValue::of_bytes(gbk("缓存")));
    control->property_changed(kCookieDirectory, forms::PropertyValue::of_bytes("D:\\c"));
    EXPECT_EQ(journal.calls, (std::vector<std::string>{"storage /opt/quilbex/缓存\\", "jar D:\\c\\"}));
    EXPECT_EQ(control->read_property(kCacheDirectory).bytes, gbk("缓存"));
    EXPECT_EQ(control->read_property(kCookieDirectory).bytes, "D:\\c");
}

TEST_F(BrowserControlTest, numeric_properties_are_stored_and_applied) {
    auto control = make({});
    ASSERT_TRUE(control->create_view(kParent, 10, 10));
    journal.calls.clear();
    control->property_changed(kCookieMode, forms::PropertyValue::of_number(1));
    control->property_changed(kCookieMode, forms::PropertyValue::of_number(2));
    control->property_changed(kNewWindowNavigation, forms::PropertyValue::of_number(5));
    control->property_changed(kDisableF5Reload, forms::PropertyValue::of_number(7));
    EXPECT_EQ(journal.calls, (std::vector<std::string>{"cookies 1", "cookies 0", "new window 1"}));
    EXPECT_EQ(control->read_property(kCookieMode).number, 2u);
    EXPECT_EQ(control->read_property(kNewWindowNavigation).number, 5u);
    EXPECT_EQ(control->read_property(kDisableF5Reload).number, 7u);

    // The property data is the block that was changed, as version 1.
    auto written = control->property_data();
    auto read = forms::read_browser_block(written);
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read.value(), control->block());
    EXPECT_EQ(written.at(0), 1);
}

TEST_F(BrowserControlTest, cookie_commands_pass_the_engine_text_unchanged) {
    auto control = make({});
    ASSERT_TRUE(control->create_view(kParent, 10, 10));
    EXPECT_EQ(control->cookie(), "BBS_UNAME=%E5%BC%A0; UM_distinctid=x");
    journal.cookie.clear();
    EXPECT_EQ(control->cookie(), "");
    control->clear_cookie();
    EXPECT_EQ(journal.calls.back(), "clear cookie");
}

TEST_F(BrowserControlTest, engine_callbacks_raise_events_with_gbk_texts_and_take_their_answers) {
    auto control = make(login_block());
    ASSERT_TRUE(control->create_view(kParent, 10, 10));
    std::u16string title = u"论坛首页";
    std::u16string url = u"https://127.0.0.1/页";
    callback<wkeTitleChangedCallback>("wkeOnTitleChanged")(kView, param("wkeOnTitleChanged"),
                                                           reinterpret_cast<wkeString>(&title));
    callback<wkeURLChanged2Callback>("wkeOnURLChanged2")(kView, param("wkeOnURLChanged2"), 1,
                                                         reinterpret_cast<wkeString>(&url));
    EXPECT_EQ(m_raised,
              (std::vector<Raised>{{kTitleChanged, {"论坛首页"}}, {kAddressChanged, {"https://127.0.0.1/页", "1"}}}));

    // Navigation: no handler value lets it go, 0 cancels it.
    auto navigation = callback<wkeNavigationCallback>("wkeOnNavigation");
    EXPECT_TRUE(
        navigation(kView, param("wkeOnNavigation"), WKE_NAVIGATION_TYPE_LINKCLICK, reinterpret_cast<wkeString>(&url)));
    m_answers[kNavigation] = [] { return 0; };
    EXPECT_FALSE(
        navigation(kView, param("wkeOnNavigation"), WKE_NAVIGATION_TYPE_LINKCLICK, reinterpret_cast<wkeString>(&url)));

    // Confirm without a handler answers false; prompt answers with the handler's text, which it then frees.
    std::u16string question = u"确定?";
    EXPECT_FALSE(callback<wkeConfirmBoxCallback>("wkeOnConfirmBox")(kView, param("wkeOnConfirmBox"),
                                                                    reinterpret_cast<wkeString>(&question)));
    auto prompt = callback<wkePromptBoxCallback>("wkeOnPromptBox");
    std::u16string fallback = u"默认";
    EXPECT_FALSE(prompt(kView, param("wkeOnPromptBox"), reinterpret_cast<wkeString>(&question),
                        reinterpret_cast<wkeString>(&fallback), nullptr));
    m_answers[kPromptBox] = [] {
        return static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(rt::make_text(gbk("回答"))));
    };
    EXPECT_TRUE(prompt(kView, param("wkeOnPromptBox"), reinterpret_cast<wkeString>(&question),
                       reinterpret_cast<wkeString>(&fallback), nullptr));
    EXPECT_EQ(journal.answer, "回答");
    EXPECT_EQ(m_raised.back(), (Raised{kPromptBox, {"确定?", "默认"}}));

    // Request ends carry the address and three integers.
    callback<wkeLoadUrlEndCallback>("wkeOnLoadUrlEnd")(kView, param("wkeOnLoadUrlEnd"), "https://127.0.0.1/a.css",
                                                       reinterpret_cast<wkeNetJob>(0x42), 200, 17);
    EXPECT_EQ(m_raised.back(), (Raised{kRequestEnds, {"https://127.0.0.1/a.css", "66", "200", "17"}}));
}

TEST_F(BrowserControlTest, input_raises_events_and_f5_reloads_unless_disabled) {
    auto control = make({});
    ASSERT_TRUE(control->create_view(kParent, 10, 10));
    auto input = callback<wkeInputCallback>("wkeQuilbexOnInput");
    void* context = param("wkeQuilbexOnInput");
    journal.calls.clear();
    EXPECT_TRUE(input(kView, context, WKE_INPUT_RBUTTONUP, 12, 34, 0, 1));
    EXPECT_TRUE(input(kView, context, WKE_INPUT_SETFOCUS, 0, 0, 0, 0));
    EXPECT_TRUE(input(kView, context, WKE_INPUT_KEYDOWN, 0, 0, 116, 2));
    EXPECT_EQ(m_raised, (std::vector<Raised>{{18, {"12", "34", "1"}}, {kFocusGained, {}}, {kKeyDown, {"116", "2"}}}));
    EXPECT_EQ(journal.calls, std::vector<std::string>{"reload"});

    control->property_changed(kDisableF5Reload, forms::PropertyValue::of_number(3));
    EXPECT_TRUE(input(kView, context, WKE_INPUT_KEYDOWN, 0, 0, 116, 0));
    EXPECT_EQ(journal.calls, std::vector<std::string>{"reload"}) << "F5 disabled";

    // A character handler's 0 keeps the character from the page.
    EXPECT_TRUE(input(kView, context, WKE_INPUT_CHAR, 0, 0, 'a', 0));
    m_answers[kCharacter] = [] { return 0; };
    EXPECT_FALSE(input(kView, context, WKE_INPUT_CHAR, 0, 0, 'a', 0));
    EXPECT_EQ(m_raised.back(), (Raised{kCharacter, {"97"}}));
}

TEST_F(BrowserControlTest, a_new_window_opens_in_the_same_view_with_navigation_off_and_in_a_popup_with_it_on) {
    auto control = make(login_block());  // new-window navigation off
    ASSERT_TRUE(control->create_view(kParent, 10, 10));
    auto create = callback<wkeCreateViewCallback>("wkeOnCreateView");
    std::u16string url = u"https://127.0.0.1/pop";
    EXPECT_EQ(create(kView, param("wkeOnCreateView"), WKE_NAVIGATION_TYPE_LINKCLICK, reinterpret_cast<wkeString>(&url)),
              kView);
    m_answers[kNewWindow] = [] { return 0; };  // a veto keeps it from opening anywhere
    EXPECT_EQ(create(kView, param("wkeOnCreateView"), WKE_NAVIGATION_TYPE_LINKCLICK, reinterpret_cast<wkeString>(&url)),
              nullptr);
    control->property_changed(kNewWindowNavigation, forms::PropertyValue::of_number(1));
    EXPECT_EQ(create(kView, param("wkeOnCreateView"), WKE_NAVIGATION_TYPE_LINKCLICK, reinterpret_cast<wkeString>(&url)),
              nullptr);
    m_answers.erase(kNewWindow);
    journal.calls.clear();
    EXPECT_EQ(create(kView, param("wkeOnCreateView"), WKE_NAVIGATION_TYPE_LINKCLICK, reinterpret_cast<wkeString>(&url)),
              kPopup);
    EXPECT_EQ(journal.calls, (std::vector<std::string>{"create 0 other 100 100 800 600", "popup title 澜星Web浏览器",
                                                       "popup show 1"}));
    EXPECT_EQ(m_raised.back(), (Raised{kNewWindow, {"0", "https://127.0.0.1/pop"}}));
}

}  // namespace
}  // namespace quilbex::browser

// Views inside program windows: placement, lifetime, page scripts and texts.

#include "support/Gbk.h"
#include "tests/engine/EngineFixture.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gdk/gdkx.h>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace quilbex::testing {
namespace {

using EngineViewTest = EngineFixture;

// The GL drivers (Mesa's and the LLVM it compiles shaders with) mapped into this process.
std::set<std::string> gl_drivers_mapped() {
    std::set<std::string> drivers;
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);) {
        for (const char* driver : {"_dri.so", "libEGL_mesa", "libGLX_mesa", "libgallium", "libLLVM"})
            if (line.find(driver) != std::string::npos)
                drivers.insert(line.substr(line.find('/')));
    }
    return drivers;
}

TEST_F(EngineViewTest, control_view_sits_in_the_parent_window_at_its_place_and_size) {
    auto& e = api();
    // Windows that the program cannot resolve give no view.
    EXPECT_EQ(e.wkeCreateWebWindow(WKE_WINDOW_TYPE_CONTROL, reinterpret_cast<void*>(0x1234), 0, 0, 10, 10), nullptr);
    EXPECT_EQ(e.wkeCreateWebWindow(WKE_WINDOW_TYPE_CONTROL, nullptr, 0, 0, 10, 10), nullptr);

    wkeWebView view = e.wkeCreateWebWindow(WKE_WINDOW_TYPE_CONTROL, m_host->handle(), 12, 34, 300, 200);
    ASSERT_NE(view, nullptr);
    auto* widget = static_cast<GtkWidget*>(e.wkeGetWindowHandle(view));
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(gtk_widget_get_parent(widget), m_host->fixed());
    int x = -1, y = -1, width = -1, height = -1;
    gtk_container_child_get(GTK_CONTAINER(m_host->fixed()), widget, "x", &x, "y", &y, nullptr);
    gtk_widget_get_size_request(widget, &width, &height);
    EXPECT_EQ(std::make_pair(x, y), std::make_pair(12, 34));
    EXPECT_EQ(std::make_pair(width, height), std::make_pair(300, 200));
    e.wkeResize(view, 320, 240);
    gtk_widget_get_size_request(widget, &width, &height);
    EXPECT_EQ(std::make_pair(width, height), std::make_pair(320, 240));

    // Hidden until shown, as a child window created without WS_VISIBLE.
    EXPECT_FALSE(gtk_widget_get_visible(widget));
    e.wkeShowWindow(view, true);
    EXPECT_TRUE(gtk_widget_get_visible(widget));
}

TEST_F(EngineViewTest, a_view_goes_with_its_parent_window_and_its_handle_becomes_inert) {
    auto& e = api();
    wkeWebView view = make_view();
    e.wkeLoadHTML(view, "<title>before</title>");
    ASSERT_TRUE(run_until([&] { return std::string(e.wkeGetTitle(view)) == "before"; }));

    m_host->destroy();
    run_for(50);
    // Every call on the stale handle is answered without touching freed memory.
    EXPECT_EQ(e.wkeGetWindowHandle(view), nullptr);
    EXPECT_STREQ(e.wkeGetTitle(view), "");
    EXPECT_STREQ(e.wkeGetCookie(view), "");
    e.wkeLoadURL(view, "https://127.0.0.1:1/");
    e.wkeResize(view, 10, 10);
    e.wkeOnTitleChanged(view, nullptr, nullptr);
    e.wkeDestroyWebView(view);
    EXPECT_EQ(e.wkeGetWindowHandle(view), nullptr);
}

TEST_F(EngineViewTest, a_view_may_be_destroyed_from_inside_its_own_callbacks) {
    auto& e = api();
    wkeWebView view = make_view();
    bool destroyed = false;
    // Destroy the view when its title arrives, from inside the engine's notification.
    e.wkeOnTitleChanged(
        view,
        [](wkeWebView self, void* flag, const wkeString) {
            EngineApi::get().wkeDestroyWebView(self);
            *static_cast<bool*>(flag) = true;
        },
        &destroyed);
    e.wkeLoadHTML(view, "<title>going</title><script>console.log('still here');</script>");
    ASSERT_TRUE(run_until([&] { return destroyed; }));
    EXPECT_EQ(e.wkeGetWindowHandle(view), nullptr);
    run_for(300);  // late notifications of the gone view must find nothing
    EXPECT_EQ(gtk_container_get_children(GTK_CONTAINER(m_host->fixed())), nullptr);
    EXPECT_STREQ(e.wkeGetTitle(view), "");
}

TEST_F(EngineViewTest, webkit_helper_processes_end_when_the_last_view_is_gone_and_come_back_for_the_next) {
    auto& e = api();
    wkeWebView first = make_view();
    wkeWebView second = make_view();
    e.wkeLoadHTML(first, "<title>first</title>");
    e.wkeLoadHTML(second, "<title>second</title>");
    ASSERT_TRUE(run_until([&] { return std::string(e.wkeGetTitle(second)) == "second"; }));
    ASSERT_GT(helper_processes(), 0);

    // One view left: its page goes on working.
    e.wkeDestroyWebView(first);
    run_for(300);
    ASSERT_GT(helper_processes(), 0);
    e.wkeLoadHTML(second, "<title>still</title>");
    ASSERT_TRUE(run_until([&] { return std::string(e.wkeGetTitle(second)) == "still"; }));

    e.wkeDestroyWebView(second);
    EXPECT_TRUE(run_until([] { return helper_processes() == 0; }, 30000)) << helper_processes() << " left";

    wkeWebView next = make_view();
    e.wkeLoadHTML(next, "<title>next</title>");
    EXPECT_TRUE(run_until([&] { return std::string(e.wkeGetTitle(next)) == "next"; }));
}

struct DialogLog {
    std::u16string alert;
    std::u16string confirm;
    std::u16string prompt;
    std::u16string prompt_default;
};

TEST_F(EngineViewTest, form_fields_take_the_desktop_font_unless_the_page_gives_its_own) {
    auto& e = api();
    wkeWebView view = make_view();
    e.wkeLoadHTML(view, "<input id=plain><input id=own style='font:20px serif'><script>const font = id => "
                        "getComputedStyle(document.getElementById(id)).font; document.title = font('plain') + "
                        "' | ' + font('own');</script>");
    ASSERT_TRUE(run_until([&] { return std::string(e.wkeGetTitle(view)).find('|') != std::string::npos; }));
    // Not the page's default font (16px), which WebKit falls back to without the desktop's.
    gchar* desktop = nullptr;
    g_object_get(gtk_settings_get_default(), "gtk-font-name", &desktop, nullptr);
    const std::string family = std::string(desktop).substr(0, std::string(desktop).rfind(' '));
    g_free(desktop);
    EXPECT_NE(std::string(e.wkeGetTitle(view)).find(family), std::string::npos) << e.wkeGetTitle(view);
    EXPECT_EQ(std::string(e.wkeGetTitle(view)).find("16px"), std::string::npos) << e.wkeGetTitle(view);
    EXPECT_NE(std::string(e.wkeGetTitle(view)).find("| 20px serif"), std::string::npos) << e.wkeGetTitle(view);
}

TEST_F(EngineViewTest, page_dialogs_reach_the_callbacks_and_their_answers_reach_the_page) {
    auto& e = api();
    wkeWebView view = make_view();
    DialogLog log;
    e.wkeOnAlertBox(
        view,
        [](wkeWebView, void* p, const wkeString msg) {
            static_cast<DialogLog*>(p)->alert = EngineApi::get().wkeGetStringW(msg);
        },
        &log);
    e.wkeOnConfirmBox(
        view,
        [](wkeWebView, void* p, const wkeString msg) {
            static_cast<DialogLog*>(p)->confirm = EngineApi::get().wkeGetStringW(msg);
            return true;
        },
        &log);
    e.wkeOnPromptBox(
        view,
        [](wkeWebView, void* p, const wkeString msg, const wkeString def, wkeString result) {
            auto& api = EngineApi::get();
            static_cast<DialogLog*>(p)->prompt = api.wkeGetStringW(msg);
            static_cast<DialogLog*>(p)->prompt_default = api.wkeGetStringW(def);
            const std::u16string answer = u"答案";
            api.wkeSetStringW(result, answer.c_str(), answer.size());
            return true;
        },
        &log);
    // The program's own texts are GBK: the engine reads them as such.
    const std::string html = gbk("<title>中文</title><script>alert('提示');"
                                 "document.title += '|' + confirm('确定吗') + '|' + prompt('问题', '默认');</script>");
    e.wkeLoadHTML(view, html.c_str());
    ASSERT_TRUE(run_until([&] { return std::string(e.wkeGetTitle(view)).find("答案") != std::string::npos; }))
        << e.wkeGetTitle(view);
    EXPECT_STREQ(e.wkeGetTitle(view), "中文|true|答案");
    EXPECT_EQ(log.alert, u"提示");
    EXPECT_EQ(log.confirm, u"确定吗");
    EXPECT_EQ(log.prompt, u"问题");
    EXPECT_EQ(log.prompt_default, u"默认");

    // A refused prompt answers null; a refused confirmation false.
    e.wkeOnConfirmBox(
        view, [](wkeWebView, void*, const wkeString) { return false; }, nullptr);
    e.wkeOnPromptBox(
        view, [](wkeWebView, void*, const wkeString, const wkeString, wkeString) { return false; }, nullptr);
    e.wkeLoadHTML(view, "<script>document.title = confirm('a') + '|' + prompt('b', 'c');</script>");
    ASSERT_TRUE(run_until([&] { return std::string(e.wkeGetTitle(view)) == "false|null"; })) << e.wkeGetTitle(view);
}

TEST_F(EngineViewTest, navigation_callback_can_refuse_a_navigation) {
    auto& e = api();
    wkeWebView view = make_view();
    std::vector<std::string> seen;
    e.wkeOnNavigation(
        view,
        [](wkeWebView, void* p, wkeNavigationType, wkeString url) {
            std::string address = EngineApi::get().wkeGetString(url);
            static_cast<std::vector<std::string>*>(p)->push_back(address);
            return address.find("forbidden") == std::string::npos;
        },
        &seen);
    e.wkeLoadHTML(view, "<title>start</title><script>setTimeout(function () {"
                        " location.href = 'data:text/html,<title>forbidden</title>'; }, 0);</script>");
    ASSERT_TRUE(run_until([&] { return seen.size() >= 2; }));
    run_for(300);
    EXPECT_STREQ(e.wkeGetTitle(view), "start");
    EXPECT_NE(seen.back().find("forbidden"), std::string::npos);
}

// Reads one pixel of a PNG file as "r,g,b" with ImageMagick.
std::string pixel_of(const std::string& png, int x, int y) {
    const std::string command = "convert '" + png + "' -format '%[fx:int(255*p{" + std::to_string(x) + "," +
                                std::to_string(y) + "}.r)],%[fx:int(255*p{" + std::to_string(x) + "," +
                                std::to_string(y) + "}.g)],%[fx:int(255*p{" + std::to_string(x) + "," +
                                std::to_string(y) + "}.b)]' info:";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    char buffer[64] = {};
    if (!pipe || !fgets(buffer, sizeof buffer, pipe.get()))
        return {};
    return buffer;
}

TEST_F(EngineViewTest, the_page_is_on_screen_where_the_view_was_placed) {
    auto& e = api();
    // GDK may have loaded a GL driver when it opened the display (the first
    // program on a display does); the views must add none.
    const std::set<std::string> drivers_before = gl_drivers_mapped();
    // A place of the screen that the other engine tests' windows do not cover.
    m_host = std::make_unique<HostWindow>(640, 480, 640, 0);
    wkeWebView view = make_view(400, 300);
    e.wkeLoadHTML(view, "<title>shown</title><body style='margin:0;background:rgb(30,144,255)'>"
                        "<h1 style='color:white;font:bold 40px sans-serif;padding:20px'>Quilbex 浏览器</h1></body>");
    ASSERT_TRUE(run_until([&] { return m_finished; }));
    GdkWindow* window = gtk_widget_get_window(m_host->window());
    const std::string shot =
        std::string(::testing::UnitTest::GetInstance()->original_working_dir()) + "/engine-view-screenshot.png";
    const std::string command = "import -window " + std::to_string(gdk_x11_window_get_xid(window)) + " '" + shot + "'";
    // The compositor puts the frame on screen a little after the load; a busy machine takes longer.
    for (int attempt = 0; attempt < 100; ++attempt) {
        gdk_window_raise(window);
        run_for(300);
        ASSERT_EQ(std::system(command.c_str()), 0);
        if (pixel_of(shot, 380, 290) == "30,144,255")
            break;
    }
    // Inside the view (placed at 10, 10): the page's background; outside it: not.
    EXPECT_EQ(pixel_of(shot, 380, 290), "30,144,255");
    EXPECT_NE(pixel_of(shot, 5, 5), "30,144,255");
    EXPECT_NE(pixel_of(shot, 420, 320), "30,144,255");
    // Drawn in software: no GL driver was brought into the program for it.
    EXPECT_EQ(gl_drivers_mapped(), drivers_before);
}

}  // namespace
}  // namespace quilbex::testing

// A view placed partly outside its parent (as the login window's browser
// control is, 24 pixels left of and 64 above the client area) draws the page
// over all of its visible part, down to the parent's bottom edge.

#include "tests/engine/EngineFixture.h"

#include <cstdio>
#include <cstdlib>
#include <gdk/gdkx.h>
#include <memory>

namespace quilbex::testing {
namespace {

using EngineViewOverhangTest = EngineFixture;

std::string pixel_at(const std::string& png, int x, int y) {
    const std::string at = "p{" + std::to_string(x) + "," + std::to_string(y) + "}";
    const std::string command = "convert '" + png + "' -format '%[fx:int(255*" + at + ".r)],%[fx:int(255*" + at +
                                ".g)],%[fx:int(255*" + at + ".b)]' info:";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    char buffer[64] = {};
    if (!pipe || !fgets(buffer, sizeof buffer, pipe.get()))
        return {};
    return buffer;
}

TEST_F(EngineViewOverhangTest, a_view_reaching_out_of_its_parent_draws_the_page_to_the_parents_bottom) {
    auto& e = api();
    // The login window's client area and browser control.
    m_host = std::make_unique<HostWindow>(759, 484, 0, 0);
    wkeWebView view = e.wkeCreateWebWindow(WKE_WINDOW_TYPE_CONTROL, m_host->handle(), -24, -64, 784, 496);
    ASSERT_NE(view, nullptr);
    e.wkeShowWindow(view, true);
    e.wkeOnLoadingFinish(view, &EngineFixture::record_finish, this);
    e.wkeLoadHTML(view, "<html style='height:100%'><body style='margin:0;height:100%;background:rgb(30,144,255)'>"
                        "</body></html>");
    ASSERT_TRUE(run_until([&] { return m_finished; }));
    GdkWindow* window = gtk_widget_get_window(m_host->window());
    const std::string shot =
        std::string(::testing::UnitTest::GetInstance()->original_working_dir()) + "/engine-view-overhang.png";
    const std::string command = "import -window " + std::to_string(gdk_x11_window_get_xid(window)) + " '" + shot + "'";
    // Row 431 is the last row of the view inside the parent.
    for (int attempt = 0; attempt < 20; ++attempt) {
        gdk_window_raise(window);
        run_for(300);
        ASSERT_EQ(std::system(command.c_str()), 0);
        if (pixel_at(shot, 10, 10) == "30,144,255" && pixel_at(shot, 700, 430) == "30,144,255")
            break;
    }
    EXPECT_EQ(pixel_at(shot, 10, 10), "30,144,255");
    EXPECT_EQ(pixel_at(shot, 700, 366), "30,144,255");
    EXPECT_EQ(pixel_at(shot, 700, 400), "30,144,255");
    EXPECT_EQ(pixel_at(shot, 700, 430), "30,144,255");
    EXPECT_NE(pixel_at(shot, 700, 440), "30,144,255");
}

}  // namespace
}  // namespace quilbex::testing

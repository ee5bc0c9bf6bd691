#pragma once
// A fixture for tests of the engine library: a display, the library loaded
// with dlopen and initialised, a host window, a local certificate authority
// and a helper that creates a view and waits for its loads.

#include "tests/engine/EngineApi.h"
#include "tests/engine/TestHost.h"
#include "tests/engine/TestTls.h"

#include <gtest/gtest.h>
#include <string>

namespace quilbex::testing {

class EngineFixture : public ::testing::Test {
protected:
    void SetUp() override {
        init_test_display();
        if (IsSkipped())
            return;
        api().wkeInitializeEx(nullptr);
        ASSERT_TRUE(api().wkeIsInitialize());
        m_host = std::make_unique<HostWindow>();
    }

    static EngineApi& api() { return EngineApi::get(); }

    // A shown control view at (10, 10) in the host window.
    wkeWebView make_view(int width = 400, int height = 300) {
        wkeWebView view = api().wkeCreateWebWindow(WKE_WINDOW_TYPE_CONTROL, m_host->handle(), 10, 10, width, height);
        EXPECT_NE(view, nullptr);
        api().wkeShowWindow(view, true);
        api().wkeOnLoadingFinish(view, &EngineFixture::record_finish, this);
        return view;
    }

    // Loads `url` and waits until the main document has finished or failed.
    wkeLoadingResult load_and_wait(wkeWebView view, const std::string& url) {
        m_finished = false;
        api().wkeLoadURL(view, url.c_str());
        EXPECT_TRUE(run_until([this] { return m_finished; })) << "no end of loading for " << url;
        return m_result;
    }

    static void record_finish(wkeWebView, void* self, const wkeString url, wkeLoadingResult result,
                              const wkeString reason) {
        auto* fixture = static_cast<EngineFixture*>(self);
        fixture->m_finished = true;
        fixture->m_result = result;
        fixture->m_finished_url = api().wkeGetString(url);
        fixture->m_failed_reason = api().wkeGetString(reason);
    }

    std::unique_ptr<HostWindow> m_host;
    TempDir m_dir;
    TestAuthority m_authority{m_dir.path(), "local"};
    bool m_finished = false;
    wkeLoadingResult m_result = WKE_LOADING_FAILED;
    std::string m_finished_url;
    std::string m_failed_reason;
};

}  // namespace quilbex::testing

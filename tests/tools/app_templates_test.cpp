// The program's generated window templates, read back with the runtime's
// reader (which refuses data with bytes left over) and compared with the
// windows the program needs, written out here independently of the forms
// description they are generated from.

#include "app_templates/WindowTemplates.h"
#include "forms/blocks/BrowserBlock.h"
#include "forms/blocks/ButtonBlock.h"
#include "forms/blocks/EditBoxBlock.h"
#include "forms/blocks/LabelBlock.h"
#include "forms/blocks/TimerBlock.h"
#include "forms/blocks/WindowBlock.h"
#include "forms/template/TemplateReader.h"
#include "support/Gbk.h"

#include <gtest/gtest.h>
#include <map>
#include <stdexcept>
#include <tuple>

namespace quilbex::forms {
namespace {

namespace app = quilbex::app::forms;
using quilbex::testing::gbk;

TemplateData generated() {
    auto read = read_templates(std::span(app::kTemplateData, app::kTemplateDataSize));
    EXPECT_TRUE(read.ok()) << read.error().message << " at " << read.error().offset;
    return read.ok() ? read.value() : TemplateData{};
}

const UnitRecord& unit(const TemplateData& data, std::uint32_t window, std::uint32_t id) {
    const WindowTemplate* w = data.find_window(window);
    if (!w || !w->find_unit(id))
        throw std::runtime_error("missing unit");
    return *w->find_unit(id);
}

struct Placement {
    std::uint32_t id;
    std::uint32_t type;
    const char* name;
    std::int32_t left, top, width, height;
};

void expect_units(const WindowTemplate& window, const std::vector<Placement>& expected) {
    ASSERT_EQ(window.units.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const UnitRecord& u = window.units[i];
        const Placement& p = expected[i];
        SCOPED_TRACE(p.name);
        EXPECT_EQ(u.id, p.id);
        EXPECT_EQ(u.type, p.type);
        EXPECT_EQ(u.name, gbk(p.name));
        EXPECT_EQ(std::tie(u.left, u.top, u.width, u.height), std::tie(p.left, p.top, p.width, p.height));
        EXPECT_TRUE(u.visible());
        EXPECT_EQ(u.container, 0u);
        EXPECT_TRUE(u.mouse_pointer.empty());
    }
}

TEST(AppTemplates, main_window_holds_its_twelve_records_in_template_order) {
    TemplateData data = generated();
    ASSERT_EQ(data.windows.size(), 3u);
    const WindowTemplate& main = data.windows[0];
    EXPECT_EQ(main.id, 0x52010001u);
    EXPECT_EQ(main.values, (std::array<std::uint32_t, 2>{0x0000E100, 0x19010003}));
    EXPECT_EQ(main.texts, (std::array<std::string, 2>{}));
    expect_units(main, {
                           {0x06010000, kWindowType, "", 50, 50, 440, 338},
                           {0x1601596A, kTimerType, "时钟1", 224, 280, 26, 26},
                           {0x16015969, kLabelType, "标签_时间", 4, 288, 216, 24},
                           {0x16015956, kButtonType, "按钮2", 352, 152, 80, 32},
                           {0x16015929, kButtonType, "按钮_登录", 350, 269, 64, 32},
                           {0x160158EE, kLabelType, "标签_签到", 31, 152, 65, 24},
                           {0x160158ED, kEditBoxType, "编辑框_你想说的话", 100, 152, 248, 72},
                           {0x160158D3, kButtonType, "按钮1", 352, 111, 56, 32},
                           {0x160158C8, kLabelType, "标签1", 39, 111, 56, 32},
                           {0x160158C7, kEditBoxType, "编辑框1_Cookie", 100, 112, 248, 32},
                           {0x16012C18, kEditBoxType, "编辑框_显示", 0, 0, 432, 104},
                           {0x16010002, kButtonType, "按钮1_抽奖", 168, 239, 80, 36},
                       });
}

TEST(AppTemplates, login_window_holds_its_four_records_in_template_order) {
    TemplateData data = generated();
    ASSERT_EQ(data.windows.size(), 3u);
    const WindowTemplate& login = data.windows[1];
    EXPECT_EQ(login.id, 0x5201591Bu);
    EXPECT_EQ(login.values, (std::array<std::uint32_t, 2>{0x4601139C, 0x19015925}));
    expect_units(login, {
                            {0x0601591A, kWindowType, "", 50, 50, 765, 510},
                            {0x16015924, kTimerType, "时钟1", 712, 440, 40, 40},
                            {0x16015923, kButtonType, "按钮1", 0, 432, 760, 49},
                            {0x1601591C, kBrowserType, "澜星Web浏览器1", -24, -64, 784, 496},
                        });
}

TEST(AppTemplates, handlers_are_bound_by_routine_index_and_nothing_else_has_one) {
    using R = app::Routine;
    const std::map<std::uint32_t, R> bound = {
        {0x06010000, R::main_window_created},  {0x1601596A, R::clock_tick},
        {0x16015956, R::quote_button_click},   {0x16015929, R::login_button_click},
        {0x160158D3, R::save_button_click},    {0x16010002, R::sign_button_click},
        {0x0601591A, R::login_window_created}, {0x16015924, R::login_clock_tick},
        {0x16015923, R::capture_button_click}, {0x06020000, R::setup_window_created},
        {0x16020004, R::setup_more_click},     {0x1602000F, R::setup_daily_click},
        {0x16020013, R::setup_test_click},     {0x16020014, R::setup_save_click},
        {0x16020015, R::setup_cancel_click},
    };
    EXPECT_EQ(static_cast<std::uint32_t>(R::main_window_created), 0u);
    EXPECT_STREQ(app::kRoutineNames[static_cast<std::size_t>(R::capture_button_click)], "capture_button_click");
    EXPECT_STREQ(app::kRoutineNames[static_cast<std::size_t>(R::setup_cancel_click)], "setup_cancel_click");
    for (const auto& window : generated().windows) {
        for (const auto& u : window.units) {
            auto it = bound.find(u.id);
            if (it == bound.end()) {
                EXPECT_TRUE(u.handlers.empty()) << std::hex << u.id;
                continue;
            }
            ASSERT_EQ(u.handlers.size(), 1u) << std::hex << u.id;
            EXPECT_EQ(u.handlers[0], (HandlerEntry{0, static_cast<std::uint32_t>(it->second)}));
        }
    }
}

TEST(AppTemplates, window_blocks_carry_title_colour_and_icon) {
    TemplateData data = generated();
    auto main = read_window_block(unit(data, 0x52010001, 0x06010000).property_block);
    ASSERT_TRUE(main.ok()) << main.error().message;
    EXPECT_EQ(main.value().version, 6u);
    EXPECT_EQ(main.value().border, 2);
    EXPECT_EQ(main.value().background_colour, 0xE3E3E3u);
    EXPECT_EQ(main.value().start_position, 1);
    EXPECT_EQ(main.value().esc_closes, 1);
    EXPECT_EQ(main.value().title, gbk("Quilbex签到抽奖V1.0"));
    const Bytes& icon = main.value().icon;
    ASSERT_EQ(icon.size(), 4286u);
    EXPECT_EQ(icon[2], 1);  // an icon, not a cursor
    EXPECT_EQ(icon[6], 32);  // 32 x 32
    EXPECT_EQ(icon[7], 32);

    auto login = read_window_block(unit(data, 0x5201591B, 0x0601591A).property_block);
    ASSERT_TRUE(login.ok());
    EXPECT_EQ(login.value().title, gbk("登录"));
    EXPECT_EQ(login.value().background_colour, kSystemColour);
    EXPECT_TRUE(login.value().icon.empty());
}

TEST(AppTemplates, control_blocks_carry_captions_intervals_and_box_settings) {
    TemplateData data = generated();
    auto caption = [&](std::uint32_t window, std::uint32_t id) {
        return read_button_block(unit(data, window, id).property_block).value().caption;
    };
    EXPECT_EQ(caption(0x52010001, 0x16015956), gbk("随机一段话"));
    EXPECT_EQ(caption(0x52010001, 0x16015929), gbk("登录"));
    EXPECT_EQ(caption(0x52010001, 0x160158D3), gbk("保存"));
    EXPECT_EQ(caption(0x52010001, 0x16010002), gbk("抽奖/签到"));
    EXPECT_EQ(caption(0x5201591B, 0x16015923), gbk("已登录，点击获取Cookie"));
    EXPECT_EQ(read_label_block(unit(data, 0x52010001, 0x160158EE).property_block).value().caption, gbk("签到文本："));
    EXPECT_EQ(read_label_block(unit(data, 0x52010001, 0x160158C8).property_block).value().caption, gbk("Cookie："));
    EXPECT_TRUE(read_label_block(unit(data, 0x52010001, 0x16015969).property_block).value().caption.empty());
    EXPECT_EQ(read_timer_block(unit(data, 0x52010001, 0x1601596A).property_block).value().interval, 1000);
    EXPECT_EQ(read_timer_block(unit(data, 0x5201591B, 0x16015924).property_block).value().interval, 1000);

    EXPECT_TRUE(unit(data, 0x52010001, 0x160158C7).property_block.empty());  // the cookie box
    EditBoxBlock message = read_edit_box_block(unit(data, 0x52010001, 0x160158ED).property_block).value();
    EXPECT_EQ(message.multi_line, 1);
    EXPECT_EQ(message.border, 1);
    EXPECT_EQ(message.input_mode, kInputNormal);
    EditBoxBlock status = read_edit_box_block(unit(data, 0x52010001, 0x16012C18).property_block).value();
    EXPECT_EQ(status.border, 0);
    EXPECT_EQ(status.text_colour, 0xFFFFFFu);
    EXPECT_EQ(status.background_colour, 0u);
    EXPECT_EQ(status.multi_line, 1);
    EXPECT_EQ(status.input_mode, kInputReadOnly);
}

TEST(AppTemplates, browser_block_opens_the_account_site_with_the_desktop_agent) {
    TemplateData data = generated();
    auto block = read_browser_block(unit(data, 0x5201591B, 0x1601591C).property_block);
    ASSERT_TRUE(block.ok()) << block.error().message;
    const BrowserBlock& b = block.value();
    EXPECT_EQ(b.address.rfind("https://", 0), 0u);
    EXPECT_NE(b.address.find("/index.html?&callback=https%3A%2F%2F"), std::string::npos);
    EXPECT_EQ(b.address.substr(b.address.size() - 3), "%2F");
    EXPECT_EQ(b.user_agent, "Mozilla/5.0 (Windows NT 10.0; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
                            "Chrome/69.0.3497.100 Safari/537.36");
    EXPECT_TRUE(b.cache_directory.empty());
    EXPECT_TRUE(b.cookie_directory.empty());
    EXPECT_EQ(b.new_window_navigation, 0);
    EXPECT_EQ(b.disable_f5_reload, 0);
    EXPECT_EQ(b.cookie_mode, 0);
}

TEST(AppTemplates, header_names_the_identifiers_of_both_windows) {
    EXPECT_EQ(app::main_window::kWindowId, 0x52010001u);
    EXPECT_EQ(app::main_window::cookie_box, 0x160158C7u);
    EXPECT_EQ(app::main_window::status_box, 0x16012C18u);
    EXPECT_EQ(app::login_window::kWindowId, 0x5201591Bu);
    EXPECT_EQ(app::login_window::browser, 0x1601591Cu);
}

}  // namespace
}  // namespace quilbex::forms

// Narrow and wide texts crossing the engine boundary, and the engine's string objects.

#include "engine/EngineString.h"
#include "engine/TextCodec.h"
#include "support/Gbk.h"

#include <gtest/gtest.h>
#include <memory>

namespace quilbex::engine {
namespace {

using quilbex::testing::gbk;

// The handle value of a string that no longer exists (as a program might keep
// one past its callback); only the value is used, never the memory.
wkeString handle_of_a_string_that_has_gone() {
    auto text = std::make_unique<EngineString>("gone");
    volatile std::uintptr_t value = reinterpret_cast<std::uintptr_t>(text->handle());
    text.reset();
    return reinterpret_cast<wkeString>(static_cast<std::uintptr_t>(value));
}

TEST(EngineText, narrow_texts_are_utf8_when_valid_and_gbk_otherwise) {
    EXPECT_EQ(narrow_to_utf8("https://127.0.0.1/index.html"), "https://127.0.0.1/index.html");
    EXPECT_EQ(narrow_to_utf8("登录"), "登录");
    EXPECT_EQ(narrow_to_utf8(gbk("请把node.dll放在这里").c_str()), "请把node.dll放在这里");
    EXPECT_EQ(narrow_to_utf8(nullptr), "");
}

TEST(EngineText, a_stray_byte_in_gbk_text_is_replaced_without_losing_the_rest) {
    // 0xFF is no GBK character; a lead byte at the very end has no trail byte.
    std::string text = gbk("前") + "\xFF" + gbk("后") + "\x81";
    EXPECT_EQ(narrow_to_utf8(text.c_str()), "前\xEF\xBF\xBD后\xEF\xBF\xBD");
}

TEST(EngineText, utf16_round_trips_including_characters_beyond_the_basic_plane) {
    const std::string text = "Cookie 目录 \xF0\x9F\x98\x80";
    const std::u16string wide = utf8_to_utf16(text);
    EXPECT_EQ(wide, u"Cookie 目录 \U0001F600");
    EXPECT_EQ(utf16_to_utf8(wide.c_str()), text);
    EXPECT_EQ(utf16_to_utf8(static_cast<const char16_t*>(nullptr)), "");
}

TEST(EngineText, broken_surrogates_and_bytes_become_replacement_characters) {
    const char16_t lone_high[] = {u'a', 0xD800, u'b', 0};
    const char16_t lone_low[] = {0xDC00, 0};
    EXPECT_EQ(utf16_to_utf8(lone_high), "a\xEF\xBF\xBD"
                                        "b");
    EXPECT_EQ(utf16_to_utf8(lone_low), "\xEF\xBF\xBD");
    EXPECT_EQ(utf8_to_utf16("x\xFFy"), u"x\uFFFDy");
}

TEST(EngineString, handles_are_recognised_only_while_the_string_lives) {
    {
        EngineString title("标题");
        ASSERT_EQ(EngineString::from_handle(title.handle()), &title);
        EXPECT_EQ(std::u16string(title.utf16()), u"标题");
        title.set_utf8("新");
        EXPECT_EQ(std::u16string(title.utf16()), u"新");
    }
    EXPECT_EQ(EngineString::from_handle(handle_of_a_string_that_has_gone()), nullptr);
    EXPECT_EQ(EngineString::from_handle(nullptr), nullptr);
}

}  // namespace
}  // namespace quilbex::engine

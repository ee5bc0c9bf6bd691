#include "platform/kernel/CodePage.h"
#include "platform/kernel/Paths.h"
#include "platform/kernel/ProfileFile.h"
#include "platform/kernel/Thread.h"
#include "support/Gbk.h"

#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace quilbex::kernel {
namespace {

using testing::gbk;

std::u16string to_wide(win::UINT cp, const std::string& bytes, int length, int* result = nullptr) {
    int needed = MultiByteToWideChar(cp, 0, bytes.c_str(), length, nullptr, 0);
    std::u16string out(static_cast<std::size_t>(needed), u'\xBEEF');
    int written = MultiByteToWideChar(cp, 0, bytes.c_str(), length, out.data(), needed);
    if (result)
        *result = written;
    EXPECT_EQ(written, needed);
    return out;
}

std::string to_narrow(win::UINT cp, const std::u16string& wide, int length, win::BOOL* used = nullptr) {
    int needed = WideCharToMultiByte(cp, 0, wide.c_str(), length, nullptr, 0, nullptr, used);
    std::string out(static_cast<std::size_t>(needed), '\x7F');
    int written = WideCharToMultiByte(cp, 0, wide.c_str(), length, out.data(), needed, nullptr, used);
    EXPECT_EQ(written, needed);
    return out;
}

TEST(MultiByteToWideChar, length_minus_one_counts_and_writes_the_terminator) {
    std::string text = gbk("中文a");
    EXPECT_EQ(MultiByteToWideChar(CP_GBK, 0, text.c_str(), -1, nullptr, 0), 4);
    EXPECT_EQ(to_wide(CP_GBK, text, -1), std::u16string(u"中文a\0", 4));
    EXPECT_EQ(to_wide(CP_GBK, text, static_cast<int>(text.size())), u"中文a");
}

TEST(MultiByteToWideChar, code_page_zero_is_gbk_and_65001_is_utf8) {
    std::string text = gbk("签到");
    EXPECT_EQ(to_wide(CP_ACP, text, -1), to_wide(CP_GBK, text, -1));
    EXPECT_EQ(to_wide(CP_UTF8, "签到", -1), std::u16string(u"签到\0", 3));
    EXPECT_EQ(to_wide(CP_UTF8, "\xF0\x9F\x98\x80", 4), u"\U0001F600");
}

TEST(MultiByteToWideChar, too_small_buffer_fails_with_insufficient_buffer) {
    std::string text = gbk("中文abc");
    char16_t buffer[3] = {};
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_GBK, 0, text.c_str(), -1, buffer, 3), 0);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
}

TEST(MultiByteToWideChar, bad_arguments_fail_with_invalid_parameter) {
    char16_t buffer[4];
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_GBK, 0, "a", 0, buffer, 4), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(MultiByteToWideChar(CP_GBK, 0, nullptr, -1, buffer, 4), 0);
    EXPECT_EQ(MultiByteToWideChar(CP_GBK, 0, "a", -1, nullptr, 4), 0);
    EXPECT_EQ(MultiByteToWideChar(1252, 0, "a", -1, buffer, 4), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0x2, "a", -1, buffer, 4), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_FLAGS);
}

TEST(MultiByteToWideChar, invalid_gbk_becomes_question_marks_without_losing_what_follows) {
    // 0xFF is no GBK byte; a lead byte at the very end has no second byte.
    EXPECT_EQ(to_wide(CP_GBK,
                      std::string("a\xFF"
                                  "b\xB0",
                                  4),
                      4),
              u"a?b?");
    // A lead byte followed by a byte that cannot be a second byte: the
    // second one is kept as the character it is.
    EXPECT_EQ(to_wide(CP_GBK, std::string("\xB0\x31x", 3), 3), u"?1x");
    EXPECT_EQ(to_wide(CP_GBK, "\x80", 1), u"\u20AC");
}

TEST(MultiByteToWideChar, invalid_utf8_becomes_one_replacement_per_ill_formed_subpart) {
    // A truncated three-byte character, a stray continuation byte, an
    // overlong encoding of "/" and an encoded surrogate.
    EXPECT_EQ(to_wide(CP_UTF8,
                      "\xE4\xB8"
                      "a",
                      3),
              u"\uFFFDa");
    EXPECT_EQ(to_wide(CP_UTF8,
                      "\x80"
                      "b",
                      2),
              u"\uFFFDb");
    EXPECT_EQ(to_wide(CP_UTF8, "\xC0\xAF", 2), u"\uFFFD\uFFFD");
    EXPECT_EQ(to_wide(CP_UTF8, "\xED\xA0\x80", 3), u"\uFFFD\uFFFD\uFFFD");
}

TEST(MultiByteToWideChar, err_invalid_chars_rejects_instead_of_replacing) {
    char16_t buffer[8];
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "a\xFF", 2, buffer, 8), 0);
    EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);
}

TEST(WideCharToMultiByte, round_trips_gbk_and_utf8) {
    std::u16string wide = u"Quilbex签到抽奖V1.0";
    EXPECT_EQ(to_narrow(CP_GBK, wide, -1), gbk("Quilbex签到抽奖V1.0") + std::string(1, '\0'));
    EXPECT_EQ(to_narrow(CP_UTF8, wide, static_cast<int>(wide.size())), "Quilbex签到抽奖V1.0");
    EXPECT_EQ(to_narrow(CP_UTF8, u"\U0001F600", 2), "\xF0\x9F\x98\x80");
}

TEST(WideCharToMultiByte, characters_gbk_lacks_become_the_default_character) {
    win::BOOL used = win::FALSE;
    EXPECT_EQ(to_narrow(CP_GBK, u"a\U0001F600b\xD800", 5, &used), "a?b?");
    EXPECT_EQ(used, win::TRUE);
    to_narrow(CP_GBK, u"ab", 2, &used);
    EXPECT_EQ(used, win::FALSE);

    char out[8] = {};
    EXPECT_EQ(WideCharToMultiByte(CP_GBK, 0, u"\U0001F600", 2, out, 8, "#", nullptr), 1);
    EXPECT_EQ(out[0], '#');
}

TEST(WideCharToMultiByte, lone_surrogate_in_utf8_becomes_replacement_character) {
    EXPECT_EQ(to_narrow(CP_UTF8, u"\xDC00x", 2), "\xEF\xBF\xBDx");
}

TEST(WideCharToMultiByte, utf8_refuses_default_character_arguments_and_small_buffers) {
    char out[4];
    win::BOOL used;
    SetLastError(0);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"a", -1, out, 4, nullptr, &used), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"签到", -1, out, 4, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
}

TEST(TextConversion, gbk_and_utf8_helpers_convert_whole_texts) {
    EXPECT_EQ(gbk_to_utf8(gbk("编辑框_显示")), "编辑框_显示");
    EXPECT_EQ(utf8_to_gbk("编辑框_显示"), gbk("编辑框_显示"));
    EXPECT_EQ(gbk_to_utf8(""), "");
    EXPECT_EQ(gbk_to_utf8(std::string("a\0b", 3)), std::string("a\0b", 3));
    EXPECT_EQ(gbk_to_utf8("a\xFF"), "a?");
    EXPECT_EQ(utf8_to_gbk("x\xE4\xB8"), "x?");
}

TEST(TextConversion, native_path_keeps_gbk_bytes_that_look_like_backslashes) {
    // 0x81 0x5C is one GBK character whose second byte is a backslash.
    std::string character("\x81\x5C");
    std::string name = gbk("C:\\数据\\") + character + ".ini";
    EXPECT_EQ(native_path(name), "C:/数据/" + testing::utf8(character) + ".ini");
    EXPECT_EQ(native_path("/tmp\\dir/file"), "/tmp/dir/file");
}

}  // namespace
}  // namespace quilbex::kernel

namespace quilbex::kernel {
namespace {

// A program folder whose name GBK cannot hold: its GBK text has "?" in place
// of what GBK lacks, and file names beginning with that text reach the real
// folder, while other folders are left alone.
TEST(TextConversion, file_names_in_a_program_folder_outside_gbk_reach_the_real_folder) {
    char pattern[] = "/tmp/quilbex-folder-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::string base = pattern;
    const std::string real = base + "/jörg 😀";
    ASSERT_EQ(::mkdir(real.c_str(), 0700), 0);
    const std::string text = folder_text(real);
    EXPECT_NE(text.find('?'), std::string::npos);

    const std::string file = text + "\\Cookie.ini";
    ASSERT_TRUE(WritePrivateProfileStringA("COOKIE", "cookie", "abc", file.c_str()));
    char value[16] = {};
    GetPrivateProfileStringA("COOKIE", "cookie", "", value, sizeof value, file.c_str());
    EXPECT_STREQ(value, "abc");
    EXPECT_EQ(native_path(file), real + "/Cookie.ini");
    EXPECT_EQ(::access((real + "/Cookie.ini").c_str(), F_OK), 0);
    // A longer name that only begins like the stand-in is another folder.
    EXPECT_EQ(native_path(text + "x\\a"), gbk_to_utf8(text) + "x/a");
    // A folder GBK can hold needs no stand-in and is converted as it is.
    EXPECT_EQ(gbk_to_utf8(folder_text(base + "/测试")), base + "/测试");

    ::unlink((real + "/Cookie.ini").c_str());
    ::rmdir(real.c_str());
    ::rmdir(base.c_str());
}

// Linux allows "\\" in a folder's name: inside the program folder's own name
// it is a character, after it a separator as Windows reads it.
TEST(TextConversion, a_backslash_in_the_program_folders_name_is_part_of_the_name) {
    char pattern[] = "/tmp/quilbex-folder-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::string base = pattern;
    const std::string real = base + "/a\\b 测试";
    ASSERT_EQ(::mkdir(real.c_str(), 0700), 0);
    const std::string text = folder_text(real);
    const std::string file = text + "\\Cookie.ini";
    ASSERT_TRUE(WritePrivateProfileStringA("COOKIE", "cookie", "abc", file.c_str()));
    EXPECT_EQ(::access((real + "/Cookie.ini").c_str(), F_OK), 0);
    EXPECT_EQ(native_path(file), real + "/Cookie.ini");
    EXPECT_EQ(native_path(text + "/sub\\x.ini"), real + "/sub/x.ini");
    EXPECT_EQ(native_path(text), real);
    // Other names keep the Windows reading.
    EXPECT_EQ(native_path(utf8_to_gbk(base + "/a\\c")), base + "/a/c");

    ::unlink((real + "/Cookie.ini").c_str());
    ::rmdir(real.c_str());
    ::rmdir(base.c_str());
}

}  // namespace
}  // namespace quilbex::kernel

#include "support/Gbk.h"
#include "tools/constgen/ConstantsFile.h"
#include "tools/constgen/RegionWriter.h"

#include <cstring>
#include <gtest/gtest.h>

using namespace quilbex::tools;
using quilbex::testing::gbk;

namespace {

std::vector<Constant> parse_ok(const std::string& text) {
    auto parsed = parse_constants(text, ".");
    if (auto* error = std::get_if<ParseError>(&parsed)) {
        ADD_FAILURE() << "line " << error->line << ": " << error->message;
        return {};
    }
    return std::get<std::vector<Constant>>(parsed);
}

int error_line(const std::string& text) {
    auto parsed = parse_constants(text, ".");
    auto* error = std::get_if<ParseError>(&parsed);
    return error ? error->line : 0;
}

std::uint32_t u32_at(const RegionLayout& layout, std::size_t offset) {
    std::uint32_t value;
    std::memcpy(&value, layout.bytes.data() + offset, 4);
    return value;
}

TEST(ConstantsFile, texts_become_gbk_with_escapes_and_raw_bytes_kept) {
    auto constants = parse_ok("# comment\n\ntext caption \"错误\\r\\n\\\"x\\\" \\xFF\"\n");
    ASSERT_EQ(constants.size(), 1u);
    std::string expected = gbk("错误") + "\r\n\"x\" \xFF";
    EXPECT_EQ(std::string(constants[0].bytes.begin(), constants[0].bytes.end()), expected);
}

TEST(ConstantsFile, byte_sets_and_arrays_take_their_documented_shapes) {
    auto constants = parse_ok("text t \"ab\"\nbytes b hex \"01 02 ff\"\narray a int32 1 -2 0x10\n");
    RegionLayout layout = lay_out_region(constants);
    ASSERT_EQ(layout.placed.size(), 3u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(layout.bytes.data())), "ab");
    std::size_t b = layout.placed[1].offset;
    EXPECT_EQ(b % 4, 0u);
    EXPECT_EQ(u32_at(layout, b), 1u);  // one dimension
    EXPECT_EQ(u32_at(layout, b + 4), 3u);  // three bytes
    EXPECT_EQ(layout.bytes[b + 8 + 2], 0xFF);
    std::size_t a = layout.placed[2].offset;
    EXPECT_EQ(u32_at(layout, a + 4), 3u);
    EXPECT_EQ(static_cast<std::int32_t>(u32_at(layout, a + 12)), -2);
    EXPECT_EQ(u32_at(layout, a + 16), 16u);
}

TEST(ConstantsFile, mistakes_are_reported_with_their_line) {
    EXPECT_EQ(error_line("text ok \"x\"\nvalue x \"y\""), 2);
    EXPECT_EQ(error_line("text 9name \"x\""), 1);
    EXPECT_EQ(error_line("text a \"x\"\ntext a \"y\""), 2);
    EXPECT_EQ(error_line("bytes b hex \"0\""), 1);
    EXPECT_EQ(error_line("bytes b file \"does-not-exist\""), 1);
    EXPECT_EQ(error_line("text t \"unterminated"), 1);
    EXPECT_EQ(error_line("array a int32 12x"), 1);
}

TEST(RegionWriter, the_source_declares_one_region_with_named_accessors) {
    auto constants = parse_ok("text hello \"hi\"\n");
    RegionLayout layout = lay_out_region(constants);
    std::string header = write_header(layout, "demo::consts", "demo.consts");
    EXPECT_NE(header.find("inline const char* hello()"), std::string::npos);
    EXPECT_NE(header.find("kRegionSize = 3"), std::string::npos);
    std::string source = write_source(layout, "demo::consts", "demo/Demo.h");
    EXPECT_NE(source.find(" 104, 105, 0,"), std::string::npos);
}

}  // namespace

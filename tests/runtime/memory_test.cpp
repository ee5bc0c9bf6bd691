#include "TestProgram.h"
#include "runtime/Blocks.h"
#include "runtime/Memory.h"
#include "runtime/SystemHelp.h"
#include "support/Gbk.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace quilbex;
using quilbex::testing::gbk;
using quilbex::testing::utf8;

namespace {

class MemoryTest : public ::testing::Test {
protected:
    void SetUp() override { program.load(); }
    quilbex::testing::TestProgram program;
};

TEST_F(MemoryTest, constant_blocks_are_never_freed) {
    rt::release(const_cast<char*>(program.constant_text()));
    rt::release(nullptr);
    EXPECT_STREQ(program.constant_text(), "const");
}

TEST_F(MemoryTest, resizing_a_constant_copies_it_out_to_the_heap) {
    auto* constant = const_cast<char*>(program.constant_text());
    auto* copy = static_cast<char*>(rt::resize(constant, 6));
    ASSERT_NE(copy, constant);
    EXPECT_FALSE(rt::is_constant(copy));
    EXPECT_STREQ(copy, "const");
    rt::release(copy);
}

TEST_F(MemoryTest, resizing_a_constant_near_the_end_copies_only_what_the_region_holds) {
    auto* last = program.constants + sizeof program.constants - 2;
    last[0] = 'x';
    last[1] = 'y';
    auto* copy = static_cast<unsigned char*>(rt::resize(last, 100));
    EXPECT_EQ(copy[0], 'x');
    EXPECT_EQ(copy[1], 'y');
    rt::release(copy);
}

TEST_F(MemoryTest, resizing_null_allocates) {
    void* block = rt::resize(nullptr, 16);
    ASSERT_NE(block, nullptr);
    block = rt::resize(block, 4096);
    ASSERT_NE(block, nullptr);
    rt::release(block);
}

TEST_F(MemoryTest, making_a_constant_array_writable_copies_exactly_its_block) {
    void* array = program.constant_array();
    void* variable = array;
    rt::make_array_writable(4, &variable);
    ASSERT_NE(variable, array);
    EXPECT_FALSE(rt::is_constant(variable));
    // 4 + 4·2 + 4·(2·3) bytes
    EXPECT_EQ(rt::array_block_size(variable, 4), 36u);
    EXPECT_EQ(std::memcmp(variable, array, 36), 0);
    rt::release(variable);
}

TEST_F(MemoryTest, making_a_heap_array_writable_leaves_it_alone) {
    const std::uint32_t shape[] = {1, 2, 7, 8};
    void* heap_array = rt::allocate(sizeof shape);
    std::memcpy(heap_array, shape, sizeof shape);
    void* variable = heap_array;
    rt::make_array_writable(4, &variable);
    EXPECT_EQ(variable, heap_array);
    rt::release(heap_array);
}

TEST_F(MemoryTest, empty_texts_and_byte_sets_are_null) {
    EXPECT_EQ(rt::make_text(""), nullptr);
    EXPECT_EQ(rt::make_byte_set("x", 0), nullptr);
    rt::OwnedBlock set(rt::make_byte_set("ab", 2));
    auto bytes = rt::byte_set_bytes(set.get());
    ASSERT_EQ(bytes.size(), 2u);
    EXPECT_EQ(bytes[1], 'b');
    EXPECT_EQ(rt::array_dimensions(set.get()), 1u);
}

void* failing_allocate(std::size_t) { return nullptr; }

TEST(MemoryDeathTest, a_failed_allocation_reports_its_size_and_exits_with_255) {
    auto expected =
        utf8(gbk("运行时出错!\r\n") + gbk("\r\n错误信息：") + gbk("分配 100 字节内存失败!") + "\r\n" + "\r\n0, 0\r\n");
    EXPECT_EXIT(
        {
            quilbex::testing::TestProgram program;
            program.load();
            rt::set_heap_functions({failing_allocate, std::realloc, std::free});
            rt::allocate(100);
        },
        ::testing::ExitedWithCode(255), ::testing::HasSubstr(expected));
}

}  // namespace

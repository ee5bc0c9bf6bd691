#include "platform/com/Bstr.h"
#include "platform/com/SafeArray.h"
#include "platform/com/SpareBlocks.h"
#include "platform/com/Variant.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <thread>

using namespace quilbex::com;

namespace {

constexpr std::size_t kLarge = 256 * 1024;

bool all_zero(const void* data, std::size_t size) {
    auto* bytes = static_cast<const unsigned char*>(data);
    return std::all_of(bytes, bytes + size, [](unsigned char b) { return b == 0; });
}

}  // namespace

TEST(SpareBlocks, a_thread_keeps_a_few_megabytes_at_most_and_no_small_or_huge_blocks) {
    std::thread worker([] {
        EXPECT_EQ(spare_block_bytes(), 0u);
        give_block(take_block(1024));
        give_block(take_block(64u << 20));
        EXPECT_EQ(spare_block_bytes(), 0u);
        for (int i = 0; i < 10; ++i)
            give_block(take_block(3u << 20));
        EXPECT_GT(spare_block_bytes(), 0u);
        EXPECT_LE(spare_block_bytes(), 8u << 20);
        // A block taken back is whole: every byte of the size asked for is
        // usable (the sanitizer builds check the writes).
        void* block = take_block(3u << 20);
        ASSERT_NE(block, nullptr);
        std::memset(block, 0x5A, 3u << 20);
        give_block(block);
        // Spares left here are freed when the thread ends.
    });
    worker.join();
}

// Large strings and arrays may come from a block that held other data: what
// is documented to start zeroed must still start zeroed.
TEST(SpareBlocks, reused_blocks_start_as_cleared_strings_and_arrays) {
    std::thread worker([] {
        std::string dirty(kLarge, '\xAB');
        SysFreeString(SysAllocStringByteLen(dirty.data(), UINT(dirty.size())));
        BSTR zeroed = SysAllocStringByteLen(nullptr, UINT(kLarge));
        ASSERT_NE(zeroed, nullptr);
        EXPECT_TRUE(all_zero(zeroed, kLarge));
        SysFreeString(zeroed);

        SAFEARRAY* filled = safe_array_from_bytes(0, dirty.data(), ULONG(dirty.size()));
        ASSERT_NE(filled, nullptr);
        EXPECT_EQ(std::memcmp(filled->pvData, dirty.data(), dirty.size()), 0);
        EXPECT_EQ(SafeArrayDestroy(filled), S_OK);
        SAFEARRAY* bytes = SafeArrayCreateVector(VT_UI1, 0, ULONG(kLarge));
        ASSERT_NE(bytes, nullptr);
        EXPECT_TRUE(all_zero(bytes->pvData, kLarge));
        std::memset(bytes->pvData, 0xCD, kLarge);
        EXPECT_EQ(SafeArrayDestroy(bytes), S_OK);

        // String elements must start empty, or destroying the array would
        // free whatever the old bytes pointed at.
        SAFEARRAY* strings = SafeArrayCreateVector(VT_BSTR, 0, ULONG(kLarge / sizeof(BSTR)));
        ASSERT_NE(strings, nullptr);
        EXPECT_TRUE(all_zero(strings->pvData, kLarge));
        EXPECT_EQ(SafeArrayDestroy(strings), S_OK);
    });
    worker.join();
}

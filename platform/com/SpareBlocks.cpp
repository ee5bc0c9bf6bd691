#include "platform/com/SpareBlocks.h"

#include <cstdlib>
#include <malloc.h>
#include <memory>

namespace quilbex::com {
namespace {

// At most four blocks of at most 6 MB each, 8 MB in all: enough for the
// blocks of a conversion of a megabyte or two, and little to hold on a thread
// that converts nothing more. Past either bound the oldest spare is freed.
constexpr std::size_t kMaxSpares = 4;
constexpr std::size_t kMaxSpareBlock = 6u << 20;
constexpr std::size_t kMaxSpareBytes = 8u << 20;

struct HeapFree {
    void operator()(void* block) const { std::free(block); }
};

struct Spare {
    std::unique_ptr<void, HeapFree> block;
    std::size_t capacity = 0;
};

class Spares {
public:
    ~Spares() { t_alive = false; }

    static Spares* of_this_thread() {
        // A block given while the thread's other storage is being torn down,
        // after this object has gone, is simply freed.
        thread_local Spares spares;
        return t_alive ? &spares : nullptr;
    }

    void* take(std::size_t size) {
        // The smallest spare that holds `size`, unless it is more than four
        // times larger: a small request should not pin a large block.
        std::size_t best = m_count;
        for (std::size_t i = 0; i < m_count; ++i) {
            std::size_t c = m_spares[i].capacity;
            if (c >= size && c / 4 <= size && (best == m_count || c < m_spares[best].capacity))
                best = i;
        }
        if (best == m_count)
            return nullptr;
        void* block = m_spares[best].block.release();
        m_bytes -= m_spares[best].capacity;
        for (std::size_t i = best; i + 1 < m_count; ++i)
            m_spares[i] = std::move(m_spares[i + 1]);
        m_spares[--m_count] = Spare{};
        return block;
    }

    void give(void* block, std::size_t capacity) {
        // Newest first; the oldest falls off the end.
        if (m_count == kMaxSpares)
            drop_oldest();
        for (std::size_t i = m_count; i > 0; --i)
            m_spares[i] = std::move(m_spares[i - 1]);
        m_spares[0] = Spare{std::unique_ptr<void, HeapFree>(block), capacity};
        ++m_count;
        m_bytes += capacity;
        while (m_bytes > kMaxSpareBytes)
            drop_oldest();
    }

    std::size_t bytes() const { return m_bytes; }

private:
    void drop_oldest() {
        m_bytes -= m_spares[m_count - 1].capacity;
        m_spares[--m_count] = Spare{};
    }

    static thread_local bool t_alive;
    Spare m_spares[kMaxSpares];
    std::size_t m_count = 0;
    std::size_t m_bytes = 0;
};

thread_local bool Spares::t_alive = true;

}  // namespace

void* take_block(std::size_t size) {
    if (size >= kSpareBlockMinimum) {
        if (Spares* spares = Spares::of_this_thread()) {
            if (void* block = spares->take(size))
                return block;
        }
    }
    return std::malloc(size ? size : 1);
}

void give_block(void* block) {
    if (!block)
        return;
    std::size_t capacity = malloc_usable_size(block);
    Spares* spares = capacity >= kSpareBlockMinimum && capacity <= kMaxSpareBlock ? Spares::of_this_thread() : nullptr;
    if (!spares) {
        std::free(block);
        return;
    }
    spares->give(block, capacity);
}

std::size_t spare_block_bytes() {
    Spares* spares = Spares::of_this_thread();
    return spares ? spares->bytes() : 0;
}

}  // namespace quilbex::com

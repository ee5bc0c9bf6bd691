#include "platform/ado/StreamBuffer.h"

#include "platform/com/SpareBlocks.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

namespace quilbex::ado {

void StreamBuffer::BlockReturn::operator()(char* block) const { com::give_block(block); }

StreamBuffer::~StreamBuffer() = default;

StreamBuffer::StreamBuffer(StreamBuffer&& other) noexcept
    : m_block(std::move(other.m_block)), m_size(std::exchange(other.m_size, 0)),
      m_capacity(std::exchange(other.m_capacity, 0)) {}

StreamBuffer& StreamBuffer::operator=(StreamBuffer&& other) noexcept {
    if (this != &other) {
        m_block = std::move(other.m_block);
        m_size = std::exchange(other.m_size, 0);
        m_capacity = std::exchange(other.m_capacity, 0);
    }
    return *this;
}

void StreamBuffer::release() {
    m_block.reset();
    m_size = 0;
    m_capacity = 0;
}

bool StreamBuffer::reserve(std::size_t capacity) {
    if (capacity <= m_capacity)
        return true;
    // Repeated small writes grow by half again; one large write gets just
    // what it asks for.
    std::size_t wanted = std::max(capacity, m_capacity + m_capacity / 2);
    std::unique_ptr<char, BlockReturn> block(static_cast<char*>(com::take_block(wanted)));
    if (!block)
        return false;
    if (m_size)
        std::memcpy(block.get(), m_block.get(), m_size);
    m_block = std::move(block);
    m_capacity = wanted;
    return true;
}

void StreamBuffer::append(std::string_view bytes) {
    if (bytes.empty())
        return;
    if (char* at = extend(bytes.size()))
        std::memcpy(at, bytes.data(), bytes.size());
}

char* StreamBuffer::extend(std::size_t count) {
    if (count > SIZE_MAX - m_size || !reserve(m_size + count))
        return nullptr;
    char* at = m_block.get() + m_size;
    m_size += count;
    return at;
}

void StreamBuffer::truncate(std::size_t size) {
    if (size < m_size)
        m_size = size;
}

bool StreamBuffer::grow_to(std::size_t size) {
    if (size <= m_size)
        return true;
    return extend(size - m_size) != nullptr;
}

}  // namespace quilbex::ado

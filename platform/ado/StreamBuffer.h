#pragma once
// The bytes of an open stream: a growable block that does not clear what it
// grows by (every byte up to size() has been written by the stream), and that
// comes from and goes back to the thread's spare blocks, so that a stream of
// a megabyte reuses warm memory from one conversion to the next.

#include <cstddef>
#include <memory>
#include <string_view>

namespace quilbex::ado {

class StreamBuffer {
public:
    StreamBuffer() = default;
    ~StreamBuffer();
    StreamBuffer(StreamBuffer&& other) noexcept;
    StreamBuffer& operator=(StreamBuffer&& other) noexcept;
    StreamBuffer(const StreamBuffer&) = delete;
    StreamBuffer& operator=(const StreamBuffer&) = delete;

    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    const char* data() const { return m_block.get(); }
    char* data() { return m_block.get(); }
    std::string_view view() const { return {m_block.get(), m_size}; }

    // Gives the block back: the buffer is empty and holds no memory.
    void release();
    void append(std::string_view bytes);
    // Makes room for `count` more bytes and returns where they start; the
    // caller writes them and then cuts the buffer to what it wrote with
    // truncate(). Null (and nothing changed) when out of memory.
    char* extend(std::size_t count);
    // Shortens the buffer to `size` bytes (at most its size).
    void truncate(std::size_t size);
    // Grows the buffer to `size` bytes for the caller to overwrite. False
    // when out of memory.
    bool grow_to(std::size_t size);

private:
    struct BlockReturn {
        void operator()(char* block) const;
    };
    bool reserve(std::size_t capacity);

    std::unique_ptr<char, BlockReturn> m_block;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
};

}  // namespace quilbex::ado

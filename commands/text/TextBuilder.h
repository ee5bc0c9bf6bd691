#pragma once
// A text result built in place: a runtime block that grows as bytes are
// appended and is handed to the caller as it stands, so a long result is
// never copied once more at the end.

#include "runtime/Memory.h"

#include <cstring>
#include <string_view>

namespace quilbex::commands {

class TextBuilder {
public:
    explicit TextBuilder(std::size_t capacity) : m_capacity(capacity < 16 ? 16 : capacity) {
        m_block = static_cast<char*>(rt::allocate(m_capacity + 1));
    }
    ~TextBuilder() { rt::release(m_block); }
    TextBuilder(const TextBuilder&) = delete;
    TextBuilder& operator=(const TextBuilder&) = delete;

    void append(std::string_view bytes) {
        if (bytes.empty())
            return;
        if (m_size + bytes.size() > m_capacity) {
            std::size_t wanted = m_size + bytes.size();
            m_capacity = wanted > m_capacity * 2 ? wanted : m_capacity * 2;
            m_block = static_cast<char*>(rt::resize(m_block, m_capacity + 1));
        }
        std::memcpy(m_block + m_size, bytes.data(), bytes.size());
        m_size += bytes.size();
    }

    // The finished text (null when empty); the builder is empty afterwards.
    char* release() {
        char* block = m_block;
        m_block = nullptr;
        if (m_size == 0) {
            rt::release(block);
            return nullptr;
        }
        block[m_size] = '\0';
        return block;
    }

private:
    char* m_block = nullptr;
    std::size_t m_size = 0;
    std::size_t m_capacity;
};

}  // namespace quilbex::commands

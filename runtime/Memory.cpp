#include "runtime/Memory.h"

#include "runtime/ErrorReport.h"
#include "runtime/RuntimeApp.h"
#include "runtime_messages/RuntimeMessages.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace quilbex::rt {
namespace {

const HeapFunctions kProcessHeap{std::malloc, std::realloc, std::free};
HeapFunctions g_replacement{};  // written only while no other thread allocates (tests)
std::atomic<const HeapFunctions*> g_heap{&kProcessHeap};

[[noreturn]] void report_allocation_failure(std::size_t size) {
    char message[128];
    std::snprintf(message, sizeof message, messages::allocation_failed(), static_cast<int>(size));
    report_runtime_error(message, 0, 0, 0);
}

}  // namespace

HeapFunctions set_heap_functions(HeapFunctions heap) {
    HeapFunctions previous = *g_heap.load();
    g_replacement = heap;
    g_heap = &g_replacement;
    return previous;
}

bool is_constant(const void* pointer) {
    auto& app = runtime_app();
    auto* p = static_cast<const unsigned char*>(pointer);
    const unsigned char* start = app.constStart.load();
    return p && start && p >= start && p < app.constEnd.load();
}

void* allocate_quietly(std::size_t size) { return g_heap.load()->allocate(size ? size : 1); }

void* allocate(std::size_t size) {
    void* block = allocate_quietly(size);
    if (!block)
        report_allocation_failure(size);
    return block;
}

void* resize(void* block, std::size_t size) {
    if (!block)
        return allocate(size);
    if (is_constant(block)) {
        auto* source = static_cast<const unsigned char*>(block);
        std::size_t available = static_cast<std::size_t>(runtime_app().constEnd.load() - source);
        void* copy = allocate(size);
        std::memcpy(copy, source, std::min(available, size));
        return copy;
    }
    void* moved = g_heap.load()->reallocate(block, size ? size : 1);
    if (!moved)
        report_allocation_failure(size);
    return moved;
}

void release(void* block) {
    if (!block || is_constant(block))
        return;
    g_heap.load()->free(block);
}

char* make_text(std::string_view bytes) {
    if (bytes.empty())
        return nullptr;
    auto* text = static_cast<char*>(allocate(bytes.size() + 1));
    std::memcpy(text, bytes.data(), bytes.size());
    text[bytes.size()] = '\0';
    return text;
}

unsigned char* make_byte_set(const void* bytes, std::size_t length) {
    if (length == 0)
        return nullptr;
    auto* block = static_cast<unsigned char*>(allocate(8 + length));
    std::uint32_t header[2] = {1, static_cast<std::uint32_t>(length)};
    std::memcpy(block, header, sizeof header);
    std::memcpy(block + 8, bytes, length);
    return block;
}

}  // namespace quilbex::rt

#pragma once
// The runtime's memory services. Every text, byte set and array that crosses
// the call frame comes from here, so any part of the program may free any
// block. Blocks inside the application's constant region are never freed and
// never resized in place. All services are safe from any thread.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace quilbex::rt {

// Allocates size bytes from the process heap. A failure ends the program
// through the runtime error report ("分配 %d 字节内存失败!").
void* allocate(std::size_t size);

// As allocate, but a failure returns null (notification 2024 with its raw flag).
void* allocate_quietly(std::size_t size);

// Null is allocated afresh; a constant block is copied out into a new block of
// the new size; any other block is resized by the heap and may move.
void* resize(void* block, std::size_t size);

// Null and constant blocks are ignored.
void release(void* block);

// Whether the pointer lies in the application's constant region.
bool is_constant(const void* pointer);

// The process heap behind the services; replaceable so that tests can make an
// allocation fail.
struct HeapFunctions {
    void* (*allocate)(std::size_t);
    void* (*reallocate)(void*, std::size_t);
    void (*free)(void*);
};
HeapFunctions set_heap_functions(HeapFunctions heap);

// Owners of blocks that a command or property read returned.
struct RuntimeFree {
    void operator()(void* block) const { release(block); }
};
using OwnedText = std::unique_ptr<char, RuntimeFree>;
using OwnedBlock = std::unique_ptr<unsigned char, RuntimeFree>;

// A new text holding the bytes, or null when there are none (the empty text).
char* make_text(std::string_view bytes);

// A new byte set (1, length, bytes), or null when there are no bytes.
unsigned char* make_byte_set(const void* bytes, std::size_t length);

}  // namespace quilbex::rt

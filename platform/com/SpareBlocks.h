#pragma once
// Large heap blocks kept between uses on the thread that freed them.
//
// The stream object and the BSTR and SAFEARRAY allocators pass megabyte
// bodies through several large blocks per conversion. The process heap maps
// such blocks afresh on every call and gives them back when they are freed,
// so every conversion would pay for zeroed new pages (about half its time).
// A few of them are kept here instead, per thread, so that the next call of
// the same size finds warm memory.
//
// Every block here is a plain heap block (malloc/free): a block from
// take_block may be given to std::free, and any heap block of the process
// may be handed to give_block. The cache is bounded (see the .cpp), and a
// thread's spare blocks are freed when the thread ends.

#include <cstddef>

namespace quilbex::com {

// Blocks below this size are never kept: the heap serves them well itself.
inline constexpr std::size_t kSpareBlockMinimum = 64 * 1024;

// A heap block of at least `size` bytes, with unspecified contents; a spare
// block of this thread when one fits, else a new one. Null when out of memory.
void* take_block(std::size_t size);

// Frees `block` (null is ignored), or keeps it as a spare of this thread.
void give_block(void* block);

// The bytes this thread keeps in spare blocks now (for tests and measurements).
std::size_t spare_block_bytes();

}  // namespace quilbex::com

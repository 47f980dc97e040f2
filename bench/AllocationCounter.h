// Counts every heap allocation of a benchmark program, to show that a measured path makes none.
// It replaces the global operator new and delete, so exactly one file of a program includes it.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

// The replaced operator new takes its memory from malloc, so the replaced operator delete frees
// it there; g++ cannot see that pairing through the replacement and warns.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

namespace zarn::bench {
inline std::atomic<std::uint64_t> heapAllocations{0};
} // namespace zarn::bench

void* operator new(std::size_t size) {
    ++zarn::bench::heapAllocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

#pragma once
// Counts every heap allocation of a benchmark program, so that a benchmark can report how many
// allocations its loop makes. Include in exactly one file of each benchmark program.

#include <cstddef>
#include <cstdlib>
#include <new>

namespace tervalo::bench {
inline size_t g_allocations = 0;
}  // namespace tervalo::bench

// Kept out of line, as the deletes are: inlined, malloc() and free() meeting operator delete and
// operator new draw mismatched-allocation warnings.
[[gnu::noinline]] void* operator new(std::size_t size) {
  ++tervalo::bench::g_allocations;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }

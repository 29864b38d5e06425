// The program's operator delete once a test uses the guard: free, after the poison while a guard
// lives (operator new allocates with malloc, so _msize gives each block's size).
#include "support/FreedMemory.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

namespace korv::test {
namespace {
std::atomic<int> gPoisoning{0};
}  // namespace

TPoisonFreedMemory::TPoisonFreedMemory() noexcept { ++gPoisoning; }
TPoisonFreedMemory::~TPoisonFreedMemory() { --gPoisoning; }

}  // namespace korv::test

void operator delete(void* p) noexcept {
  if (!p) return;
  if (korv::test::gPoisoning > 0) std::memset(p, 0xCC, _msize(p));
  std::free(p);
}

void operator delete(void* p, std::size_t) noexcept { ::operator delete(p); }

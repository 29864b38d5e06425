// The program's operator delete while this object file is linked (a test that uses the guard
// pulls it in): the default one (free) unless a guard lives. operator new keeps allocating with
// malloc, so _msize gives each block's size.
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

// Freed memory made visible: while a TPoisonFreedMemory lives, every block the program frees
// through operator delete is filled with 0xCC first, so code that uses an object after it was
// freed reads garbage (and crashes) instead of the values the object last held.
#pragma once

namespace korv::test {

class TPoisonFreedMemory {
 public:
  TPoisonFreedMemory() noexcept;
  ~TPoisonFreedMemory();
  TPoisonFreedMemory(const TPoisonFreedMemory&) = delete;
  TPoisonFreedMemory& operator=(const TPoisonFreedMemory&) = delete;
};

}  // namespace korv::test

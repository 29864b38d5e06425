// Helpers of tests that feed readers bad input in bulk: buffers that end at an inaccessible page
// and a small deterministic generator.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace korv::test {

// Bytes that end exactly at an inaccessible page: reading or writing one byte past the end
// crashes the test program instead of going unnoticed.
class TGuardedBuffer {
 public:
  explicit TGuardedBuffer(size_t size) : Size_(size) {
    const size_t page = 4096;
    const size_t pages = (size + page - 1) / page + 1;
    Base_ = static_cast<uint8_t*>(VirtualAlloc(nullptr, pages * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD old = 0;
    VirtualProtect(Base_ + (pages - 1) * page, page, PAGE_NOACCESS, &old);
    Data_ = Base_ + (pages - 1) * page - size;
  }
  // A copy of bytes.
  TGuardedBuffer(const void* bytes, size_t size) : TGuardedBuffer(size) {
    if (size) std::memcpy(Data_, bytes, size);
  }
  explicit TGuardedBuffer(std::string_view bytes) : TGuardedBuffer(bytes.data(), bytes.size()) {}
  ~TGuardedBuffer() { VirtualFree(Base_, 0, MEM_RELEASE); }
  TGuardedBuffer(const TGuardedBuffer&) = delete;
  TGuardedBuffer& operator=(const TGuardedBuffer&) = delete;
  [[nodiscard]] uint8_t* Data() const noexcept { return Data_; }
  [[nodiscard]] size_t Size() const noexcept { return Size_; }

 private:
  uint8_t* Base_ = nullptr;
  uint8_t* Data_ = nullptr;
  size_t Size_;
};

// A small deterministic generator (xorshift) for bulk and mutation tests.
class TRandom {
 public:
  explicit TRandom(uint32_t seed) : S_(seed ? seed : 1) {}
  uint32_t Next() noexcept {
    S_ ^= S_ << 13;
    S_ ^= S_ >> 17;
    S_ ^= S_ << 5;
    return S_;
  }
  uint32_t Below(uint32_t n) noexcept { return n ? Next() % n : 0; }

 private:
  uint32_t S_;
};

// One to three random edits of a block: a byte set to any value, a byte set to 0, 1 or 2, or the
// block cut at a random length.
inline void MutateBytes(std::string& b, TRandom& rnd) {
  const int edits = 1 + static_cast<int>(rnd.Below(3));
  for (int e = 0; e < edits && !b.empty(); ++e) {
    const size_t at = rnd.Below(static_cast<uint32_t>(b.size()));
    switch (rnd.Below(3)) {
      case 0:
        b[at] = static_cast<char>(rnd.Next());
        break;
      case 1:
        b[at] = static_cast<char>(rnd.Below(3));
        break;
      default:
        b.resize(rnd.Below(static_cast<uint32_t>(b.size()) + 1));
        break;
    }
  }
}

}  // namespace korv::test

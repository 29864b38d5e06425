// Helpers of the wide-string tests: a temporary folder, expected system texts, file bytes and the
// switch that forces the 8-bit branches; guarded buffers and the generator of bad-input tests
// come from the shared test support.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "shell/unicode/TntSystem.h"
#include "support/BadInput.h"

namespace korv::test {

// A fresh folder under the temporary folder, removed with everything in it at the end.
class TTempDir {
 public:
  TTempDir() {
    wchar_t base[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, base);
    static unsigned counter = 0;
    Path_ = std::wstring(base) + L"korv-unicode-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter) + L"-" + std::to_wstring(GetTickCount());
    std::filesystem::create_directories(Path_);
    Path_ += L'\\';
  }
  ~TTempDir() {
    std::error_code ec;
    std::filesystem::remove_all(Path_, ec);
  }
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;
  // The folder with a trailing backslash.
  [[nodiscard]] const std::wstring& Path() const { return Path_; }
  [[nodiscard]] std::wstring operator/(const std::wstring& name) const { return Path_ + name; }

 private:
  std::wstring Path_;
};

// The system's message for an error code, with surrounding blanks and line breaks removed.
inline std::wstring SystemText(DWORD code) {
  wchar_t buf[1024];
  DWORD n =
      FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buf, 1024, nullptr);
  std::wstring s(buf, n);
  while (!s.empty() && s.back() <= L' ') s.pop_back();
  size_t b = 0;
  while (b < s.size() && s[b] <= L' ') ++b;
  return s.substr(b);
}

// The full path of a name by the platform, whatever its length.
inline std::wstring FullPath(const std::wstring& name) {
  DWORD n = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
  std::wstring s(n, L'\0');
  wchar_t* part = nullptr;
  n = GetFullPathNameW(name.c_str(), n, s.data(), &part);
  s.resize(n);
  return s;
}

inline void WriteFileBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  if (!bytes.empty()) WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(h);
}

inline std::vector<uint8_t> ReadFileBytes(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  std::vector<uint8_t> data(GetFileSize(h, nullptr));
  DWORD read = 0;
  if (!data.empty()) ReadFile(h, data.data(), static_cast<DWORD>(data.size()), &read, nullptr);
  CloseHandle(h);
  data.resize(read);
  return data;
}

// UTF-16 LE bytes of a text, optionally after the mark FF FE.
inline std::vector<uint8_t> Utf16Bytes(const std::wstring& text, bool mark) {
  std::vector<uint8_t> b;
  if (mark) b = {0xFF, 0xFE};
  for (wchar_t c : text) {
    b.push_back(static_cast<uint8_t>(c & 0xFF));
    b.push_back(static_cast<uint8_t>(c >> 8));
  }
  return b;
}

// Runs the 8-bit branches of the wrappers while it lives.
class TForceAnsiPlatform {
 public:
  TForceAnsiPlatform() : Saved_(PlatformIsUnicode) { PlatformIsUnicode = false; }
  ~TForceAnsiPlatform() { PlatformIsUnicode = Saved_; }
  TForceAnsiPlatform(const TForceAnsiPlatform&) = delete;
  TForceAnsiPlatform& operator=(const TForceAnsiPlatform&) = delete;

 private:
  bool Saved_;
};

}  // namespace korv::test

// Helpers of the wide-string tests: the items of a list, expected system texts, file bytes and
// the switch that forces the 8-bit branches; sandbox folders, guarded buffers and the generator of bad-input tests come
// from the shared test support.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "shell/unicode/TntSystem.h"
#include "shell/unicode/TntWideStrings.h"
#include "support/BadInput.h"
#include "support/Sandbox.h"

namespace korv::test {

// The items of a wide list, in order.
inline std::vector<std::wstring> Lines(const TWideStrings& s) {
  std::vector<std::wstring> v;
  for (int i = 0; i < s.GetCount(); ++i) v.push_back(s.Get(i));
  return v;
}

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

#include "shell/unicode/TntWindows.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "shell/unicode/TntSysUtils.h"
#include "shell/unicode/TntSystem.h"

namespace korv {

namespace {

std::string Narrow(const wchar_t* s) { return s ? WideToAnsiCP(s, CP_ACP) : std::string(); }

}  // namespace

HANDLE WideCreateFile(const wchar_t* name, DWORD access, DWORD share, SECURITY_ATTRIBUTES* security, DWORD disposition,
                      DWORD flags, HANDLE templateFile) {
  if (PlatformIsUnicode) return CreateFileW(name, access, share, security, disposition, flags, templateFile);
  return CreateFileA(Narrow(name).c_str(), access, share, security, disposition, flags, templateFile);
}

DWORD WideGetFullPathName(const wchar_t* name, DWORD bufferLength, wchar_t* buffer, wchar_t*& filePart) {
  filePart = nullptr;
  if (PlatformIsUnicode) return GetFullPathNameW(name, bufferLength, buffer, &filePart);

  const std::string narrow = Narrow(name);
  std::string full(520, '\0');
  char* part = nullptr;
  DWORD n = GetFullPathNameA(narrow.c_str(), static_cast<DWORD>(full.size()), full.data(), &part);
  if (n >= full.size()) {  // longer than the 8-bit buffer: ask again with the size it needs
    full.assign(n, '\0');
    n = GetFullPathNameA(narrow.c_str(), static_cast<DWORD>(full.size()), full.data(), &part);
    if (n >= full.size()) n = 0;
  }
  if (n == 0) return 0;
  const size_t partOffset = part ? static_cast<size_t>(part - full.data()) : std::string::npos;
  full.resize(n);
  const std::wstring wide = AnsiToWideCP(full, CP_ACP);
  if (wide.size() + 1 > bufferLength || !buffer) {
    if (buffer && bufferLength > 0) buffer[0] = L'\0';
    return static_cast<DWORD>(wide.size() + 1);
  }
  std::memcpy(buffer, wide.data(), wide.size() * sizeof(wchar_t));
  buffer[wide.size()] = L'\0';
  if (partOffset != std::string::npos && partOffset <= full.size()) {
    // The same character position in the UTF-16 text.
    size_t chars = AnsiToWideCP(std::string_view(full).substr(0, partOffset), CP_ACP).size();
    if (chars < wide.size()) filePart = buffer + chars;
  }
  return static_cast<DWORD>(wide.size());
}

wchar_t WideCharUpper(wchar_t c) {
  if (PlatformIsUnicode) {
    CharUpperBuffW(&c, 1);
    return c;
  }
  if (!IsWideCharMappable(c)) return c;
  std::string narrow = WideToAnsiCP(std::wstring_view(&c, 1), CP_ACP);
  if (narrow.empty()) return c;
  CharUpperBuffA(narrow.data(), static_cast<DWORD>(narrow.size()));
  std::wstring back = AnsiToWideCP(narrow, CP_ACP);
  return back.size() == 1 ? back[0] : c;
}

wchar_t* WideCharUpper(wchar_t* p) {
  if (!p) return p;
  if (PlatformIsUnicode) return CharUpperW(p);
  for (wchar_t* q = p; *q; ++q) *q = WideCharUpper(*q);
  return p;
}

DWORD WideCharUpperBuff(wchar_t* p, DWORD count) {
  if (!p || count == 0) return 0;
  if (PlatformIsUnicode) return CharUpperBuffW(p, count);
  for (DWORD i = 0; i < count; ++i) p[i] = WideCharUpper(p[i]);
  return count;
}

std::optional<TStringTableEntry> FindStringTableEntry(const void* block, size_t size, unsigned index) noexcept {
  if (!block || index > 15) return std::nullopt;
  const auto* bytes = static_cast<const unsigned char*>(block);
  size_t pos = 0;
  for (unsigned i = 0;; ++i) {
    if (pos > size || size - pos < 2) return std::nullopt;
    const size_t len = static_cast<size_t>(bytes[pos]) | (static_cast<size_t>(bytes[pos + 1]) << 8);
    pos += 2;
    if (len > (size - pos) / 2) return std::nullopt;
    if (i == index) return TStringTableEntry{pos, len};
    pos += len * 2;
  }
}

int WideLoadString(HMODULE module, UINT id, wchar_t* buffer, int size) {
  if (PlatformIsUnicode) {
    if (!buffer || size < 1) {
      // With a size of 0 the loader hands back a read-only pointer to the entry instead.
      const wchar_t* entry = nullptr;
      return LoadStringW(module, id, reinterpret_cast<LPWSTR>(&entry), 0);
    }
    int n = LoadStringW(module, id, buffer, size);
    // The loader may leave a one-character buffer untouched; it always gets its NUL here.
    if (n >= 0 && n < size) buffer[n] = L'\0';
    return n;
  }
  if (id > 0xFFFF) return 0;
  HRSRC res = FindResourceA(module, MAKEINTRESOURCEA(id / 16 + 1), MAKEINTRESOURCEA(6));
  if (!res) return 0;
  HGLOBAL mem = LoadResource(module, res);
  const void* block = mem ? LockResource(mem) : nullptr;
  if (!block) return 0;
  const auto entry = FindStringTableEntry(block, SizeofResource(module, res), id % 16);
  if (!entry) return 0;
  if (!buffer || size < 1) return static_cast<int>(entry->Length);
  const size_t n = std::min(static_cast<size_t>(size - 1), entry->Length);
  std::memcpy(buffer, static_cast<const unsigned char*>(block) + entry->Offset, n * sizeof(wchar_t));
  buffer[n] = L'\0';
  return static_cast<int>(n);
}

}  // namespace korv

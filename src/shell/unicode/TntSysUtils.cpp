#include "shell/unicode/TntSysUtils.h"

#include <cstdlib>
#include <cstring>

#include "classlib/SysUtils.h"
#include "shell/unicode/TntSystem.h"
#include "shell/unicode/TntWindows.h"

namespace korv {

// ---------------------------------------------------------------------------------------------
// UTF-16 C strings

wchar_t* WStrAlloc(size_t count) {
  if (count > (UINT32_MAX - 4) / 2) throw EOutOfMemory("Out of memory");
  const uint32_t bytes = static_cast<uint32_t>(count * 2 + 4);
  auto* block = static_cast<unsigned char*>(std::calloc(1, bytes));
  if (!block) throw EOutOfMemory("Out of memory");
  std::memcpy(block, &bytes, sizeof bytes);
  return reinterpret_cast<wchar_t*>(block + 4);
}

void WStrDispose(wchar_t* p) noexcept {
  if (p) std::free(reinterpret_cast<unsigned char*>(p) - 4);
}

uint32_t WStrBufSize(const wchar_t* p) noexcept {
  if (!p) return 0;
  uint32_t bytes;
  std::memcpy(&bytes, reinterpret_cast<const unsigned char*>(p) - 4, sizeof bytes);
  return bytes;
}

wchar_t* WStrNew(const wchar_t* p) {
  if (!p) return nullptr;
  const size_t n = WStrLen(p);
  wchar_t* r = WStrAlloc(n + 1);
  std::memcpy(r, p, (n + 1) * sizeof(wchar_t));
  return r;
}

size_t WStrLen(const wchar_t* p) noexcept {
  if (!p) return 0;
  const wchar_t* q = p;
  while (*q) ++q;
  return static_cast<size_t>(q - p);
}

wchar_t* WStrEnd(wchar_t* p) noexcept { return p ? p + WStrLen(p) : p; }
const wchar_t* WStrEnd(const wchar_t* p) noexcept { return p ? p + WStrLen(p) : p; }

wchar_t* WStrLCopy(wchar_t* dest, const wchar_t* src, size_t maxLen) noexcept {
  if (!dest) return dest;
  size_t i = 0;
  if (src)
    for (; i < maxLen && src[i]; ++i) dest[i] = src[i];
  dest[i] = L'\0';
  return dest;
}

const wchar_t* WStrScan(const wchar_t* p, wchar_t c) noexcept {
  if (!p) return nullptr;
  for (;; ++p) {
    if (*p == c) return p;
    if (!*p) return nullptr;
  }
}

wchar_t* WStrScan(wchar_t* p, wchar_t c) noexcept {
  return const_cast<wchar_t*>(WStrScan(static_cast<const wchar_t*>(p), c));
}

// ---------------------------------------------------------------------------------------------
// Paths

std::wstring WideUpperCaseEx(std::wstring_view s) {
  std::wstring r(s);
  if (!r.empty()) WideCharUpperBuff(r.data(), static_cast<DWORD>(r.size()));
  return r;
}

std::wstring WideIncludeTrailingBackslash(std::wstring_view s) {
  std::wstring r(s);
  if (r.empty() || r.back() != L'\\') r += L'\\';
  return r;
}

std::wstring WideExcludeTrailingBackslash(std::wstring_view s) {
  std::wstring r(s);
  if (!r.empty() && r.back() == L'\\') r.pop_back();
  return r;
}

size_t WideLastDelimiter(std::wstring_view delimiters, std::wstring_view s) noexcept {
  for (size_t i = s.size(); i > 0; --i)
    if (delimiters.find(s[i - 1]) != std::wstring_view::npos) return i;
  return 0;
}

std::wstring WideExtractFilePath(std::wstring_view s) {
  return std::wstring(s.substr(0, WideLastDelimiter(L"\\:", s)));
}

std::wstring WideExtractFileName(std::wstring_view s) { return std::wstring(s.substr(WideLastDelimiter(L"\\:", s))); }

std::wstring WideExtractFileDrive(std::wstring_view s) {
  if (s.size() >= 2 && s[1] == L':') return std::wstring(s.substr(0, 2));
  if (s.size() >= 2 && s[0] == L'\\' && s[1] == L'\\') {
    // Two backslashes, server, backslash, share: stop before the backslash after the share.
    size_t backslashes = 0;
    size_t i = 2;
    while (i + 1 < s.size() && backslashes < 2) {
      if (s[i] == L'\\') ++backslashes;
      if (backslashes < 2) ++i;
    }
    if (i < s.size() && s[i] == L'\\') return std::wstring(s.substr(0, i));
    return std::wstring(s.substr(0, i + 1));
  }
  return {};
}

std::wstring WideExpandFileName(const std::wstring& s) {
  std::wstring buf(260, L'\0');
  wchar_t* part = nullptr;
  DWORD n = WideGetFullPathName(s.c_str(), static_cast<DWORD>(buf.size()), buf.data(), part);
  // A result at least as large as the buffer is the size needed: ask again with that size.
  for (int tries = 0; n >= buf.size() && tries < 4; ++tries) {
    buf.assign(n, L'\0');
    n = WideGetFullPathName(s.c_str(), static_cast<DWORD>(buf.size()), buf.data(), part);
  }
  if (n >= buf.size()) n = 0;
  buf.resize(n);
  return buf;
}

HANDLE WideFileCreate(const std::wstring& name) {
  return WideCreateFile(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                        nullptr);
}

HANDLE WideFileOpen(const std::wstring& name, uint32_t mode) {
  static constexpr DWORD kAccess[4] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE, 0};
  static constexpr DWORD kShare[5] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE};
  const uint32_t share = (mode >> 4) & 0xF;
  if (share >= 5) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  return WideCreateFile(name.c_str(), kAccess[mode & 3], kShare[share], nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                        nullptr);
}

bool IsWideCharMappable(wchar_t c) noexcept {
  char buf[8];
  BOOL usedDefault = FALSE;
  int n = WideCharToMultiByte(DefaultCodePage, 0, &c, 1, buf, sizeof buf, nullptr, &usedDefault);
  return n > 0 && !usedDefault;
}

std::wstring WideSysErrorMessage(DWORD code) {
  constexpr DWORD kFlags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  std::wstring text;
  if (PlatformIsUnicode) {
    wchar_t buf[256];
    DWORD n = FormatMessageW(kFlags, nullptr, code, 0, buf, 256, nullptr);
    if (n > 0 && n < 256) text.assign(buf, n);
  } else {
    char buf[256];
    DWORD n = FormatMessageA(kFlags, nullptr, code, 0, buf, 256, nullptr);
    if (n > 0 && n < 256) text = AnsiToWideCP(std::string_view(buf, n), CP_ACP);
  }
  size_t b = 0, e = text.size();
  while (b < e && text[b] <= L' ') ++b;
  while (e > b && text[e - 1] <= L' ') --e;
  text = text.substr(b, e - b);
  if (text.empty())
    text = AnsiToWideCP(Format("Unspecified error (%d) from %s.", static_cast<int32_t>(code), "system"), CP_ACP);
  return text;
}

}  // namespace korv

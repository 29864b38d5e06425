#include "shell/unicode/TntSystem.h"

#include <climits>
#include <cstring>

#include "shell/unicode/TntWindows.h"

namespace korv {

bool PlatformIsUnicode = true;
UINT DefaultCodePage = CP_THREAD_ACP;

namespace {
bool gTntSystemStarted = false;
}

const TLibraryUnit WideStringUnit{"the wide-string units", kWideStringUnitOrder, &InitializeTntSystem,
                                  []() noexcept { gTntSystemStarted = false; },
                                  []() noexcept { return gTntSystemStarted; }};
// Linked into every program that links this library (its target asks the linker for it).
extern "C" const TLibraryUnitRegistration korv_wide_string_unit(WideStringUnit);

void InitializeTntSystem() {
  gTntSystemStarted = true;
  OSVERSIONINFOW vi{};
  vi.dwOSVersionInfoSize = sizeof vi;
  bool nt = false;
  DWORD major = 0;
  if (GetVersionExW(&vi)) {
    nt = vi.dwPlatformId == VER_PLATFORM_WIN32_NT;
    major = vi.dwMajorVersion;
  }
  PlatformIsUnicode = nt;
  DefaultCodePage = nt && major >= 5 ? CP_THREAD_ACP : CodePageOfLocale(GetThreadLocale());
}

UINT CodePageOfLocale(LCID lcid) {
  char buf[7] = {};
  int32_t cp = 0;
  if (GetLocaleInfoA(lcid, LOCALE_IDEFAULTANSICODEPAGE, buf, 6) > 0 && TryStrToInt(buf, cp) && cp >= 0)
    return static_cast<UINT>(cp);
  return GetACP();
}

namespace {

int CheckedLength(size_t n) {
  if (n > static_cast<size_t>(INT_MAX)) throw EConvertError("Text too long to convert");
  return static_cast<int>(n);
}

}  // namespace

std::wstring AnsiToWideCP(std::string_view s, UINT codePage) {
  if (s.empty()) return {};
  if (codePage == CP_UTF7_CODEC) return Utf7Decode(s);
  int len = CheckedLength(s.size());
  int n = MultiByteToWideChar(codePage, 0, s.data(), len, nullptr, 0);
  if (n <= 0) return {};
  std::wstring r(static_cast<size_t>(n), L'\0');
  n = MultiByteToWideChar(codePage, 0, s.data(), len, r.data(), n);
  r.resize(static_cast<size_t>(n > 0 ? n : 0));
  return r;
}

std::string WideToAnsiCP(std::wstring_view ws, UINT codePage) {
  if (ws.empty()) return {};
  if (codePage == CP_UTF7_CODEC) return Utf7Encode(ws);
  int len = CheckedLength(ws.size());
  int n = WideCharToMultiByte(codePage, 0, ws.data(), len, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string r(static_cast<size_t>(n), '\0');
  n = WideCharToMultiByte(codePage, 0, ws.data(), len, r.data(), n, nullptr, nullptr);
  r.resize(static_cast<size_t>(n > 0 ? n : 0));
  return r;
}

void SwapByteOrder(wchar_t* p) noexcept {
  if (!p) return;
  for (; *p; ++p) *p = static_cast<wchar_t>(((*p & 0xFF) << 8) | ((*p >> 8) & 0xFF));
}

void SwapByteOrder(wchar_t* p, size_t count) noexcept {
  for (size_t i = 0; i < count; ++i) p[i] = static_cast<wchar_t>(((p[i] & 0xFF) << 8) | ((p[i] >> 8) & 0xFF));
}

// ---------------------------------------------------------------------------------------------
// UTF-7

namespace {

struct Utf7Tables {
  bool Direct[128];      // written as itself outside a run: direct set, optional set, blanks
  signed char B64[128];  // base64 value, -1 when not in the alphabet
};

constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr Utf7Tables MakeUtf7Tables() {
  Utf7Tables t{};
  constexpr std::string_view direct = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789'(),-./:?";
  constexpr std::string_view optional = "!\"#$%&*;<=>@[]^_`{|}";
  constexpr std::string_view blanks = "\t\r\n ";
  for (int i = 0; i < 128; ++i) t.B64[i] = -1;
  for (char c : direct) t.Direct[static_cast<unsigned char>(c)] = true;
  for (char c : optional) t.Direct[static_cast<unsigned char>(c)] = true;
  for (char c : blanks) t.Direct[static_cast<unsigned char>(c)] = true;
  for (int i = 0; i < 64; ++i) t.B64[static_cast<unsigned char>(kBase64[i])] = static_cast<signed char>(i);
  return t;
}

constexpr Utf7Tables kUtf7 = MakeUtf7Tables();

[[noreturn]] void Overflow() { throw ETntInternalError("Buffer overflow"); }
[[noreturn]] void InvalidUtf7() { throw ETntGeneralError("Invalid UTF7"); }

bool IsBase64(unsigned ch) noexcept { return ch < 128 && kUtf7.B64[ch] >= 0; }

}  // namespace

size_t Utf7Encode(const wchar_t* src, size_t count, char* out, size_t outCapacity) {
  size_t o = 0;
  auto put = [&](char c) {
    if (o >= outCapacity) Overflow();
    out[o++] = c;
  };
  bool shifted = false;
  uint32_t bits = 0;  // pending bits, the low nbits of it
  int nbits = 0;
  for (size_t i = 0; i <= count; ++i) {
    const bool done = i == count;
    const unsigned ch = done ? 0u : static_cast<uint16_t>(src[i]);
    const bool encode = !done && !(ch < 128 && kUtf7.Direct[ch]);
    if (encode && !shifted) {
      put('+');
      if (ch == '+') {  // "+-" stands for the plus sign itself
        put('-');
        continue;
      }
      shifted = true;
    }
    if (shifted) {
      if (encode) {
        bits = (bits << 16) | ch;
        nbits += 16;
      } else if (nbits % 6 != 0) {  // end of the run: pad with zero bits to a whole digit
        int pad = 6 - nbits % 6;
        bits <<= pad;
        nbits += pad;
      }
      while (nbits >= 6) {
        nbits -= 6;
        put(kBase64[(bits >> nbits) & 63]);
      }
      bits &= (1u << nbits) - 1;
      if (!encode) {
        // The run is closed by "-" only where the next character would otherwise be read as
        // part of it; never at the end of the text.
        if (!done && (IsBase64(ch) || ch == '-')) put('-');
        shifted = false;
      }
    }
    if (!encode && !done) put(static_cast<char>(ch));
  }
  return o;
}

size_t Utf7Decode(const char* src, size_t count, wchar_t* out, size_t outCapacity) {
  size_t o = 0;
  auto put = [&](unsigned u) {
    if (o >= outCapacity) Overflow();
    out[o++] = static_cast<wchar_t>(u);
  };
  size_t i = 0;
  while (i < count) {
    const unsigned c = static_cast<unsigned char>(src[i++]);
    if (c != '+') {
      if (c > 127) InvalidUtf7();
      put(c);
      continue;
    }
    const size_t runStart = i;
    uint32_t bits = 0;
    int nbits = 0;
    while (i < count) {
      const unsigned d = static_cast<unsigned char>(src[i]);
      if (!IsBase64(d)) break;
      bits = (bits << 6) | static_cast<unsigned>(kUtf7.B64[d]);
      nbits += 6;
      if (nbits >= 16) {
        nbits -= 16;
        put((bits >> nbits) & 0xFFFF);
      }
      bits &= (1u << nbits) - 1;
      ++i;
    }
    if (i == runStart) {  // "+" with no digits: only "+-" is valid
      if (i >= count || src[i] != '-') InvalidUtf7();
      put('+');
      ++i;
      continue;
    }
    if (bits != 0) InvalidUtf7();         // leftover bits of a run must be zero padding
    if (i < count && src[i] == '-') ++i;  // a "-" that ends a run is dropped
    // Any other ending character is read again as a direct character.
  }
  return o;
}

std::string Utf7Encode(std::wstring_view s) {
  if (s.empty()) return {};
  if (s.size() > (SIZE_MAX / 7)) throw EConvertError("Text too long to convert");
  std::string r(Utf7EncodedCapacity(s.size()), '\0');
  r.resize(Utf7Encode(s.data(), s.size(), r.data(), r.size()));
  return r;
}

std::wstring Utf7Decode(std::string_view s) {
  if (s.empty()) return {};
  std::wstring r(s.size(), L'\0');
  r.resize(Utf7Decode(s.data(), s.size(), r.data(), r.size()));
  return r;
}

// ---------------------------------------------------------------------------------------------
// Resource strings

const TResStringRec SListIndexError{nullptr, "List index out of bounds (%d)"};
const TResStringRec SSortedListError{nullptr, "Operation not allowed on sorted list"};
const TResStringRec SDuplicateString{nullptr, "String list does not allow duplicates"};
const TResStringRec SListCapacityError{nullptr, "List capacity out of bounds (%d)"};

std::wstring WideLoadResString(const TResStringRec* rec) {
  if (!rec) return {};
  if (const auto* text = std::get_if<const char*>(&rec->Identifier)) {
    if (!*text) return {};
    std::string_view s(*text);
    if (s.size() > 3 && s.substr(0, 3) == "\xEF\xBB\xBF") return AnsiToWideCP(s.substr(3), CP_UTF8);
    return AnsiToWideCP(s, CP_ACP);
  }
  constexpr int kBufferChars = 4097;
  std::wstring buf(kBufferChars, L'\0');
  int n = WideLoadString(rec->Module, std::get<UINT>(rec->Identifier), buf.data(), kBufferChars);
  buf.resize(static_cast<size_t>(n > 0 ? n : 0));
  return buf;
}

}  // namespace korv

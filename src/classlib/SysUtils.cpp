#include "classlib/SysUtils.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace korv {

// ---------------------------------------------------------------------------------------------
// Exceptions

std::string SysErrorMessage(DWORD code) {
  char* buf = nullptr;
  DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                               FORMAT_MESSAGE_ARGUMENT_ARRAY,
                           nullptr, code, 0, reinterpret_cast<char*>(&buf), 0, nullptr);
  std::string s;
  if (n && buf) s.assign(buf, n);
  if (buf) LocalFree(buf);
  while (!s.empty() && (s.back() == '\r' || s.back() == '\n' || s.back() == ' ' || s.back() == '.')) s.pop_back();
  return s;
}

void RaiseLastOSError() { RaiseLastOSError(GetLastError()); }

void RaiseLastOSError(DWORD code) {
  if (code == 0) throw EOSError("A call to an OS function failed", 0);
  throw EOSError(Format("System Error.  Code: %d.\r\n%s", static_cast<int64_t>(code), SysErrorMessage(code)), code);
}

HRESULT OleCheck(HRESULT hr) {
  if (FAILED(hr)) {
    std::string msg = SysErrorMessage(static_cast<DWORD>(hr));
    if (msg.empty()) msg = Format("OLE error %.8X", static_cast<uint32_t>(hr));
    throw EOleError(msg, hr);
  }
  return hr;
}

// ---------------------------------------------------------------------------------------------
// Format

TVarRec::TVarRec(const std::wstring& v) : V(WideToAnsi(v)) {}
TVarRec::TVarRec(const wchar_t* v) : V(WideToAnsi(v ? std::wstring_view(v) : std::wstring_view())) {}

namespace {

[[noreturn]] void FormatError(std::string_view fmt) {
  throw EConvertError("Format '" + std::string(fmt) + "' invalid or incompatible with argument");
}

std::string GroupThousands(const std::string& digits) {
  // digits: optional '-', integer digits, optional fraction starting with '.'.
  std::string sign, intPart, frac;
  size_t i = 0;
  if (!digits.empty() && digits[0] == '-') {
    sign = "-";
    i = 1;
  }
  size_t dot = digits.find('.', i);
  intPart = digits.substr(i, dot == std::string::npos ? std::string::npos : dot - i);
  if (dot != std::string::npos) frac = digits.substr(dot);
  std::string out;
  int n = static_cast<int>(intPart.size());
  for (int k = 0; k < n; ++k) {
    if (k > 0 && (n - k) % 3 == 0) out += ',';
    out += intPart[k];
  }
  return sign + out + frac;
}

// Float text never goes through printf: to_chars ignores the C locale, so "." stays "."
// whatever the user's settings.
std::string CharsOf(double v, std::chars_format f, int prec) {
  std::string buf(static_cast<size_t>(prec) + 350, '\0');
  auto r = std::to_chars(buf.data(), buf.data() + buf.size(), v, f, prec);
  buf.resize(static_cast<size_t>(r.ptr - buf.data()));
  for (char& c : buf)
    if (c == 'e') c = 'E';
  return buf;
}

std::string SpecialText(double v) {
  if (std::isnan(v)) return "NAN";
  return v > 0 ? "INF" : "-INF";
}

std::string FixedText(double v, int prec) {
  if (!std::isfinite(v)) return SpecialText(v);
  std::string s = CharsOf(v, std::chars_format::fixed, prec);
  if (s.size() > 1 && s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
  return s;
}

std::string GeneralText(double v, int prec) {
  if (!std::isfinite(v)) return SpecialText(v);
  if (prec <= 0 || prec > 15) prec = 15;
  std::string s = CharsOf(v, std::chars_format::general, prec);
  // The class library writes exponents as E+N without padding.
  size_t e = s.find('E');
  if (e != std::string::npos) {
    std::string mant = s.substr(0, e), ex = s.substr(e + 1);
    char sign = ex[0];
    ex = ex.substr(1);
    while (ex.size() > 1 && ex[0] == '0') ex.erase(0, 1);
    s = mant + "E" + (sign == '-' ? "-" : "+") + ex;
  }
  return s;
}

std::string ExpText(double v, int prec) {
  if (!std::isfinite(v)) return SpecialText(v);
  if (prec <= 0 || prec > 18) prec = 15;
  std::string s = CharsOf(v, std::chars_format::scientific, prec - 1);
  size_t e = s.find('E');
  if (e != std::string::npos) {
    std::string ex = s.substr(e + 2);
    while (ex.size() < 3) ex = "0" + ex;
    s = s.substr(0, e + 2) + ex;
  }
  return s;
}

}  // namespace

std::string FormatV(std::string_view fmt, const std::vector<TVarRec>& args) {
  std::string out;
  size_t argIndex = 0;
  size_t i = 0;
  auto nextArg = [&]() -> const TVarRec& {
    if (argIndex >= args.size()) FormatError(fmt);
    return args[argIndex++];
  };
  auto intArg = [&](const TVarRec& a) -> int64_t {
    if (auto p = std::get_if<int64_t>(&a.V)) return *p;
    if (auto p = std::get_if<uint64_t>(&a.V)) return static_cast<int64_t>(*p);
    FormatError(fmt);
  };
  while (i < fmt.size()) {
    char c = fmt[i];
    if (c != '%') {
      out += c;
      ++i;
      continue;
    }
    ++i;
    if (i >= fmt.size()) FormatError(fmt);
    if (fmt[i] == '%') {
      out += '%';
      ++i;
      continue;
    }
    // [index ":"] ["-"] [width] ["." prec] type
    auto readNum = [&](int& v) -> bool {
      if (i < fmt.size() && fmt[i] == '*') {
        // The same bound as a written number: a huge width or precision is a bad format.
        const int64_t n = intArg(nextArg());
        if (n > 100000 || n < -100000) FormatError(fmt);
        v = static_cast<int>(n);
        ++i;
        return true;
      }
      bool any = false;
      v = 0;
      while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') {
        v = v * 10 + (fmt[i] - '0');
        if (v > 100000) FormatError(fmt);
        ++i;
        any = true;
      }
      return any;
    };
    int num = 0;
    bool hasNum = readNum(num);
    if (hasNum && i < fmt.size() && fmt[i] == ':') {
      argIndex = static_cast<size_t>(num);
      ++i;
      hasNum = false;
    }
    bool left = false;
    int width = -1, prec = -1;
    if (!hasNum) {
      if (i < fmt.size() && fmt[i] == '-') {
        left = true;
        ++i;
      }
      if (readNum(num)) width = num;
    } else {
      width = num;
    }
    if (i < fmt.size() && fmt[i] == '.') {
      ++i;
      if (!readNum(prec)) prec = 0;
    }
    if (i >= fmt.size()) FormatError(fmt);
    char type = static_cast<char>(fmt[i] | 0x20);
    ++i;
    const TVarRec& a = nextArg();
    std::string s;
    switch (type) {
      case 'd': {
        int64_t v = intArg(a);
        s = std::to_string(v < 0 ? -static_cast<uint64_t>(v) : static_cast<uint64_t>(v));
        if (prec > 0 && static_cast<int>(s.size()) < prec) s.insert(0, prec - s.size(), '0');
        if (v < 0) s.insert(0, 1, '-');
        break;
      }
      case 'u': {
        uint64_t v;
        if (auto p = std::get_if<uint64_t>(&a.V))
          v = *p;
        else
          v = static_cast<uint32_t>(intArg(a));
        s = std::to_string(v);
        if (prec > 0 && static_cast<int>(s.size()) < prec) s.insert(0, prec - s.size(), '0');
        break;
      }
      case 'x': {
        uint64_t v;
        if (auto p = std::get_if<int64_t>(&a.V)) {
          v = (*p >= INT32_MIN && *p <= INT32_MAX) ? static_cast<uint32_t>(*p) : static_cast<uint64_t>(*p);
        } else if (auto q = std::get_if<uint64_t>(&a.V)) {
          v = *q;
        } else {
          FormatError(fmt);
        }
        char buf[32];
        std::snprintf(buf, sizeof buf, "%llX", static_cast<unsigned long long>(v));
        s = buf;
        if (prec > 0 && static_cast<int>(s.size()) < prec) s.insert(0, prec - s.size(), '0');
        break;
      }
      case 'f':
      case 'n':
      case 'm':
      case 'e':
      case 'g': {
        double v;
        if (auto p = std::get_if<double>(&a.V))
          v = *p;
        else
          FormatError(fmt);
        if (type == 'f')
          s = FixedText(v, prec < 0 ? 2 : prec);
        else if (type == 'n')
          s = GroupThousands(FixedText(v, prec < 0 ? 2 : prec));
        else if (type == 'm')
          s = GroupThousands(FixedText(v, prec < 0 ? 2 : prec));
        else if (type == 'e')
          s = ExpText(v, prec < 0 ? 15 : prec);
        else
          s = GeneralText(v, prec < 0 ? 15 : prec);
        break;
      }
      case 'p': {
        const void* v;
        if (auto p = std::get_if<const void*>(&a.V))
          v = *p;
        else
          FormatError(fmt);
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.8lX", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(v)));
        s = buf;
        break;
      }
      case 's': {
        if (auto p = std::get_if<std::string>(&a.V))
          s = *p;
        else
          FormatError(fmt);
        if (prec >= 0 && static_cast<int>(s.size()) > prec) s.resize(prec);
        break;
      }
      default:
        FormatError(fmt);
    }
    if (width > 0 && static_cast<int>(s.size()) < width) {
      if (left)
        s.append(width - s.size(), ' ');
      else
        s.insert(0, width - s.size(), ' ');
    }
    out += s;
  }
  return out;
}

// ---------------------------------------------------------------------------------------------
// Numbers

std::string IntToStr(int64_t v) { return std::to_string(v); }

std::string IntToHex(uint64_t v, int digits) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%0*llX", std::clamp(digits, 0, 16), static_cast<unsigned long long>(v));
  return buf;
}

namespace {

// Parses the strict integer syntax into a sign and a magnitude; hexDigits counts the hex digits
// (0: decimal). Decimal magnitudes are checked against 64 bits, hex ones limited to 16 digits.
bool ParseInt(std::string_view s, uint64_t& magnitude, bool& neg, int& hexDigits) {
  size_t i = 0, n = s.size();
  while (i < n && s[i] == ' ') ++i;
  while (n > i && s[n - 1] == ' ') --n;
  neg = false;
  if (i < n && (s[i] == '+' || s[i] == '-')) {
    neg = s[i] == '-';
    ++i;
  }
  hexDigits = 0;
  bool hex = false;
  if (i < n && s[i] == '$') {
    hex = true;
    ++i;
  } else if (i + 1 < n && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i >= n) return false;
  uint64_t v = 0;
  for (; i < n; ++i) {
    char c = s[i];
    int d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (hex && c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (hex && c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else
      return false;
    if (hex) {
      if (++hexDigits > 16) return false;
      v = (v << 4) | static_cast<uint64_t>(d);
    } else {
      if (v > (std::numeric_limits<uint64_t>::max() - d) / 10) return false;
      v = v * 10 + d;
    }
  }
  magnitude = v;
  return true;
}

[[noreturn]] void IntError(std::string_view s) {
  throw EConvertError("'" + std::string(s) + "' is not a valid integer value");
}

}  // namespace

bool TryStrToInt64(std::string_view s, int64_t& v) noexcept {
  uint64_t m;
  bool neg;
  int hex;
  if (!ParseInt(s, m, neg, hex)) return false;
  if (hex > 0) {
    // Hex gives the bit pattern; a sign negates it in two's complement.
    v = static_cast<int64_t>(neg ? 0 - m : m);
    return true;
  }
  if (neg) {
    if (m > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + 1) return false;
    v = static_cast<int64_t>(0 - m);
  } else {
    if (m > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) return false;
    v = static_cast<int64_t>(m);
  }
  return true;
}

bool TryStrToInt(std::string_view s, int32_t& v) noexcept {
  uint64_t m;
  bool neg;
  int hex;
  if (!ParseInt(s, m, neg, hex)) return false;
  if (hex > 0) {
    // Up to 8 significant hex digits wrap into the negative range (0xFF00000F is a system colour).
    if (m > 0xFFFFFFFFull) return false;
    uint32_t u = static_cast<uint32_t>(m);
    v = static_cast<int32_t>(neg ? 0u - u : u);
    return true;
  }
  if (neg ? m > 0x80000000ull : m > 0x7FFFFFFFull) return false;
  v = static_cast<int32_t>(neg ? 0u - static_cast<uint32_t>(m) : static_cast<uint32_t>(m));
  return true;
}

int32_t StrToInt(std::string_view s) {
  int32_t v;
  if (!TryStrToInt(s, v)) IntError(s);
  return v;
}

int64_t StrToInt64(std::string_view s) {
  int64_t v;
  if (!TryStrToInt64(s, v)) IntError(s);
  return v;
}

int32_t StrToIntDef(std::string_view s, int32_t def) noexcept {
  int32_t v;
  return TryStrToInt(s, v) ? v : def;
}

std::string FloatToStr(double v) {
  if (!std::isfinite(v)) return SpecialText(v);
  if (v == 0) return "0";
  // The shortest digits that read back the same value (to_chars without a precision)...
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
  std::string sci(buf, r.ptr);
  size_t e = sci.find('e');
  int exp = std::atoi(sci.c_str() + e + 1);
  std::string mant = sci.substr(0, e);
  bool neg = mant[0] == '-';
  std::string digits;
  for (char c : mant)
    if (c >= '0' && c <= '9') digits += c;
  // ...written plainly for exponents -4..14, else as mantissa and "E+n"/"E-n".
  if (exp < -4 || exp >= 15) return mant + "E" + (exp < 0 ? "-" : "+") + std::to_string(exp < 0 ? -exp : exp);
  std::string out = neg ? "-" : "";
  if (exp < 0) {
    out += "0." + std::string(static_cast<size_t>(-exp - 1), '0') + digits;
  } else if (static_cast<int>(digits.size()) <= exp + 1) {
    out += digits + std::string(static_cast<size_t>(exp + 1) - digits.size(), '0');
  } else {
    out += digits.substr(0, static_cast<size_t>(exp + 1)) + "." + digits.substr(static_cast<size_t>(exp + 1));
  }
  return out;
}

bool TryStrToFloat(std::string_view text, double& v) noexcept {
  std::string s = Trim(text);
  if (s.empty()) return false;
  // Strict: sign, digits, optional "." digits, optional exponent. from_chars is locale-free.
  size_t i = 0;
  if (s[i] == '+' || s[i] == '-') ++i;
  size_t digits = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t ed = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++ed;
    if (ed == 0) return false;
  }
  if (i != s.size()) return false;
  const char* b = s.c_str();
  if (*b == '+') ++b;
  double r = 0;
  auto res = std::from_chars(b, s.c_str() + s.size(), r);
  if (res.ec != std::errc() || res.ptr != s.c_str() + s.size()) return false;
  if (std::isinf(r)) return false;
  v = r;
  return true;
}

double StrToFloat(std::string_view s) {
  double v;
  if (!TryStrToFloat(s, v)) throw EConvertError("'" + std::string(s) + "' is not a valid floating point value");
  return v;
}

// ---------------------------------------------------------------------------------------------
// Text

std::string UpperCase(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return r;
}

std::string LowerCase(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return r;
}

namespace {

// The platform's upper-casing of each byte of the ANSI code page, asked once. The platform
// upper-cases a text character by character through UTF-16, so where every byte is a character
// of its own (all bytes of a single-byte code page, the bytes below 0x80 of any other) each byte
// folds on its own and the table gives exactly the platform's answer. Bytes from Limit up go to
// the platform.
struct TAnsiUpperTable {
  char Map[256];
  unsigned Limit = 0;  // 256, 128 or 0
};

// Whether the table agrees with the platform on the text of the bytes 1 .. count-1 in turn.
bool AgreesWithPlatform(const TAnsiUpperTable& t, unsigned count) {
  char text[256];
  for (unsigned b = 1; b < count; ++b) text[b - 1] = static_cast<char>(b);
  CharUpperBuffA(text, count - 1);
  for (unsigned b = 1; b < count; ++b)
    if (text[b - 1] != t.Map[b]) return false;
  return true;
}

TAnsiUpperTable MakeAnsiUpperTable() {
  TAnsiUpperTable t;
  for (unsigned b = 0; b < 256; ++b) {
    char c = static_cast<char>(b);
    CharUpperBuffA(&c, 1);
    t.Map[b] = c;
  }
  CPINFO info{};
  if (GetCPInfo(CP_ACP, &info) && info.MaxCharSize == 1 && AgreesWithPlatform(t, 256))
    t.Limit = 256;
  else if (AgreesWithPlatform(t, 128))
    t.Limit = 128;
  return t;
}

const TAnsiUpperTable& AnsiUpperTable() {
  static const TAnsiUpperTable table = MakeAnsiUpperTable();
  return table;
}

}  // namespace

void AnsiUpperCaseBuff(char* text, size_t length) noexcept {
  if (length == 0) return;
  const TAnsiUpperTable& t = AnsiUpperTable();
  unsigned char* p = reinterpret_cast<unsigned char*>(text);
  if (t.Limit < 256 && !std::all_of(p, p + length, [&](unsigned char c) { return c < t.Limit; })) {
    CharUpperBuffA(text, static_cast<DWORD>(length));
    return;
  }
  for (size_t i = 0; i < length; ++i) p[i] = static_cast<unsigned char>(t.Map[p[i]]);
}

std::string AnsiUpperCase(std::string_view s) {
  std::string r(s);
  AnsiUpperCaseBuff(r.data(), r.size());
  return r;
}

std::string AnsiLowerCase(std::string_view s) {
  std::string r(s);
  if (!r.empty()) CharLowerBuffA(r.data(), static_cast<DWORD>(r.size()));
  return r;
}

int CompareStr(std::string_view a, std::string_view b) noexcept {
  int c = a.compare(b);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int CompareText(std::string_view a, std::string_view b) noexcept {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'a' && x <= 'z') x -= 32;
    if (y >= 'a' && y <= 'z') y -= 32;
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool SameText(std::string_view a, std::string_view b) noexcept {
  return a.size() == b.size() && CompareText(a, b) == 0;
}

namespace {

// CompareStringA/W with the user locale: -1, 0 or 1. The platform refuses a null text, which an
// empty view may carry, so an empty text is passed as "". Should the platform fail anyway, the
// order of the code units stands in, so that sorting stays a strict order.
template <class Char>
int LocaleCompare(std::basic_string_view<Char> a, std::basic_string_view<Char> b, DWORD flags) noexcept {
  static constexpr Char kEmpty[1] = {};
  const Char* pa = a.empty() ? kEmpty : a.data();
  const Char* pb = b.empty() ? kEmpty : b.data();
  // The platform takes int lengths; no text compared here comes near 2 GB.
  const int na = static_cast<int>(a.size()), nb = static_cast<int>(b.size());
  int r;
  if constexpr (sizeof(Char) == 1)
    r = CompareStringA(LOCALE_USER_DEFAULT, flags, pa, na, pb, nb);
  else
    r = CompareStringW(LOCALE_USER_DEFAULT, flags, pa, na, pb, nb);
  if (r == 0) {
    int c = a.compare(b);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
  }
  return r - CSTR_EQUAL;
}

}  // namespace

int AnsiCompareStr(std::string_view a, std::string_view b) noexcept { return LocaleCompare(a, b, 0); }
int AnsiCompareText(std::string_view a, std::string_view b) noexcept { return LocaleCompare(a, b, NORM_IGNORECASE); }
bool AnsiSameText(std::string_view a, std::string_view b) noexcept { return AnsiCompareText(a, b) == 0; }

int WideCompareStr(std::wstring_view a, std::wstring_view b) noexcept { return LocaleCompare(a, b, 0); }
int WideCompareText(std::wstring_view a, std::wstring_view b) noexcept { return LocaleCompare(a, b, NORM_IGNORECASE); }
bool WideSameText(std::wstring_view a, std::wstring_view b) noexcept { return WideCompareText(a, b) == 0; }

std::string_view TrimView(std::string_view s) noexcept {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

std::string Trim(std::string_view s) { return std::string(TrimView(s)); }

std::string TrimLeft(std::string_view s) {
  size_t b = 0;
  while (b < s.size() && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  return std::string(s.substr(b));
}

std::string TrimRight(std::string_view s) {
  size_t e = s.size();
  while (e > 0 && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return std::string(s.substr(0, e));
}

std::string QuotedStr(std::string_view s) {
  std::string r = "'";
  for (char c : s) {
    r += c;
    if (c == '\'') r += '\'';
  }
  return r + "'";
}

std::string StringReplace(std::string_view s, std::string_view from, std::string_view to, unsigned flags) {
  if (from.empty()) return std::string(s);
  std::string hay = (flags & rfIgnoreCase) ? AnsiUpperCase(s) : std::string(s);
  std::string needle = (flags & rfIgnoreCase) ? AnsiUpperCase(from) : std::string(from);
  std::string out;
  size_t pos = 0;
  while (true) {
    size_t f = hay.find(needle, pos);
    if (f == std::string::npos) break;
    out.append(s.substr(pos, f - pos));
    out.append(to);
    pos = f + from.size();
    if (!(flags & rfReplaceAll)) break;
  }
  out.append(s.substr(pos));
  return out;
}

std::string WideToAnsi(std::wstring_view s, UINT codePage) {
  if (s.empty()) return {};
  int n = WideCharToMultiByte(codePage, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
  std::string r(static_cast<size_t>(std::max(n, 0)), '\0');
  if (n > 0) WideCharToMultiByte(codePage, 0, s.data(), static_cast<int>(s.size()), r.data(), n, nullptr, nullptr);
  return r;
}

std::wstring AnsiToWide(std::string_view s, UINT codePage) {
  if (s.empty()) return {};
  int n = MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring r(static_cast<size_t>(std::max(n, 0)), L'\0');
  if (n > 0) MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), r.data(), n);
  return r;
}

bool WideToAnsiExact(std::wstring_view s, std::string& out) {
  if (s.empty()) {
    out.clear();
    return true;
  }
  const int len = static_cast<int>(s.size());
  // UTF-8 as the ANSI code page carries every character but refuses the best-fit flag and the
  // default-character report: only unpaired surrogates are lost there.
  const bool utf8 = GetACP() == CP_UTF8;
  const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL lossy = FALSE;
  BOOL* report = utf8 ? nullptr : &lossy;
  int n = WideCharToMultiByte(CP_ACP, flags, s.data(), len, nullptr, 0, nullptr, report);
  if (n <= 0 || lossy) return false;
  std::string r(static_cast<size_t>(n), '\0');
  if (WideCharToMultiByte(CP_ACP, flags, s.data(), len, r.data(), n, nullptr, report) != n || lossy) return false;
  out = std::move(r);
  return true;
}

std::string AnsiFileName(std::wstring_view longName, std::wstring_view shortName) {
  std::string name;
  if (WideToAnsiExact(longName, name) && !name.empty()) return name;
  if (!shortName.empty() && WideToAnsiExact(shortName, name)) return name;
  return {};
}

std::string AnsiPathOf(const std::wstring& path) {
  std::string r;
  if (WideToAnsiExact(path, r)) return r;
  // A buffer too small is answered with the size needed, a failure with 0.
  std::wstring buf(MAX_PATH + 1, L'\0');
  DWORD n = GetShortPathNameW(path.c_str(), buf.data(), static_cast<DWORD>(buf.size()));
  if (n >= buf.size()) {
    buf.assign(n, L'\0');
    n = GetShortPathNameW(path.c_str(), buf.data(), static_cast<DWORD>(buf.size()));
    if (n >= buf.size()) n = 0;
  }
  buf.resize(n);
  if (n == 0 || !WideToAnsiExact(buf, r)) return {};
  return r;
}

// ---------------------------------------------------------------------------------------------
// Files and paths

bool FileExists(const std::string& name) {
  DWORD a = GetFileAttributesA(name.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& name) {
  DWORD a = GetFileAttributesA(name.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool ForceDirectories(const std::string& dir) {
  if (dir.empty()) return false;
  std::string d = ExcludeTrailingPathDelimiter(dir);
  if (d.empty() || DirectoryExists(d)) return DirectoryExists(dir);
  std::string parent = ExtractFileDir(d);
  if (!parent.empty() && parent != d && !ForceDirectories(parent)) return false;
  if (CreateDirectoryA(d.c_str(), nullptr)) return true;
  return GetLastError() == ERROR_ALREADY_EXISTS && DirectoryExists(d);
}

bool DeleteFile(const std::string& name) { return ::DeleteFileA(name.c_str()) != 0; }
bool RenameFile(const std::string& a, const std::string& b) { return MoveFileA(a.c_str(), b.c_str()) != 0; }
bool RemoveDir(const std::string& dir) { return RemoveDirectoryA(dir.c_str()) != 0; }

namespace {
size_t LastDelimiter(std::string_view s, std::string_view delims) {
  size_t p = s.find_last_of(delims);
  return p;
}
}  // namespace

std::string ExtractFilePath(std::string_view name) {
  size_t p = LastDelimiter(name, "\\/:");
  return p == std::string_view::npos ? std::string() : std::string(name.substr(0, p + 1));
}

std::string ExtractFileDir(std::string_view name) {
  size_t p = LastDelimiter(name, "\\/:");
  if (p == std::string_view::npos) return {};
  // The delimiter goes unless it belongs to a root ("C:\", "\\").
  auto isDelim = [](char c) { return c == '\\' || c == '/' || c == ':'; };
  if (p > 0 && (name[p] == '\\' || name[p] == '/') && !isDelim(name[p - 1])) return std::string(name.substr(0, p));
  return std::string(name.substr(0, p + 1));
}

std::string ExtractFileName(std::string_view name) {
  size_t p = LastDelimiter(name, "\\/:");
  return std::string(p == std::string_view::npos ? name : name.substr(p + 1));
}

std::string ExtractFileExt(std::string_view name) {
  size_t p = LastDelimiter(name, ".\\/:");
  if (p == std::string_view::npos || name[p] != '.') return {};
  return std::string(name.substr(p));
}

std::string ExtractFileDrive(std::string_view name) {
  if (name.size() >= 2 && name[1] == ':') return std::string(name.substr(0, 2));
  if (name.size() >= 2 && (name[0] == '\\' || name[0] == '/') && (name[1] == '\\' || name[1] == '/')) {
    // \\server\share
    size_t i = 2;
    int seps = 0;
    while (i < name.size()) {
      if (name[i] == '\\' || name[i] == '/') {
        if (++seps == 2) break;
      }
      ++i;
    }
    return std::string(name.substr(0, i));
  }
  return {};
}

std::string ChangeFileExt(std::string_view name, std::string_view ext) {
  size_t p = LastDelimiter(name, ".\\/:");
  if (p == std::string_view::npos || name[p] != '.') return std::string(name) + std::string(ext);
  return std::string(name.substr(0, p)) + std::string(ext);
}

std::string IncludeTrailingPathDelimiter(std::string_view s) {
  std::string r(s);
  if (r.empty() || (r.back() != '\\' && r.back() != '/')) r += '\\';
  return r;
}

std::string ExcludeTrailingPathDelimiter(std::string_view s) {
  std::string r(s);
  if (!r.empty() && (r.back() == '\\' || r.back() == '/')) r.pop_back();
  return r;
}

std::string ExpandFileName(const std::string& name) {
  if (name.empty()) return {};
  std::string buf(MAX_PATH, '\0');
  char* filePart = nullptr;
  DWORD n = GetFullPathNameA(name.c_str(), static_cast<DWORD>(buf.size()), buf.data(), &filePart);
  if (n >= buf.size()) {
    // Too small: the call returned the size it needs and left the buffer undefined.
    buf.assign(n + 1, '\0');
    n = GetFullPathNameA(name.c_str(), static_cast<DWORD>(buf.size()), buf.data(), &filePart);
    if (n >= buf.size()) return name;
  }
  if (n == 0) return name;
  buf.resize(n);
  return buf;
}

std::string GetCurrentDir() {
  DWORD n = GetCurrentDirectoryA(0, nullptr);
  std::string s(n, '\0');
  n = GetCurrentDirectoryA(n, s.data());
  s.resize(n);
  return s;
}

std::string GetTempDir() {
  // Read in UTF-16: the 8-bit call answers "?" for the characters of a user name the code page
  // cannot carry, which names no folder. A buffer too small is answered with the size needed
  // (its contents undefined), a failure with 0.
  std::wstring buf(MAX_PATH + 1, L'\0');
  DWORD n = GetTempPathW(static_cast<DWORD>(buf.size()), buf.data());
  if (n >= buf.size()) {
    buf.assign(n, L'\0');
    n = GetTempPathW(static_cast<DWORD>(buf.size()), buf.data());
    if (n >= buf.size()) n = 0;
  }
  if (n == 0) RaiseLastOSError();
  buf.resize(n);
  SetLastError(ERROR_SUCCESS);
  std::string dir = AnsiPathOf(buf);
  if (dir.empty()) {
    DWORD error = GetLastError();
    RaiseLastOSError(error == ERROR_SUCCESS ? ERROR_NO_UNICODE_TRANSLATION : error);
  }
  return IncludeTrailingPathDelimiter(dir);
}

int64_t FileSizeOf(const std::string& name) {
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!GetFileAttributesExA(name.c_str(), GetFileExInfoStandard, &d)) return -1;
  return (static_cast<int64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
}

std::string ParamStr0() {
  std::string buf(MAX_PATH, '\0');
  for (;;) {
    DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n < buf.size()) {
      buf.resize(n);
      return buf;
    }
    buf.resize(buf.size() * 2);
  }
}

std::string ExeFolder() { return ExtractFilePath(ParamStr0()); }

namespace {
DWORD FindMatchingFile(TSearchRec& rec) {
  while (rec.FindData.dwFileAttributes & rec.ExcludeAttr) {
    if (!FindNextFileA(rec.FindHandle, &rec.FindData)) return GetLastError();
  }
  rec.Name = rec.FindData.cFileName;
  rec.Attr = rec.FindData.dwFileAttributes;
  rec.Size = (static_cast<int64_t>(rec.FindData.nFileSizeHigh) << 32) | rec.FindData.nFileSizeLow;
  rec.Time = rec.FindData.ftLastWriteTime;
  return 0;
}
}  // namespace

DWORD FindFirst(const std::string& path, DWORD attr, TSearchRec& rec) {
  const DWORD allowed = faReadOnly | faArchive | faNormal | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED |
                        FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_COMPRESSED | FILE_ATTRIBUTE_OFFLINE;
  rec.ExcludeAttr = ~attr & (faHidden | faSysFile | faDirectory) & ~allowed;
  rec.FindHandle = FindFirstFileA(path.c_str(), &rec.FindData);
  if (rec.FindHandle == INVALID_HANDLE_VALUE) return GetLastError();
  DWORD r = FindMatchingFile(rec);
  if (r != 0) FindClose(rec);
  return r;
}

DWORD FindNext(TSearchRec& rec) {
  if (!FindNextFileA(rec.FindHandle, &rec.FindData)) return GetLastError();
  return FindMatchingFile(rec);
}

void FindClose(TSearchRec& rec) {
  if (rec.FindHandle != INVALID_HANDLE_VALUE) {
    ::FindClose(rec.FindHandle);
    rec.FindHandle = INVALID_HANDLE_VALUE;
  }
}

}  // namespace korv

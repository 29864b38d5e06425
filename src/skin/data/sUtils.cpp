#include "skin/data/sUtils.h"

#include <algorithm>

#include "classlib/SysUtils.h"

namespace korv {

std::vector<TacIniSection> SplitIniSections(const std::vector<std::string>& lines) {
  std::vector<TacIniSection> out;
  for (const std::string& line : lines) {
    if (line.empty() || line[0] == ';') continue;
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      out.push_back({line.substr(1, line.size() - 2), {}});
    } else if (!out.empty()) {
      out.back().Lines.push_back(line);
    }
  }
  return out;
}

namespace {

// The value of Key among lines "name=value": the first line whose name part matches.
bool FindIniValue(const std::vector<std::string>& lines, std::string_view key, std::string& value) {
  for (const std::string& line : lines) {
    size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    if (SameText(std::string_view(line).substr(0, eq), key)) {
      value = line.substr(eq + 1);
      return true;
    }
  }
  return false;
}

}  // namespace

// The class library's integers read "0x" and "0X" as "$" already.
int IniTextToIntDef(std::string_view s, int def) { return StrToIntDef(s, def); }

std::string ReadIniString(const std::vector<TacIniSection>& sections, std::string_view section, std::string_view key,
                          const std::string& def) {
  for (const TacIniSection& s : sections) {
    if (!SameText(s.Name, section)) continue;
    std::string v;
    return FindIniValue(s.Lines, key, v) ? v : def;
  }
  return def;
}

int ReadIniInteger(const std::vector<TacIniSection>& sections, std::string_view section, std::string_view key,
                   int def) {
  return IniTextToIntDef(ReadIniString(sections, section, key, std::string()), def);
}

int StatusFontHeight() {
  NONCLIENTMETRICSA ncm{};
  ncm.cbSize = sizeof ncm;
  if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0)) {
    // Older systems know only the structure without the padded-border field.
    ncm.cbSize = sizeof ncm - sizeof(int);
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, ncm.cbSize, &ncm, 0)) return 0;
  }
  return ncm.lfStatusFont.lfHeight;
}

namespace {
// A plain loop: the sets are a few characters, and a library search per character costs more.
inline bool IsDelim(char c, std::string_view delims) noexcept {
  for (char d : delims)
    if (c == d) return true;
  return false;
}
}  // namespace

int CountWords(std::string_view text, std::string_view delims) noexcept {
  int n = 0;
  bool inWord = false;
  for (char c : text) {
    bool d = IsDelim(c, delims);
    if (!d && !inWord) ++n;
    inWord = !d;
  }
  return n;
}

int NthWordPos(int n, std::string_view text, std::string_view delims) noexcept {
  if (n < 1) return 0;
  int count = 0;
  bool inWord = false;
  for (size_t i = 0; i < text.size(); ++i) {
    bool d = IsDelim(text[i], delims);
    if (!d && !inWord && ++count == n) return static_cast<int>(i) + 1;
    inWord = !d;
  }
  return 0;
}

std::string NthWord(int n, std::string_view text, std::string_view delims) {
  int pos = NthWordPos(n, text, delims);
  if (pos == 0) return std::string();
  size_t b = static_cast<size_t>(pos - 1), e = b;
  while (e < text.size() && !IsDelim(text[e], delims)) ++e;
  return std::string(text.substr(b, e - b));
}

std::string_view NextWord(std::string_view text, std::string_view delims, size_t& pos) noexcept {
  size_t i = std::min(pos, text.size());
  while (i < text.size() && IsDelim(text[i], delims)) ++i;
  const size_t b = i;
  while (i < text.size() && !IsDelim(text[i], delims)) ++i;
  pos = i;
  return text.substr(b, i - b);
}

std::vector<std::string_view> SplitWords(std::string_view text, std::string_view delims) {
  std::vector<std::string_view> out;
  size_t pos = 0;
  for (std::string_view w = NextWord(text, delims, pos); !w.empty(); w = NextWord(text, delims, pos)) out.push_back(w);
  return out;
}

std::string RemoveChar(std::string_view text, char c) {
  std::string out;
  out.reserve(text.size());
  for (char x : text)
    if (x != c) out.push_back(x);
  return out;
}

std::string NormalizeFolder(std::string_view folder) {
  if (folder.empty()) return std::string();
  std::string s(folder);
  if (s.back() == '\\') return s;
  if (s.back() == '/') {
    s.back() = '\\';
    return s;
  }
  if (s.size() == 1) return s + ":\\";
  return s + "\\";
}

}  // namespace korv

#include "classlib/IniFiles.h"

#include <algorithm>
#include <unordered_set>

namespace korv {

KORV_DEFINE_CLASS(TMemIniFile, TObject, nullptr, nullptr);

namespace {
// Names are compared by the platform's case-insensitive rules (upper-cased keys).
std::string Key(std::string_view s) { return AnsiUpperCase(s); }
}  // namespace

std::vector<TIniSection> ParseIniText(std::string_view text) {
  std::vector<TIniSection> sections;
  std::unordered_map<std::string, size_t> index;
  TIniSection* current = nullptr;
  std::unordered_set<std::string> keys;  // of the current section
  size_t i = 0, n = text.size();
  while (i < n) {
    size_t start = i;
    while (i < n && text[i] != '\r' && text[i] != '\n') ++i;
    std::string line = Trim(text.substr(start, i - start));
    if (i < n && text[i] == '\r') ++i;
    if (i < n && text[i] == '\n') ++i;
    if (line.empty() || line[0] == ';') continue;
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      std::string name = Trim(std::string_view(line).substr(1, line.size() - 2));
      auto [it, added] = index.emplace(Key(name), sections.size());
      if (!added) {
        current = nullptr;  // a repeated section: its lines are ignored
        continue;
      }
      sections.push_back(TIniSection{name, {}});
      current = &sections.back();
      keys.clear();
      continue;
    }
    if (!current) continue;
    TIniEntry e;
    size_t eq = line.find('=');
    if (eq == std::string::npos) {
      e.Key = line;
      e.HasValue = false;
    } else {
      e.Key = Trim(std::string_view(line).substr(0, eq));
      e.Value = Trim(std::string_view(line).substr(eq + 1));
    }
    if (keys.insert(Key(e.Key)).second) current->Entries.push_back(std::move(e));
  }
  return sections;
}

TMemIniFile::TMemIniFile(const std::string& fileName) : FFileName(fileName) {
  if (fileName.empty() || !FileExists(fileName)) return;
  // Parsed straight from the file's text: the parser splits lines as a string list does.
  TFileStream f(fileName, fmOpenRead | fmShareDenyWrite);
  const int64_t size = f.Size();
  if (size > INT32_MAX) throw EReadError("Stream read error");
  std::string text(static_cast<size_t>(size), '\0');
  f.ReadBuffer(text.data(), static_cast<int32_t>(size));
  SetText(text);
}

void TMemIniFile::Reindex() {
  FIndex.clear();
  for (size_t i = 0; i < FSections.size(); ++i) FIndex.emplace(Key(FSections[i].Name), i);
}

const TIniSection* TMemIniFile::FindSection(std::string_view name) const {
  auto it = FIndex.find(Key(name));
  return it == FIndex.end() ? nullptr : &FSections[it->second];
}

TIniSection* TMemIniFile::FindSection(std::string_view name) {
  auto it = FIndex.find(Key(name));
  return it == FIndex.end() ? nullptr : &FSections[it->second];
}

const TIniEntry* TMemIniFile::FindEntry(const TIniSection& s, std::string_view key) {
  for (const TIniEntry& e : s.Entries)
    if (AnsiSameText(e.Key, key)) return &e;
  return nullptr;
}

TIniSection& TMemIniFile::AddSection(std::string_view name) {
  if (TIniSection* s = FindSection(name)) return *s;
  FSections.push_back(TIniSection{std::string(name), {}});
  FIndex.emplace(Key(name), FSections.size() - 1);
  return FSections.back();
}

std::string TMemIniFile::ReadString(std::string_view section, std::string_view ident, const std::string& def) const {
  const TIniSection* s = FindSection(section);
  const TIniEntry* e = s ? FindEntry(*s, ident) : nullptr;
  return e ? e->Value : def;
}

int32_t TMemIniFile::ReadInteger(std::string_view section, std::string_view ident, int32_t def) const {
  return StrToIntDef(ReadString(section, ident, ""), def);
}

bool TMemIniFile::ReadBool(std::string_view section, std::string_view ident, bool def) const {
  return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

double TMemIniFile::ReadFloat(std::string_view section, std::string_view ident, double def) const {
  double v;
  return TryStrToFloat(ReadString(section, ident, ""), v) ? v : def;
}

void TMemIniFile::WriteString(std::string_view section, std::string_view ident, const std::string& value) {
  TIniSection& s = AddSection(section);
  for (TIniEntry& e : s.Entries)
    if (AnsiSameText(e.Key, ident)) {
      e.Value = value;
      e.HasValue = true;
      return;
    }
  s.Entries.push_back(TIniEntry{std::string(ident), value, true});
}

void TMemIniFile::WriteInteger(std::string_view section, std::string_view ident, int32_t value) {
  WriteString(section, ident, IntToStr(value));
}

void TMemIniFile::WriteBool(std::string_view section, std::string_view ident, bool value) {
  WriteString(section, ident, value ? "1" : "0");
}

void TMemIniFile::WriteFloat(std::string_view section, std::string_view ident, double value) {
  WriteString(section, ident, FloatToStr(value));
}

void TMemIniFile::ReadSections(TStrings& strings) const {
  TUpdateScope scope(strings);
  strings.Clear();
  for (const TIniSection& s : FSections) strings.Add(s.Name);
}

void TMemIniFile::ReadSection(std::string_view section, TStrings& strings) const {
  TUpdateScope scope(strings);
  strings.Clear();
  if (const TIniSection* s = FindSection(section))
    for (const TIniEntry& e : s->Entries) strings.Add(e.Key);
}

void TMemIniFile::ReadSectionValues(std::string_view section, TStrings& strings) const {
  TUpdateScope scope(strings);
  strings.Clear();
  if (const TIniSection* s = FindSection(section))
    for (const TIniEntry& e : s->Entries) strings.Add(e.HasValue ? e.Key + "=" + e.Value : e.Key);
}

bool TMemIniFile::SectionExists(std::string_view section) const { return FindSection(section) != nullptr; }

bool TMemIniFile::ValueExists(std::string_view section, std::string_view ident) const {
  const TIniSection* s = FindSection(section);
  return s && FindEntry(*s, ident);
}

void TMemIniFile::EraseSection(std::string_view section) {
  auto it = FIndex.find(Key(section));
  if (it == FIndex.end()) return;
  FSections.erase(FSections.begin() + static_cast<std::ptrdiff_t>(it->second));
  Reindex();
}

void TMemIniFile::DeleteKey(std::string_view section, std::string_view ident) {
  TIniSection* s = FindSection(section);
  if (!s) return;
  auto it = std::find_if(s->Entries.begin(), s->Entries.end(),
                         [&](const TIniEntry& e) { return AnsiSameText(e.Key, ident); });
  if (it != s->Entries.end()) s->Entries.erase(it);
}

void TMemIniFile::GetStrings(TStrings& strings) const {
  TUpdateScope scope(strings);
  strings.Clear();
  for (size_t i = 0; i < FSections.size(); ++i) {
    if (i > 0) strings.Add("");
    strings.Add("[" + FSections[i].Name + "]");
    for (const TIniEntry& e : FSections[i].Entries) strings.Add(e.HasValue ? e.Key + "=" + e.Value : e.Key);
  }
}

void TMemIniFile::SetStrings(const TStrings& strings) { SetText(strings.Text()); }

void TMemIniFile::SetText(std::string_view text) {
  FSections = ParseIniText(text);
  Reindex();
}

void TMemIniFile::Clear() {
  FSections.clear();
  FIndex.clear();
}

void TMemIniFile::UpdateFile() const {
  TStringList lines;
  GetStrings(lines);
  lines.SaveToFile(FFileName);
}

}  // namespace korv

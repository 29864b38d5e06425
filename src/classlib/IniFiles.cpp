#include "classlib/IniFiles.h"

#include <algorithm>
#include <iterator>

namespace korv {

KORV_DEFINE_CLASS(TMemIniFile, TObject, nullptr, nullptr);

namespace {

uint32_t NameHash(std::string_view s) noexcept {  // FNV-1a
  uint32_t h = 2166136261u;
  for (char c : s) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
  return h;
}

constexpr size_t kMinSlots = 16;

}  // namespace

bool TIniNameIndex::Add(std::string_view name) {
  const size_t start = Folded_.size();
  Folded_.append(name);
  AnsiUpperCaseBuff(Folded_.data() + start, name.size());
  const std::string_view folded = std::string_view(Folded_).substr(start);
  const uint32_t hash = NameHash(folded);
  if (Lookup(folded, hash) != npos) {
    Folded_.resize(start);
    return false;
  }
  Ends_.push_back(static_cast<uint32_t>(Folded_.size()));
  if (Ends_.size() * 2 > Slots_.size()) {
    Grow();  // places the new name too
    return true;
  }
  size_t i = hash & (Slots_.size() - 1);
  while (Slots_[i] != 0) i = (i + 1) & (Slots_.size() - 1);
  Slots_[i] = static_cast<uint32_t>(Ends_.size());
  return true;
}

size_t TIniNameIndex::Find(std::string_view name) const {
  if (Ends_.empty()) return npos;
  char buffer[64];
  std::string heap;
  char* folded = buffer;
  if (name.size() > sizeof buffer) {
    heap.resize(name.size());
    folded = heap.data();
  }
  std::copy(name.begin(), name.end(), folded);
  AnsiUpperCaseBuff(folded, name.size());
  const std::string_view f(folded, name.size());
  return Lookup(f, NameHash(f));
}

void TIniNameIndex::Clear() noexcept {
  Folded_.clear();
  Ends_.clear();
  Slots_.assign(std::min(Slots_.size(), kMinSlots), 0);
}

std::string_view TIniNameIndex::Name(size_t i) const noexcept {
  const size_t start = i == 0 ? 0 : Ends_[i - 1];
  return std::string_view(Folded_).substr(start, Ends_[i] - start);
}

size_t TIniNameIndex::Lookup(std::string_view folded, uint32_t hash) const noexcept {
  if (Slots_.empty()) return npos;
  const size_t mask = Slots_.size() - 1;
  for (size_t i = hash & mask; Slots_[i] != 0; i = (i + 1) & mask)
    if (Name(Slots_[i] - 1) == folded) return Slots_[i] - 1;
  return npos;
}

void TIniNameIndex::Grow() {
  Slots_.assign(std::max(kMinSlots, Slots_.size() * 2), 0);
  const size_t mask = Slots_.size() - 1;
  for (size_t n = 0; n < Ends_.size(); ++n) {
    size_t i = NameHash(Name(n)) & mask;
    while (Slots_[i] != 0) i = (i + 1) & mask;
    Slots_[i] = static_cast<uint32_t>(n + 1);
  }
}

std::vector<TIniSection> ParseIniText(std::string_view text) {
  std::vector<TIniSection> sections;
  TIniNameIndex names, keys;       // of the file, of the current section
  std::vector<TIniEntry> entries;  // of the current section, moved into it (in one block) at its end
  TIniSection* current = nullptr;
  auto endSection = [&] {
    if (current)
      current->Entries.assign(std::make_move_iterator(entries.begin()), std::make_move_iterator(entries.end()));
    entries.clear();
    keys.Clear();
    current = nullptr;
  };
  size_t i = 0, n = text.size();
  while (i < n) {
    size_t start = i;
    while (i < n && text[i] != '\r' && text[i] != '\n') ++i;
    const std::string_view line = TrimView(text.substr(start, i - start));
    if (i < n && text[i] == '\r') ++i;
    if (i < n && text[i] == '\n') ++i;
    if (line.empty() || line[0] == ';') continue;
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      endSection();
      const std::string_view name = TrimView(line.substr(1, line.size() - 2));
      // A repeated section opens none: its lines are ignored.
      if (names.Add(name)) current = &sections.emplace_back(TIniSection{std::string(name), {}});
      continue;
    }
    if (!current) continue;
    const size_t eq = line.find('=');
    const std::string_view key = eq == std::string_view::npos ? line : TrimView(line.substr(0, eq));
    if (!keys.Add(key)) continue;
    if (eq == std::string_view::npos)
      entries.push_back(TIniEntry{std::string(key), std::string(), false});
    else
      entries.push_back(TIniEntry{std::string(key), std::string(TrimView(line.substr(eq + 1))), true});
  }
  endSection();
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
  FIndex.Clear();
  for (const TIniSection& s : FSections) FIndex.Add(s.Name);
}

const TIniSection* TMemIniFile::FindSection(std::string_view name) const {
  const size_t i = FIndex.Find(name);
  return i == TIniNameIndex::npos ? nullptr : &FSections[i];
}

TIniSection* TMemIniFile::FindSection(std::string_view name) {
  const size_t i = FIndex.Find(name);
  return i == TIniNameIndex::npos ? nullptr : &FSections[i];
}

const TIniEntry* TMemIniFile::FindEntry(const TIniSection& s, std::string_view key) {
  for (const TIniEntry& e : s.Entries)
    if (AnsiSameText(e.Key, key)) return &e;
  return nullptr;
}

TIniSection& TMemIniFile::AddSection(std::string_view name) {
  if (TIniSection* s = FindSection(name)) return *s;
  FSections.push_back(TIniSection{std::string(name), {}});
  FIndex.Add(name);
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
  const size_t i = FIndex.Find(section);
  if (i == TIniNameIndex::npos) return;
  FSections.erase(FSections.begin() + static_cast<std::ptrdiff_t>(i));
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
  FIndex.Clear();
}

void TMemIniFile::UpdateFile() const {
  TStringList lines;
  GetStrings(lines);
  lines.SaveToFile(FFileName);
}

}  // namespace korv

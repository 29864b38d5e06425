// INI text held in memory: sections and keys in file order, names compared without regard to case.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "classlib/Classes.h"

namespace korv {

// One parsed section. Keys keep their first spelling; values are trimmed.
struct TIniEntry {
  std::string Key;
  std::string Value;
  bool HasValue = true;  // false for a line without "=" (kept as a key with an empty value)
};
struct TIniSection {
  std::string Name;
  std::vector<TIniEntry> Entries;
};

// Names indexed by their text upper-cased as AnsiUpperCase does, the INI file's case-insensitive
// names: each name added is numbered in turn from 0, and a name whose upper-cased text is there
// already is not added again. Adding and finding cost no allocation once the buffers have grown.
class TIniNameIndex {
 public:
  static constexpr size_t npos = static_cast<size_t>(-1);
  // Adds the name as number Count(); false, adding nothing, when its upper-cased text is there.
  bool Add(std::string_view name);
  // The number of the name of the same upper-cased text, or npos.
  [[nodiscard]] size_t Find(std::string_view name) const;
  [[nodiscard]] size_t Count() const noexcept { return Ends_.size(); }
  void Clear() noexcept;

 private:
  [[nodiscard]] std::string_view Name(size_t i) const noexcept;
  [[nodiscard]] size_t Lookup(std::string_view folded, uint32_t hash) const noexcept;
  void Grow();

  std::string Folded_;           // the upper-cased names one after another
  std::vector<uint32_t> Ends_;   // where each name ends in Folded_
  std::vector<uint32_t> Slots_;  // open addressing: 1 + a name's number, 0 when empty; 2^n long
};

// Parses INI text (lines split at CR LF, LF or CR):
// - every line is trimmed; empty lines and lines starting with ";" are skipped;
// - "[name]" (first character "[", last "]") opens a section named by the trimmed text between;
// - lines before the first section are ignored; "[" without a closing "]" is an ordinary line;
// - any other line is an entry: the trimmed text before the first "=" is the key, the trimmed
//   rest the value;
// - a repeated section or key is ignored: the first one wins, and a section is listed once.
[[nodiscard]] std::vector<TIniSection> ParseIniText(std::string_view text);

class TMemIniFile : public TObject {
  KORV_CLASS(TMemIniFile, TObject)
 public:
  // Reads the file when it exists; a missing file gives an empty INI (nothing is created on
  // disk until UpdateFile). A file that exists but cannot be read raises EFOpenError.
  explicit TMemIniFile(const std::string& fileName);

  [[nodiscard]] const std::string& FileName() const noexcept { return FFileName; }

  [[nodiscard]] std::string ReadString(std::string_view section, std::string_view ident, const std::string& def) const;
  // Decimal or "$"/"0x" hex; a value that is not an integer gives def.
  [[nodiscard]] int32_t ReadInteger(std::string_view section, std::string_view ident, int32_t def) const;
  // An integer, non-zero meaning true; anything else gives def.
  [[nodiscard]] bool ReadBool(std::string_view section, std::string_view ident, bool def) const;
  // "." as decimal separator whatever the locale; a value that is not a number gives def.
  [[nodiscard]] double ReadFloat(std::string_view section, std::string_view ident, double def) const;

  void WriteString(std::string_view section, std::string_view ident, const std::string& value);
  void WriteInteger(std::string_view section, std::string_view ident, int32_t value);
  void WriteBool(std::string_view section, std::string_view ident, bool value);
  void WriteFloat(std::string_view section, std::string_view ident, double value);

  // Section names in file order (the list is cleared first).
  void ReadSections(TStrings& strings) const;
  // The keys of a section in file order.
  void ReadSection(std::string_view section, TStrings& strings) const;
  // "key=value" lines of a section in file order.
  void ReadSectionValues(std::string_view section, TStrings& strings) const;
  [[nodiscard]] bool SectionExists(std::string_view section) const;
  [[nodiscard]] bool ValueExists(std::string_view section, std::string_view ident) const;
  void EraseSection(std::string_view section);
  void DeleteKey(std::string_view section, std::string_view ident);

  // The parsed sections in file order, for readers that walk every entry.
  [[nodiscard]] const std::vector<TIniSection>& Sections() const noexcept { return FSections; }
  // The parsed section of that name, or nullptr.
  [[nodiscard]] const TIniSection* Section(std::string_view name) const { return FindSection(name); }

  // The whole INI as lines; SetStrings replaces the contents with parsed lines.
  void GetStrings(TStrings& strings) const;
  void SetStrings(const TStrings& strings);
  void SetText(std::string_view text);
  void Clear();
  // Writes the contents to FileName.
  void UpdateFile() const;

 private:
  [[nodiscard]] const TIniSection* FindSection(std::string_view name) const;
  [[nodiscard]] TIniSection* FindSection(std::string_view name);
  [[nodiscard]] static const TIniEntry* FindEntry(const TIniSection& s, std::string_view key);
  TIniSection& AddSection(std::string_view name);
  void Reindex();

  std::string FFileName;
  std::vector<TIniSection> FSections;
  TIniNameIndex FIndex;  // section names, numbered by their position
};

}  // namespace korv

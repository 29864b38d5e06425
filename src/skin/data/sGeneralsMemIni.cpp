// The section reader's view of the class library's memory INI file.
#include "classlib/IniFiles.h"
#include "skin/data/sGeneralsReader.h"

namespace korv {

// These read the parsed sections in place: the same names, keys and values as the INI file's
// ReadSections and ReadSectionValues give, without their string lists.
void TacMemIniSource::ReadSections(std::vector<std::string>& names) const {
  names.clear();
  names.reserve(Ini_.Sections().size());
  for (const TIniSection& s : Ini_.Sections()) names.push_back(s.Name);
}

void TacMemIniSource::VisitSectionValues(std::string_view section, const TVisit& visit) const {
  const TIniSection* s = Ini_.Section(section);
  if (!s) return;
  for (const TIniEntry& e : s->Entries) {
    // The INI file lists "key=value" (or the key alone) and the line splits at its first "=":
    // only a key written with a "=" of its own splits elsewhere than between key and value.
    const size_t eq = e.Key.find('=');
    if (eq == std::string::npos) {
      visit(e.Key, e.HasValue ? std::string_view(e.Value) : std::string_view());
    } else {
      const std::string value = e.Key.substr(eq + 1) + (e.HasValue ? "=" + e.Value : std::string());
      visit(std::string_view(e.Key).substr(0, eq), value);
    }
  }
}

void TacMemIniSource::ReadSectionValues(std::string_view section, TEntries& entries) const {
  entries.clear();
  VisitSectionValues(section, [&entries](std::string_view key, std::string_view value) {
    entries.emplace_back(std::string(key), std::string(value));
  });
}

std::string TacMemIniSource::ReadString(std::string_view section, std::string_view key, const std::string& def) const {
  return Ini_.ReadString(section, key, def);
}

}  // namespace korv

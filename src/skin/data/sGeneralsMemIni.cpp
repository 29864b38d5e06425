// The section reader's view of the class library's memory INI file.
#include "classlib/IniFiles.h"
#include "skin/data/sGeneralsReader.h"

namespace korv {

void TacMemIniSource::ReadSections(std::vector<std::string>& names) const {
  TStringList list;
  Ini_.ReadSections(list);
  names.clear();
  names.reserve(static_cast<size_t>(list.Count()));
  for (int i = 0; i < list.Count(); ++i) names.push_back(list.Get(i));
}

void TacMemIniSource::ReadSectionValues(std::string_view section, TEntries& entries) const {
  TStringList list;
  Ini_.ReadSectionValues(section, list);
  entries.clear();
  entries.reserve(static_cast<size_t>(list.Count()));
  for (int i = 0; i < list.Count(); ++i) {
    std::string line = list.Get(i);
    size_t eq = line.find('=');
    if (eq == std::string::npos)
      entries.emplace_back(std::move(line), std::string());
    else
      entries.emplace_back(line.substr(0, eq), line.substr(eq + 1));
  }
}

std::string TacMemIniSource::ReadString(std::string_view section, std::string_view key, const std::string& def) const {
  return Ini_.ReadString(section, key, def);
}

}  // namespace korv

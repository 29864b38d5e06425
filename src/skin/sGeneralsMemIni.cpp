// The section reader's view of the class library's memory INI file.
#include "classlib/IniFiles.h"
#include "skin/sGeneralsReader.h"

namespace korv {

void TacMemIniSource::ReadSections(std::vector<std::string>& names) const {
  TStringList list;
  Ini_.ReadSections(list);
  names.clear();
  names.reserve(static_cast<size_t>(list.Count()));
  for (int i = 0; i < list.Count(); ++i) names.push_back(list.Get(i));
}

std::string TacMemIniSource::ReadString(std::string_view section, std::string_view key, const std::string& def) const {
  return Ini_.ReadString(section, key, def);
}

}  // namespace korv

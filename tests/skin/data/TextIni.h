// A folder-skin INI source over a text, for tests that run without files: lines trimmed, section
// and key names case-insensitive, the first key of a name wins, every section header listed.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "classlib/SysUtils.h"
#include "skin/data/sGeneralsReader.h"

namespace korv::test {

class TextIni final : public TacSkinIniSource {
 public:
  explicit TextIni(std::string_view text) {
    size_t i = 0;
    while (i <= text.size()) {
      size_t e = text.find_first_of("\r\n", i);
      if (e == std::string_view::npos) e = text.size();
      std::string line = Trim(text.substr(i, e - i));
      i = e + 1;
      if (line.empty() || line[0] == ';') continue;
      if (line.front() == '[' && line.back() == ']') {
        Sections_.push_back({Trim(std::string_view(line).substr(1, line.size() - 2)), {}});
      } else if (!Sections_.empty()) {
        size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        Sections_.back().Keys.push_back(
            {Trim(std::string_view(line).substr(0, eq)), Trim(std::string_view(line).substr(eq + 1))});
      }
    }
  }
  void ReadSections(std::vector<std::string>& names) const override {
    names.clear();
    for (const auto& s : Sections_) names.push_back(s.Name);
  }
  void ReadSectionValues(std::string_view section, TEntries& entries) const override {
    entries.clear();
    for (const auto& s : Sections_)
      if (SameText(s.Name, section)) {
        entries = s.Keys;
        return;
      }
  }
  std::string ReadString(std::string_view section, std::string_view key, const std::string& def) const override {
    for (const auto& s : Sections_) {
      if (!SameText(s.Name, section)) continue;
      for (const auto& kv : s.Keys)
        if (SameText(kv.first, key)) return kv.second;
      return def;  // only the first section of a name is read
    }
    return def;
  }

 private:
  struct Section {
    std::string Name;
    std::vector<std::pair<std::string, std::string>> Keys;
  };
  std::vector<Section> Sections_;
};

}  // namespace korv::test

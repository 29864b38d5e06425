// The string-list forms of the INI section routines.
#include "classlib/Classes.h"
#include "classlib/SysUtils.h"
#include "skin/data/sUtils.h"

namespace korv {

void LoadIniSections(const TStrings& lines, TStrings& sections) {
  FreeIniSections(sections);
  TStringList* current = nullptr;
  for (int i = 0; i < lines.Count(); ++i) {
    std::string line = lines.Get(i);
    if (line.empty() || line[0] == ';') continue;
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      auto list = std::make_unique<TStringList>();
      current = list.get();
      sections.AddObject(line.substr(1, line.size() - 2), list.get());
      (void)list.release();
    } else if (current) {
      current->Add(line);
    }
  }
}

void FreeIniSections(TStrings& sections) {
  for (int i = 0; i < sections.Count(); ++i) {
    TObject* o = sections.GetObject(i);
    sections.PutObject(i, nullptr);
    delete o;
  }
  sections.Clear();
}

std::string ReadIniString(const TStrings& sections, std::string_view section, std::string_view key,
                          const std::string& def) {
  for (int i = 0; i < sections.Count(); ++i) {
    if (!SameText(sections.Get(i), section)) continue;
    auto* list = dynamic_cast<TStrings*>(sections.GetObject(i));
    if (!list) return def;
    for (int j = 0; j < list->Count(); ++j) {
      std::string line = list->Get(j);
      size_t eq = line.find('=');
      if (eq != std::string::npos && SameText(std::string_view(line).substr(0, eq), key)) return line.substr(eq + 1);
    }
    return def;
  }
  return def;
}

int ReadIniInteger(const TStrings& sections, std::string_view section, std::string_view key, int def) {
  return IniTextToIntDef(ReadIniString(sections, section, key, std::string()), def);
}

}  // namespace korv

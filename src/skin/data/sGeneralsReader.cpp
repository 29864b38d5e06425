#include "skin/data/sGeneralsReader.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "classlib/Graphics.h"
#include "classlib/IniFiles.h"
#include "classlib/SysUtils.h"
#include "skin/data/sUtils.h"

namespace korv {

namespace {

enum class KeyKind { Int, Bevel, Bool, Gradient };

// One key of a section, its default and its field. Kept in the order the reader fills them.
struct TKeyRule {
  const char* Key;
  KeyKind Kind;
  int32_t IntDefault;      // Int, Bevel
  const char* StrDefault;  // Bool, Gradient
  bool Inherited;          // follows PARENTCLASS in folder skins
  int32_t* (*Int)(TsGeneralData&);
  TsControlBevel* (*Bevel)(TsGeneralData&);
  bool* (*Bool)(TsGeneralData&);
  std::string* (*Text)(TsGeneralData&);
  TsGradArray* (*Array)(TsGeneralData&);
};

#define KI(key, def, field)                                                                                      \
  {                                                                                                              \
    key, KeyKind::Int, def, nullptr, true, [](TsGeneralData& d) { return &d.field; }, nullptr, nullptr, nullptr, \
        nullptr                                                                                                  \
  }
#define KB(key, field)                                                                                           \
  {                                                                                                              \
    key, KeyKind::Bevel, 0, nullptr, true, nullptr, [](TsGeneralData& d) { return &d.field; }, nullptr, nullptr, \
        nullptr                                                                                                  \
  }
#define KL(key, field)                                                                                          \
  {                                                                                                             \
    key, KeyKind::Bool, 0, "FALSE", true, nullptr, nullptr, [](TsGeneralData& d) { return &d.field; }, nullptr, \
        nullptr                                                                                                 \
  }
#define KG(key, def, text, arr)                                                                                \
  {                                                                                                            \
    key, KeyKind::Gradient, 0, def, true, nullptr, nullptr, nullptr, [](TsGeneralData& d) { return &d.text; }, \
        [](TsGeneralData& d) { return &d.arr; }                                                                \
  }

const TKeyRule kKeys[] = {
    KI("COLOR", 0xFFFFFF, Color),
    KB("BEVEL", Bevel),
    KI("SHADOWBLUR", 6, ShadowBlur),
    KI("SHADOWOFFSET", 3, ShadowOffset),
    {"SHADOWCOLOR", KeyKind::Int, 0, nullptr, false, [](TsGeneralData& d) { return &d.ShadowColor; }, nullptr, nullptr,
     nullptr, nullptr},
    KI("SHADOWTRANSPARENCY", 50, ShadowTransparency),
    KL("SHADOWENABLED", ShadowEnabled),
    KL("RESERVEDBOOLEAN", ReservedBoolean),
    KI("FONTCOLOR", 0, FontColor[0]),
    KI("TCLEFT", -1, FontColor[1]),
    KI("TCTOP", -1, FontColor[2]),
    KI("TCRIGHT", -1, FontColor[3]),
    KI("TCBOTTOM", -1, FontColor[4]),
    KI("HOTFONTCOLOR", 0, HotFontColor[0]),
    KI("HOTTCLEFT", -1, HotFontColor[1]),
    KI("HOTTCTOP", -1, HotFontColor[2]),
    KI("HOTTCRIGHT", -1, HotFontColor[3]),
    KI("HOTTCBOTTOM", -1, HotFontColor[4]),
    KI("TRANSPARENCY", 0, Transparency),
    KI("GRADIENTPERCENT", 0, GradientPercent),
    KI("IMAGEPERCENT", 0, ImagePercent),
    KG("GRADIENTDATA", " ", GradientData, GradientArray),
    KL("SHOWFOCUS", ShowFocus),
    KL("FADINGENABLED", FadingEnabled),
    KI("FADINGINTERVALIN", 5, FadingIntervalIn),
    KI("FADINGINTERVALOUT", 5, FadingIntervalOut),
    KI("FADINGITERATIONS", 5, FadingIterations),
    KI("HOTCOLOR", 0xFFFFFF, HotColor),
    KI("HOTTRANSPARENCY", 0, HotTransparency),
    KB("HOTBEVEL", HotBevel),
    KI("HOTGRADIENTPERCENT", 0, HotGradientPercent),
    KG("HOTGRADIENTDATA", "", HotGradientData, HotGradientArray),
    KI("HOTIMAGEPERCENT", 0, HotImagePercent),
    KI("BORDERCOLOR1", 0, BorderColor1),
    KI("BORDERCOLOR2", 0, BorderColor2),
};

#undef KI
#undef KB
#undef KL
#undef KG

bool IsTrue(std::string_view s) { return UpperCase(s) == "TRUE"; }

// Sets a gradient text and its stops; the text of exactly one blank means no gradient.
void SetGradient(const TKeyRule& k, TsGeneralData& d, const std::string& text) {
  *k.Text(d) = text;
  if (text != " ")
    ParseGradientData(text, *k.Array(d));
  else
    k.Array(d)->clear();
}

// The integer read of the class library's INI files: "0x" as "$", Default when not a number.
int32_t IniInt(const std::string& s, int32_t def) { return IniTextToIntDef(s, def); }

constexpr size_t kKeyCount = std::size(kKeys);
constexpr size_t kParentSlot = kKeyCount;  // PARENTCLASS, after the keys of kKeys
constexpr size_t kSlots = kKeyCount + 1;

// The slot of a key: its place in kKeys, kParentSlot for PARENTCLASS, npos for a key the reader
// has no use for. Keys fold case as the INI file folds them.
size_t SlotOf(std::string_view key) {
  static const TIniNameIndex slots = [] {
    TIniNameIndex names;
    for (const TKeyRule& k : kKeys) names.Add(k.Key);
    names.Add(s_ParentClass);
    return names;
  }();
  return slots.Find(key);
}

// The sections of a folder skin held for the reader: every section listed once (its first
// occurrence), the values of the keys the reader reads (the first of a name kept), and where
// PARENTCLASS leads. Names fold case as the INI file folds them (every letter of the ANSI code
// page).
class FolderModel {
 public:
  explicit FolderModel(const TacSkinIniSource& ini) {
    std::vector<std::string> names;
    ini.ReadSections(names);
    for (const std::string& name : names) {
      if (!Index_.Add(name)) continue;
      Section& s = Sections_.emplace_back();
      s.Name = name;
      s.Values.fill(kNone);
      ini.VisitSectionValues(name, [this, &s](std::string_view key, std::string_view value) {
        const size_t slot = SlotOf(key);
        if (slot == TIniNameIndex::npos || s.Values[slot] != kNone) return;
        s.Values[slot] = static_cast<uint32_t>(Values_.size());
        Values_.emplace_back(value);
      });
    }
    // The parent chain stops at an empty or "?" parent, at the section itself and at a parent
    // that is not a section of the file (whose keys would all read as absent).
    for (size_t i = 0; i < Sections_.size(); ++i) {
      Section& s = Sections_[i];
      const std::string* p = Own(i, kParentSlot);
      s.ParentClass = p ? *p : std::string();
      if (!p || p->empty() || *p == "?" || *p == s.Name) continue;
      const size_t parent = Index_.Find(*p);
      if (parent != TIniNameIndex::npos) s.Parent = static_cast<int>(parent);
    }
  }

  [[nodiscard]] size_t Count() const noexcept { return Sections_.size(); }
  [[nodiscard]] const std::string& Name(size_t i) const { return Sections_[i].Name; }
  [[nodiscard]] const std::string& ParentClass(size_t i) const { return Sections_[i].ParentClass; }

  // The section's own value of the key in that slot, or nullptr.
  [[nodiscard]] const std::string* Own(size_t i, size_t slot) const {
    const uint32_t v = Sections_[i].Values[slot];
    return v == kNone ? nullptr : &Values_[v];
  }

  // For every section, the section whose own value of the key it takes through the parent chain:
  // the first one on the chain whose value counts (Counts(value)), or -1 (the default) when the
  // chain ends, or comes back to a section it has visited, before one does. Each section is
  // resolved once: a chain stops at a section resolved before and takes its answer. Path is room
  // for the chain being walked.
  template <class Pred>
  void Resolve(size_t slot, Pred counts, std::vector<int>& from, std::vector<int>& path) const {
    constexpr int kUnknown = -2, kVisiting = -3;
    from.assign(Count(), kUnknown);
    for (size_t i = 0; i < Count(); ++i) {
      if (from[i] != kUnknown) continue;
      path.clear();
      int s = static_cast<int>(i), result = -1;
      for (;;) {
        if (s < 0 || from[static_cast<size_t>(s)] == kVisiting) break;  // chain ended, or a cycle
        const size_t u = static_cast<size_t>(s);
        if (from[u] != kUnknown) {
          result = from[u];
          break;
        }
        const std::string* v = Own(u, slot);
        if (v && counts(*v)) {
          result = s;
          break;
        }
        from[u] = kVisiting;
        path.push_back(s);
        s = Sections_[u].Parent;
      }
      for (int p : path) from[static_cast<size_t>(p)] = result;
      if (result >= 0) from[static_cast<size_t>(result)] = result;
    }
  }

 private:
  static constexpr uint32_t kNone = UINT32_MAX;
  struct Section {
    std::string Name;
    std::string ParentClass;
    std::array<uint32_t, kSlots> Values;  // by slot, positions in Values_, or kNone
    int Parent = -1;
  };
  std::vector<Section> Sections_;
  std::vector<std::string> Values_;
  TIniNameIndex Index_;  // section names, numbered by their position in Sections_
};

// An integer value counts when it is one and not -1; a text when it is not "?".
bool IntCounts(const std::string& v) { return IniInt(v, -1) != -1; }
bool TextCounts(const std::string& v) { return v != "?"; }

}  // namespace

void TacSkinIniSource::VisitSectionValues(std::string_view section, const TVisit& visit) const {
  TEntries entries;
  ReadSectionValues(section, entries);
  for (const auto& [key, value] : entries) visit(key, value);
}

void ReadFolderGenerals(const TacSkinIniSource& ini, TsSkinData& data, TsGeneralDataArray& table) {
  TsSkinData d = data;
  double version;
  d.Version = TryStrToFloat(ini.ReadString(s_GlobalInfo, "VERSION", "0"), version) ? version : 0;
  d.Author = ini.ReadString(s_GlobalInfo, "AUTHOR", "");
  d.Description = ini.ReadString(s_GlobalInfo, "DESCRIPTION", "");
  d.Shadow1Color = StrToInt(ini.ReadString(s_GlobalInfo, "SHADOW1COLOR", "0"));
  d.Shadow1Offset = StrToInt(ini.ReadString(s_GlobalInfo, "SHADOW1OFFSET", "0"));
  d.Shadow1Blur = StrToInt(ini.ReadString(s_GlobalInfo, "SHADOW1BLUR", "-1"));
  d.Shadow1Transparency = StrToInt(ini.ReadString(s_GlobalInfo, "SHADOW1TRANSPARENCY", "0"));

  const FolderModel model(ini);
  const size_t n = model.Count();
  TsGeneralDataArray out(n);
  for (size_t i = 0; i < n; ++i) {
    out[i].SectionName = model.Name(i);
    out[i].ParentClass = model.ParentClass(i);
  }
  // Key by key: where each section takes its value from, resolved for all sections in one pass.
  std::vector<int> from, path;
  for (size_t key = 0; key < kKeyCount; ++key) {
    const TKeyRule& k = kKeys[key];
    if (k.Kind == KeyKind::Int && !k.Inherited) {
      for (size_t i = 0; i < n; ++i) {
        const std::string* v = model.Own(i, key);
        *k.Int(out[i]) = v ? IniInt(*v, k.IntDefault) : k.IntDefault;
      }
      continue;
    }
    const bool textual = k.Kind == KeyKind::Bool || k.Kind == KeyKind::Gradient;
    if (textual)
      model.Resolve(key, &TextCounts, from, path);
    else
      model.Resolve(key, &IntCounts, from, path);
    for (size_t i = 0; i < n; ++i) {
      const std::string* v = from[i] >= 0 ? model.Own(static_cast<size_t>(from[i]), key) : nullptr;
      TsGeneralData& g = out[i];
      switch (k.Kind) {
        case KeyKind::Int:
          *k.Int(g) = v ? IniInt(*v, -1) : k.IntDefault;
          break;
        case KeyKind::Bevel:
          *k.Bevel(g) = BevelFromInt(v ? IniInt(*v, -1) : k.IntDefault);
          break;
        case KeyKind::Bool:
          *k.Bool(g) = IsTrue(v ? *v : std::string(k.StrDefault));
          break;
        case KeyKind::Gradient:
          SetGradient(k, g, v ? *v : std::string(k.StrDefault));
          break;
      }
    }
  }
  for (TsGeneralData& g : out) g.Color = ColorToRGB(g.Color);
  table.swap(out);
  data = std::move(d);
}

void AppendCommonGenerals(const std::vector<std::string>& lines, TsGeneralDataArray& table) {
  if (lines.empty()) return;
  const std::vector<TacIniSection> sections = SplitIniSections(lines);
  TsGeneralDataArray out = table;
  std::vector<std::string> seen;
  for (const TacIniSection& sec : sections) {
    // A section named twice is read once: ReadIniString finds its first occurrence anyway.
    std::string upper = UpperCase(sec.Name);
    if (std::find(seen.begin(), seen.end(), upper) != seen.end()) continue;
    seen.push_back(upper);

    TsGeneralData g;
    g.SectionName = sec.Name;
    g.ParentClass = UpperCase(ReadIniString(sections, sec.Name, s_ParentClass, "-1"));
    // The parent is the first record of the table with that name; the new record itself (a
    // section naming itself) counts as none.
    TsGeneralData* parent = nullptr;
    for (TsGeneralData& r : out)
      if (UpperCase(r.SectionName) == g.ParentClass) {
        parent = &r;
        break;
      }

    for (const TKeyRule& k : kKeys) {
      switch (k.Kind) {
        case KeyKind::Int: {
          int32_t v = ReadIniInteger(sections, sec.Name, k.Key, -1);
          if (v == -1) v = parent ? *k.Int(*parent) : k.IntDefault;
          *k.Int(g) = v;
          break;
        }
        case KeyKind::Bevel: {
          int32_t v = ReadIniInteger(sections, sec.Name, k.Key, -1);
          *k.Bevel(g) = v != -1 ? BevelFromInt(v) : (parent ? *k.Bevel(*parent) : BevelFromInt(k.IntDefault));
          break;
        }
        case KeyKind::Bool: {
          std::string s = ReadIniString(sections, sec.Name, k.Key, "?");
          *k.Bool(g) = s != "?" ? IsTrue(s) : (parent ? *k.Bool(*parent) : false);
          break;
        }
        case KeyKind::Gradient: {
          std::string s = ReadIniString(sections, sec.Name, k.Key, "?");
          if (s == "?") s = parent ? *k.Text(*parent) : std::string(k.StrDefault);
          SetGradient(k, g, s);
          break;
        }
      }
    }
    out.push_back(std::move(g));
  }
  table.swap(out);
}

}  // namespace korv

#include "skin/sGeneralsReader.h"

#include <algorithm>

#include "classlib/Graphics.h"
#include "classlib/SysUtils.h"
#include "skin/sUtils.h"

namespace korv {

namespace {

enum class KeyKind { Int, Bevel, Bool, Gradient };

// One key of a section, its default and its field. Kept in the order the reader fills them.
struct KeySpec {
  const char* Key;
  KeyKind Kind;
  int32_t IntDefault;     // Int, Bevel
  const char* StrDefault; // Bool, Gradient
  bool Inherited;         // follows PARENTCLASS in folder skins
  int32_t* (*Int)(TsGeneralData&);
  TsControlBevel* (*Bevel)(TsGeneralData&);
  bool* (*Bool)(TsGeneralData&);
  std::string* (*Text)(TsGeneralData&);
  TsGradArray* (*Array)(TsGeneralData&);
};

#define KI(key, def, field) \
  { key, KeyKind::Int, def, nullptr, true, [](TsGeneralData& d) { return &d.field; }, nullptr, nullptr, nullptr, nullptr }
#define KB(key, field) \
  { key, KeyKind::Bevel, 0, nullptr, true, nullptr, [](TsGeneralData& d) { return &d.field; }, nullptr, nullptr, nullptr }
#define KL(key, field) \
  { key, KeyKind::Bool, 0, "FALSE", true, nullptr, nullptr, [](TsGeneralData& d) { return &d.field; }, nullptr, nullptr }
#define KG(key, def, text, arr)                                                                  \
  { key, KeyKind::Gradient, 0, def, true, nullptr, nullptr, nullptr,                             \
    [](TsGeneralData& d) { return &d.text; }, [](TsGeneralData& d) { return &d.arr; } }

const KeySpec kKeys[] = {
    KI("COLOR", 0xFFFFFF, Color),
    KB("BEVEL", Bevel),
    KI("SHADOWBLUR", 6, ShadowBlur),
    KI("SHADOWOFFSET", 3, ShadowOffset),
    {"SHADOWCOLOR", KeyKind::Int, 0, nullptr, false, [](TsGeneralData& d) { return &d.ShadowColor; }, nullptr,
     nullptr, nullptr, nullptr},
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
void SetGradient(const KeySpec& k, TsGeneralData& d, const std::string& text) {
  *k.Text(d) = text;
  if (text != " ") ParseGradientData(text, *k.Array(d));
  else k.Array(d)->clear();
}

// The integer read of the class library's INI files: "0x" as "$", Default when not a number.
int32_t IniInt(const TacSkinIniSource& ini, std::string_view sec, std::string_view key, int32_t def) {
  std::string s = ini.ReadString(sec, key, std::string());
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) s = "$" + s.substr(2);
  return StrToIntDef(s, def);
}

// Reads through the PARENTCLASS chain of a folder skin. -1 (integers) and "?" (texts) mean
// absent. The chain stops at an empty or "?" parent, at the section itself, and at any section it
// has already visited (names compare case-insensitively, as the INI file does).
class InheritedReader {
 public:
  explicit InheritedReader(const TacSkinIniSource& ini) : Ini_(ini) {}

  int32_t Int(const std::string& section, std::string_view key, int32_t def) {
    std::string sec = section;
    Visited_.clear();
    for (;;) {
      int32_t v = IniInt(Ini_, sec, key, -1);
      if (v != -1) return v;
      if (!NextParent(sec)) return def;
    }
  }

  std::string Str(const std::string& section, std::string_view key, const std::string& def) {
    std::string sec = section;
    Visited_.clear();
    for (;;) {
      std::string v = Ini_.ReadString(sec, key, "?");
      if (v != "?") return v;
      if (!NextParent(sec)) return def;
    }
  }

 private:
  bool NextParent(std::string& sec) {
    Visited_.push_back(UpperCase(sec));
    std::string p = Ini_.ReadString(sec, s_ParentClass, "?");
    if (p.empty() || p == "?" || p == sec) return false;
    if (std::find(Visited_.begin(), Visited_.end(), UpperCase(p)) != Visited_.end()) return false;
    sec = std::move(p);
    return true;
  }

  const TacSkinIniSource& Ini_;
  std::vector<std::string> Visited_;
};

}  // namespace

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

  std::vector<std::string> names;
  ini.ReadSections(names);
  std::vector<std::string> seen;
  TsGeneralDataArray out;
  out.reserve(names.size());
  InheritedReader rd(ini);
  for (const std::string& name : names) {
    std::string upper = UpperCase(name);
    if (std::find(seen.begin(), seen.end(), upper) != seen.end()) continue;
    seen.push_back(std::move(upper));

    TsGeneralData& g = out.emplace_back();
    g.SectionName = name;
    g.ParentClass = ini.ReadString(name, s_ParentClass, "");
    for (const KeySpec& k : kKeys) {
      switch (k.Kind) {
        case KeyKind::Int:
          *k.Int(g) = k.Inherited ? rd.Int(name, k.Key, k.IntDefault) : IniInt(ini, name, k.Key, k.IntDefault);
          break;
        case KeyKind::Bevel:
          *k.Bevel(g) = BevelFromInt(rd.Int(name, k.Key, k.IntDefault));
          break;
        case KeyKind::Bool:
          *k.Bool(g) = IsTrue(rd.Str(name, k.Key, k.StrDefault));
          break;
        case KeyKind::Gradient:
          SetGradient(k, g, rd.Str(name, k.Key, k.StrDefault));
          break;
      }
    }
    g.Color = ColorToRGB(g.Color);
  }
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

    for (const KeySpec& k : kKeys) {
      switch (k.Kind) {
        case KeyKind::Int: {
          int32_t v = ReadIniInteger(sections, sec.Name, k.Key, -1);
          if (v == -1) v = parent ? *k.Int(*parent) : k.IntDefault;
          *k.Int(g) = v;
          break;
        }
        case KeyKind::Bevel: {
          int32_t v = ReadIniInteger(sections, sec.Name, k.Key, -1);
          *k.Bevel(g) = v != -1 ? BevelFromInt(v)
                                : (parent ? *k.Bevel(*parent) : BevelFromInt(k.IntDefault));
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

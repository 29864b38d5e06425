// Finding sections, images and textures of the loaded skin by name, with the fall-back to the
// parent sections, and the cache of the most used indexes.
#include <algorithm>

#include "skin/core/sSkinManager.h"

namespace korv {

namespace {

// Cached indexes are 16-bit: one that does not fit counts as absent.
int16_t Cached(int index) noexcept { return index >= 0 && index <= INT16_MAX ? static_cast<int16_t>(index) : -1; }

}  // namespace

int TsSkinManager::GetSkinIndex(std::string_view section) const noexcept {
  for (size_t i = 0; i < Sections.size(); ++i)
    if (Sections[i].SectionName == section) return static_cast<int>(i);
  return -1;
}

// Searches (section, key) with Match; when it is missing, goes on with the section's parent class
// as long as that is another section of the skin. A chain that comes back to a section it has
// passed would go round for ever: the walk takes at most one step per section of the skin.
template <class Match>
int TsSkinManager::ParentWalk(int skinIndex, std::string_view section, Match&& match) const noexcept {
  const size_t maxSteps = std::max<size_t>(1, Sections.size());
  for (size_t step = 0; step < maxSteps && skinIndex >= 0 && !section.empty(); ++step) {
    const int found = match(section);
    if (found >= 0) return found;
    if (!IsValidSectionIndex(skinIndex)) return -1;
    const std::string& parent = Sections[static_cast<size_t>(skinIndex)].ParentClass;
    if (parent.empty() || parent == section) return -1;
    skinIndex = GetSkinIndex(parent);
    if (skinIndex < 0) return -1;
    section = Sections[static_cast<size_t>(skinIndex)].SectionName;
  }
  return -1;
}

int TsSkinManager::GetMaskIndex(int skinIndex, std::string_view skinSection, std::string_view maskName) const noexcept {
  return ParentWalk(skinIndex, skinSection, [&](std::string_view s) { return GetMaskIndexByName(s, maskName); });
}

int TsSkinManager::GetPatternIndex(int skinIndex, std::string_view skinSection,
                                   std::string_view patternName) const noexcept {
  if (Textures.empty()) return -1;
  return ParentWalk(skinIndex, skinSection, [&](std::string_view s) {
    for (size_t i = 0; i < Textures.size(); ++i)
      if (Textures[i].PropertyName == patternName && Textures[i].ClassName == s) return static_cast<int>(i);
    return -1;
  });
}

int TsSkinManager::GetTextureIndex(int skinIndex, std::string_view skinSection,
                                   std::string_view propName) const noexcept {
  return ParentWalk(skinIndex, skinSection, [&](std::string_view s) {
    for (size_t i = 0; i < Images.size(); ++i) {
      const TsMaskData& m = Images[i];
      if (m.ImgType == itisaTexture && m.ClassName == s && m.PropertyName == propName) return static_cast<int>(i);
    }
    return -1;
  });
}

int TsSkinManager::GetMaskIndexByName(std::string_view skinSection, std::string_view maskName) const noexcept {
  if (skinSection.empty()) return -1;
  for (size_t i = 0; i < Images.size(); ++i)
    if (Images[i].ClassName == skinSection && Images[i].PropertyName == maskName) return static_cast<int>(i);
  return -1;
}

TColor TsSkinManager::GetGlobalColor() const noexcept {
  const int i = SkinIndexCache.GlobalInfo;
  return ColorToRGB(IsValidSectionIndex(i) ? Sections[static_cast<size_t>(i)].Color : clBtnFace);
}

void TsSkinManager::UpdateCommonIndexes() {
  TacSkinIndexCache& c = SkinIndexCache;
  auto section = [&](const char* name) { return Cached(GetSkinIndex(name)); };
  auto image = [&](int16_t index, const char* sectionName, const char* key) {
    return Cached(GetMaskIndex(index, sectionName, key));
  };

  c.GlobalInfo = section(s_GlobalInfo);

  static constexpr const char* kTabs[4] = {"TABTOP", "TABBOTTOM", "TABLEFT", "TABRIGHT"};
  int16_t* const tabs[4] = {&c.TabTop, &c.TabBottom, &c.TabLeft, &c.TabRight};
  for (int i = 0; i < 4; ++i) {
    *tabs[i] = section(kTabs[i]);
    c.TabBorder[i] = image(*tabs[i], kTabs[i], "BORDERSMASK");
  }

  static constexpr const char* kButtons[4] = {"SCROLLBTNTOP", "SCROLLBTNBOTTOM", "SCROLLBTNLEFT", "SCROLLBTNRIGHT"};
  int16_t* const buttons[4] = {&c.ScrollBtnTop, &c.ScrollBtnBottom, &c.ScrollBtnLeft, &c.ScrollBtnRight};
  for (int i = 0; i < 4; ++i) {
    *buttons[i] = section(kButtons[i]);
    c.ScrollBtnBorder[i] = image(*buttons[i], kButtons[i], "BORDERSMASK");
    c.ScrollBtnPattern[i] = image(*buttons[i], kButtons[i], "PATTERN");
    c.ScrollBtnHotPattern[i] = image(*buttons[i], kButtons[i], "HOTPATTERN");
    c.ScrollBtnGlyph[i] = image(*buttons[i], kButtons[i], "GLYPHMASK");
  }

  c.SliderV = section("SCROLLSLIDERV");
  c.SliderH = section("SCROLLSLIDERH");
  c.SliderBorderV = image(c.SliderV, "SCROLLSLIDERV", "BORDERSMASK");
  c.SliderBorderH = image(c.SliderH, "SCROLLSLIDERH", "BORDERSMASK");
  c.SliderGlyphV = image(c.SliderV, "SCROLLSLIDERV", "GLYPHMASK");
  c.SliderGlyphH = image(c.SliderH, "SCROLLSLIDERH", "GLYPHMASK");
  c.SliderPatternH = image(c.SliderH, "SCROLLSLIDERH", "PATTERN");
  c.SliderHotPatternH = image(c.SliderH, "SCROLLSLIDERH", "HOTPATTERN");
  c.SliderPatternV = image(c.SliderV, "SCROLLSLIDERV", "PATTERN");
  c.SliderHotPatternV = image(c.SliderV, "SCROLLSLIDERV", "HOTPATTERN");

  static constexpr const char* kBars[4] = {"SCROLLBAR1H", "SCROLLBAR1V", "SCROLLBAR2H", "SCROLLBAR2V"};
  int16_t* const bars[4] = {&c.ScrollBar1H, &c.ScrollBar1V, &c.ScrollBar2H, &c.ScrollBar2V};
  for (int i = 0; i < 4; ++i) {
    *bars[i] = section(kBars[i]);
    c.ScrollBarBorder[i] = image(*bars[i], kBars[i], "BORDERSMASK");
    c.ScrollBarPattern[i] = image(*bars[i], kBars[i], "PATTERN");
    c.ScrollBarHotPattern[i] = image(*bars[i], kBars[i], "HOTPATTERN");
  }

  static constexpr const char* kChecks[9] = {"BOXCHECKED",   "BOXUNCHECKED",   "BOXGRAYED",
                                             "RADIOCHECKED", "RADIOUNCHECKED", "RADIOGRAYED",
                                             "SMALLCHECKED", "SMALLUNCHECKED", "SMALLGRAYED"};
  int16_t* const checks[9] = {&c.BoxChecked,  &c.BoxUnchecked, &c.BoxGrayed,      &c.RadioChecked, &c.RadioUnchecked,
                              &c.RadioGrayed, &c.SmallChecked, &c.SmallUnchecked, &c.SmallGrayed};
  for (int i = 0; i < 9; ++i) *checks[i] = image(c.GlobalInfo, s_GlobalInfo, kChecks[i]);
}

}  // namespace korv

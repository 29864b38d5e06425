// The skin manager: the non-visual component that owns the loaded skin (sections, images, JPEG
// textures and the master bitmap), finds sections and images by name for every skinned part, and
// announces new, refreshed and removed skins to every form with the skin command message.
//
// The first manager created is the process-wide default manager and hooks the application
// window for the menu painter's messages 0xBCB3 and 0xBCB4.
//
// Loading is all or nothing: a load that fails removes the skin from every form, frees every
// table, leaves the manager inactive and passes the error on (swallowed while the manager is read
// from its form, so that the program starts unskinned).
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "classlib/Classes.h"
#include "classlib/Graphics.h"
#include "classlib/Messages.h"
#include "skin/core/sSkinMenus.h"
#include "skin/data/sMaskData.h"
#include "skin/data/sSkinData.h"
#include "skin/data/sStoredSkins.h"

namespace korv {

class TMemIniFile;
class TsSkinManager;

// Private messages of the menu painter, handled by the default manager's application hook.
inline constexpr UINT WM_SKINMENUITEM = 0xBCB3;    // LParam: the TMenuItem being drawn
inline constexpr UINT WM_SKINMENUWINDOW = 0xBCB4;  // LParam: a popup menu window

// ---- process-wide skin state ----------------------------------------------------------------------

extern TsSkinManager* DefaultManager;  // the first manager created (nullptr when gone)
extern bool SkinChanging;              // a skin is being reloaded by SkinName, HueOffset or Saturation
extern bool NewSkinSending;            // the new-skin command is going out
// The folder skin's "Options.dat" while it is being loaded, else nullptr. Owned by the load.
extern TMemIniFile* CurrentSkinFile;

// ---- the index cache -------------------------------------------------------------------------------

// Indexes of the most painted parts, looked up once per skin; -1 means absent. Sections come from
// GetSkinIndex, images from GetMaskIndex with their own section's index and name. Arrays of four
// follow the order of their sections (tabs: top, bottom, left, right; scroll buttons likewise;
// scroll bars: 1H, 1V, 2H, 2V).
struct TacSkinIndexCache {
  int16_t GlobalInfo;
  int16_t TabTop, TabBottom, TabLeft, TabRight;
  int16_t TabBorder[4];
  int16_t ScrollBtnTop, ScrollBtnBottom, ScrollBtnLeft, ScrollBtnRight;
  int16_t ScrollBtnBorder[4];
  int16_t ScrollBtnPattern[4];
  int16_t ScrollBtnHotPattern[4];
  int16_t ScrollBtnGlyph[4];
  int16_t SliderV, SliderH;
  int16_t SliderBorderV, SliderBorderH;
  int16_t SliderGlyphV, SliderGlyphH;
  int16_t SliderPatternH, SliderHotPatternH;
  int16_t SliderPatternV, SliderHotPatternV;
  int16_t ScrollBar1H, ScrollBar1V, ScrollBar2H, ScrollBar2V;
  int16_t ScrollBarBorder[4];
  int16_t ScrollBarPattern[4];
  int16_t ScrollBarHotPattern[4];
  int16_t BoxChecked, BoxUnchecked, BoxGrayed;
  int16_t RadioChecked, RadioUnchecked, RadioGrayed;
  int16_t SmallChecked, SmallUnchecked, SmallGrayed;

  static constexpr int Count = 64;
  // The fields in their order.
  [[nodiscard]] std::array<int16_t, Count> Fields() const noexcept {
    std::array<int16_t, Count> a;
    std::memcpy(a.data(), this, sizeof a);
    return a;
  }
};
static_assert(sizeof(TacSkinIndexCache) == TacSkinIndexCache::Count * sizeof(int16_t));

// ---- the load seam ---------------------------------------------------------------------------------

// The picture and colour passes of a skin load. LoadSkin calls them in this order, once it has
// chosen the source (CurrentSkinFile for a folder skin, else the stored skin named SkinName):
// LoadAllMasks (image table and master bitmap), LoadAllPatterns (JPEG textures), the manager's
// own section reader, then ChangeSkinHue and ChangeSkinSaturation with the manager's values. The
// defaults only free what the previous skin left in the image and texture tables and change no
// colour; the picture layer installs the full passes. Any pass may throw: the load then fails as
// a whole.
class TacSkinLoadPasses {
 public:
  virtual ~TacSkinLoadPasses() = default;
  virtual void LoadAllMasks(TsSkinManager& manager);
  virtual void LoadAllPatterns(TsSkinManager& manager);
  virtual void ChangeSkinHue(TsSkinManager& manager, int amount);
  virtual void ChangeSkinSaturation(TsSkinManager& manager, int amount);
};
// Installs the passes every manager's LoadSkin uses (nullptr: the defaults) and returns the ones
// installed before. Not owned: they must outlive their use.
TacSkinLoadPasses* SetSkinLoadPasses(TacSkinLoadPasses* passes) noexcept;
[[nodiscard]] TacSkinLoadPasses& SkinLoadPasses() noexcept;

// ---- the manager -----------------------------------------------------------------------------------

class TsSkinManager : public TComponent {
  KORV_CLASS(TsSkinManager, TComponent)
 public:
  explicit TsSkinManager(TComponent* owner);
  // Removes the skin from every form first (also after a failed load), then frees the tables.
  ~TsSkinManager() override;
  // The default skin directory and icon-line section when none is set, as Loaded gives them.
  void AfterConstruction() override;
  void Loaded() override;

  // Published properties, in their stored order.
  [[nodiscard]] bool IsDefault() const noexcept { return DefaultManager == this; }
  void SetIsDefault(bool value);
  [[nodiscard]] bool Active() const noexcept { return FActive; }
  void SetActive(bool value);
  [[nodiscard]] TStringList* CommonSections() const noexcept { return FCommonSections.get(); }
  // Copies the lines, removing the blanks of every line that is not empty and not a comment,
  // and reloads the skin.
  void SetCommonSections(const TStrings* value);
  [[nodiscard]] int Saturation() const noexcept { return FSaturation; }
  void SetSaturation(int value);
  [[nodiscard]] int HueOffset() const noexcept { return FHueOffset; }
  void SetHueOffset(int value);
  [[nodiscard]] TsStoredSkins* InternalSkins() const noexcept { return FInternalSkins.get(); }
  void SetInternalSkins(const TsStoredSkins* value) { FInternalSkins->Assign(value); }
  [[nodiscard]] TacMenuSupport* MenuSupport() const noexcept { return FMenuSupport.get(); }
  [[nodiscard]] const std::string& SkinDirectory() const noexcept { return FSkinDirectory; }
  void SetSkinDirectory(const std::string& value);
  [[nodiscard]] const std::string& SkinName() const noexcept { return FSkinName; }
  void SetSkinName(const std::string& value);
  // The live skin's version ("." as the decimal separator), "N/A" without one. Read only.
  [[nodiscard]] std::string SkinInfo() const;
  void SetSkinInfo(const std::string&) noexcept {}
  [[nodiscard]] std::string Version() const { return "4.73"; }
  void SetVersion(const std::string&) noexcept {}
  [[nodiscard]] bool SkinnedPopups() const noexcept { return FSkinnedPopups; }
  void SetSkinnedPopups(bool value);

  TNotifyEvent OnAfterChange;   // after a reload by a change of SkinName
  TNotifyEvent OnBeforeChange;  // before such a reload
  TacGetExtraLineData OnGetMenuExtraLineData;

  // The loaded skin. Indexes into the tables stay valid until the next load or removal.
  TsSkinData SkinData;
  TsGeneralDataArray Sections;  // one record per section
  TsMaskArray Images;           // one record per image
  TsPatternArray Textures;      // one record per JPEG texture
  std::unique_ptr<TBitmap> MasterBitmap;
  TacSkinIndexCache SkinIndexCache;
  [[nodiscard]] TsSkinableMenus* SkinableMenus() const noexcept { return FSkinableMenus.get(); }

  // SkinDirectory made absolute against the executable's folder (no trailing separator).
  [[nodiscard]] std::string ExpandedSkinDirectory() const;
  // Clears List and fills it with the names of every stored skin and every sub-folder of the skin
  // directory holding an "Options.dat", sorted case-insensitively. FirstName: the first stored
  // skin's name, else the first such folder found, else empty.
  void GetSkinNames(TStrings& list, std::string& firstName) const;

  // Loads the skin named SkinName into the tables (nothing while inactive). A folder of that name
  // in the skin directory comes first, then the stored skin of that name, then the first stored
  // skin (whose name SkinName takes); with neither the manager turns inactive and the tables stay.
  void LoadSkin();
  // The steps of a load: the picture passes of the installed seam, and the section reader over
  // the chosen source followed by the hue and saturation passes.
  void LoadAllMasks();
  void LoadAllPatterns();
  void LoadAllGenerals();
  // Frees the image table with its bitmaps and the master bitmap / the texture table.
  void FreeMasks() noexcept;
  void FreePatterns() noexcept;

  // Command 1 to every form (the tables indexed anew first), then RepaintForms.
  void SendNewSkin();
  // Command 16 (outside design mode), then command 3, to every form.
  void RepaintForms();
  // Command 2 to every form, then every table freed.
  void SendRemoveSkin();
  // Fills SkinIndexCache from the tables.
  void UpdateCommonIndexes();

  // Lookups. Names compare exactly; absent names, negative indexes and empty tables give -1.
  [[nodiscard]] int GetSkinIndex(std::string_view section) const noexcept;
  // The image (SkinSection, MaskName), else the same key of the parent sections in turn.
  [[nodiscard]] int GetMaskIndex(int skinIndex, std::string_view skinSection, std::string_view maskName) const noexcept;
  // The same on the texture table.
  [[nodiscard]] int GetPatternIndex(int skinIndex, std::string_view skinSection,
                                    std::string_view patternName) const noexcept;
  // The same on the image table, textures only.
  [[nodiscard]] int GetTextureIndex(int skinIndex, std::string_view skinSection,
                                    std::string_view propName) const noexcept;
  // The image (SkinSection, MaskName) itself, without parents.
  [[nodiscard]] int GetMaskIndexByName(std::string_view skinSection, std::string_view maskName) const noexcept;
  [[nodiscard]] bool IsValidSkinIndex(int i) const noexcept { return i >= 0 && i < static_cast<int>(Images.size()); }
  [[nodiscard]] bool IsValidSectionIndex(int i) const noexcept {
    return i >= 0 && i < static_cast<int>(Sections.size());
  }
  // The colour of "GLOBALINFO" as RGB; clBtnFace as RGB without that section.
  [[nodiscard]] TColor GetGlobalColor() const noexcept;

  // The application window's hook (the default manager's): true when the message was handled.
  bool AppHook(TMessage& message);

  // While the system is in high-contrast mode the manager shows no skin: loading a skin and
  // announcing it wait, a live skin is removed from every form, and the skin comes back (loaded
  // again) once the mode is off. HeldForContrast: the skin is being held back now.
  [[nodiscard]] bool HeldForContrast() const noexcept { return FHeldForContrast; }
  // The mode may have changed (the system announces setting changes): the skin is held back or
  // given back as it says.
  void ContrastChanged();

 private:
  template <class Match>
  int ParentWalk(int skinIndex, std::string_view section, Match&& match) const noexcept;
  // LoadSkin; an error while the manager is read from its form is dropped (false), any other
  // reaches the caller.
  bool LoadGuarded();
  // HueOffset and Saturation: the live skin read again with the new values.
  void ReloadColours();
  // The tables hold a skin, or the forms were told of one: what a removal must take away.
  [[nodiscard]] bool HoldsSkin() const noexcept;
  // What the lookups find in the tables, in table order (sections with their parents, images
  // and textures with their keys): equal names give equal indexes.
  using TacTableNames = std::vector<std::tuple<char, std::string, std::string, int>>;
  [[nodiscard]] TacTableNames TableNames() const;
  // True (with a live skin removed) when the skin is to be held back for high contrast now.
  bool HoldForContrast();

  bool FActive = true;
  std::unique_ptr<TStringList> FCommonSections;
  int FSaturation = 0;
  int FHueOffset = 0;
  std::unique_ptr<TsStoredSkins> FInternalSkins;
  std::unique_ptr<TacMenuSupport> FMenuSupport;
  std::string FSkinDirectory;
  std::string FSkinName;
  bool FSkinnedPopups = true;
  std::unique_ptr<TsSkinableMenus> FSkinableMenus;
  bool FHeldForContrast = false;
};

// The system's high-contrast mode is on (SPI_GETHIGHCONTRAST); value 1 or 0 forces the answer
// (tests), -1 gives it back to the system.
[[nodiscard]] bool HighContrastOn() noexcept;
void SetHighContrastOverride(int value) noexcept;

// The default folder of folder skins.
inline constexpr const char* sDefaultSkinDirectory = "c:\\Skins";

// SkinDirectory made absolute against ExeFolder (ending with a separator): ".." at the start
// stands for ExeFolder's parent, ".\" or "./" for ExeFolder itself, and a value without ":" is
// taken relative to ExeFolder; a value with ":" and a UNC path ("\\server\share") stay as they
// are. No separator is added at the end.
[[nodiscard]] std::string ExpandSkinDirectory(std::string_view skinDirectory, std::string_view exeFolder);

// Lookups through a manager that may be nil: nil gives -1 (or false), as an absent name does.
[[nodiscard]] inline int GetSkinIndex(const TsSkinManager* sm, std::string_view section) noexcept {
  return sm ? sm->GetSkinIndex(section) : -1;
}
[[nodiscard]] inline int GetMaskIndex(const TsSkinManager* sm, int skinIndex, std::string_view skinSection,
                                      std::string_view maskName) noexcept {
  return sm ? sm->GetMaskIndex(skinIndex, skinSection, maskName) : -1;
}
[[nodiscard]] inline int GetPatternIndex(const TsSkinManager* sm, int skinIndex, std::string_view skinSection,
                                         std::string_view patternName) noexcept {
  return sm ? sm->GetPatternIndex(skinIndex, skinSection, patternName) : -1;
}
[[nodiscard]] inline int GetTextureIndex(const TsSkinManager* sm, int skinIndex, std::string_view skinSection,
                                         std::string_view propName) noexcept {
  return sm ? sm->GetTextureIndex(skinIndex, skinSection, propName) : -1;
}
[[nodiscard]] inline int GetMaskIndexByName(const TsSkinManager* sm, std::string_view skinSection,
                                            std::string_view maskName) noexcept {
  return sm ? sm->GetMaskIndexByName(skinSection, maskName) : -1;
}

}  // namespace korv

// Where a skin comes from and how the manager's tables are filled: the skin directory, the names
// of the usable skins, and LoadSkin with its steps.
#include <algorithm>

#include "classlib/IniFiles.h"
#include "classlib/SysUtils.h"
#include "skin/core/sSkinManager.h"
#include "skin/data/sGeneralsReader.h"

namespace korv {

TMemIniFile* CurrentSkinFile = nullptr;

namespace {

TacSkinLoadPasses* gPasses = nullptr;

void FreeCurrentSkinFile() noexcept { FreeAndNil(CurrentSkinFile); }

bool IsSeparator(char c) noexcept { return c == '\\' || c == '/'; }

}  // namespace

// ---- the load seam -------------------------------------------------------------------------------

void TacSkinLoadPasses::LoadAllMasks(TsSkinManager& manager) { manager.FreeMasks(); }
void TacSkinLoadPasses::LoadAllPatterns(TsSkinManager& manager) { manager.FreePatterns(); }
void TacSkinLoadPasses::ChangeSkinHue(TsSkinManager&, int) {}
void TacSkinLoadPasses::ChangeSkinSaturation(TsSkinManager&, int) {}

TacSkinLoadPasses* SetSkinLoadPasses(TacSkinLoadPasses* passes) noexcept {
  TacSkinLoadPasses* previous = gPasses;
  gPasses = passes;
  return previous;
}

TacSkinLoadPasses& SkinLoadPasses() noexcept {
  static TacSkinLoadPasses defaults;
  return gPasses ? *gPasses : defaults;
}

// ---- the skin directory ----------------------------------------------------------------------------

std::string ExpandSkinDirectory(std::string_view dir, std::string_view exeFolder) {
  // A UNC path is absolute although it has no ":".
  if (dir.size() >= 2 && IsSeparator(dir[0]) && IsSeparator(dir[1])) return std::string(dir);
  if (dir.substr(0, 2) == "..") {
    // The executable's folder without its last folder name.
    std::string_view parent = exeFolder;
    if (!parent.empty() && IsSeparator(parent.back())) parent.remove_suffix(1);
    size_t cut = parent.find_last_of("\\/");
    parent = cut == std::string_view::npos ? exeFolder : parent.substr(0, cut + 1);
    return std::string(parent) + std::string(dir.substr(std::min<size_t>(3, dir.size())));
  }
  if (dir.substr(0, 2) == ".\\" || dir.substr(0, 2) == "./") return std::string(exeFolder) + std::string(dir.substr(2));
  if (dir.find(':') == std::string_view::npos) return std::string(exeFolder) + std::string(dir);
  return std::string(dir);
}

std::string TsSkinManager::ExpandedSkinDirectory() const { return ExpandSkinDirectory(FSkinDirectory, ExeFolder()); }

void TsSkinManager::GetSkinNames(TStrings& list, std::string& firstName) const {
  list.Clear();
  firstName.clear();
  TStringList names;  // case-insensitive: sorted with the platform's comparison ignoring case
  for (int i = 0; i < FInternalSkins->Count(); ++i) {
    const std::string& name = FInternalSkins->Items(i)->Name();
    if (i == 0) firstName = name;
    names.Add(name);
  }
  const std::string dir = ExpandedSkinDirectory() + "\\";
  TSearchRec rec;
  if (FindFirst(dir + "*.*", faDirectory, rec) == 0) {
    do {
      if (!(rec.Attr & faDirectory) || rec.Name.empty() || rec.Name[0] == '.') continue;
      if (!FileExists(dir + rec.Name + "\\Options.dat")) continue;
      if (firstName.empty()) firstName = rec.Name;
      names.Add(rec.Name);
    } while (FindNext(rec) == 0);
    FindClose(rec);
  }
  names.Sort();
  list.AddStrings(names);
}

// ---- loading -----------------------------------------------------------------------------------------

void TsSkinManager::LoadSkin() {
  if (!FActive) return;
  SkinChanging = true;  // lowered by the caller once the skin is announced
  FreeCurrentSkinFile();
  try {
    const std::string dir = ExpandedSkinDirectory();
    const std::string options = dir + "\\" + FSkinName + "\\Options.dat";
    if (FileExists(options)) {
      CurrentSkinFile = new TMemIniFile(options);
      SkinData.SkinPath = dir + "\\" + FSkinName + "\\";
    } else {
      SkinData.SkinPath.clear();
      if (FInternalSkins->IndexOf(FSkinName) < 0) {
        if (FInternalSkins->Count() == 0) {
          // No skin of that name anywhere: the manager turns inactive, the tables stay.
          FActive = false;
          return;
        }
        FSkinName = FInternalSkins->Items(0)->Name();
      }
    }
    LoadAllMasks();
    LoadAllPatterns();
    LoadAllGenerals();
    FreeCurrentSkinFile();
  } catch (...) {
    // Nothing half-built survives: the forms drop the skin, every table goes, and the indexes are
    // all absent before the error goes on.
    FreeCurrentSkinFile();
    try {
      SendRemoveSkin();
    } catch (...) {
    }
    FActive = false;
    UpdateCommonIndexes();
    throw;
  }
}

void TsSkinManager::LoadAllMasks() { SkinLoadPasses().LoadAllMasks(*this); }

void TsSkinManager::LoadAllPatterns() { SkinLoadPasses().LoadAllPatterns(*this); }

void TsSkinManager::LoadAllGenerals() {
  std::unique_ptr<TacMemIniSource> folder;
  TacGeneralsSources src;
  if (CurrentSkinFile) {
    folder = std::make_unique<TacMemIniSource>(*CurrentSkinFile);
    src.Folder = folder.get();
  }
  src.Stored = FInternalSkins.get();
  src.SkinName = FSkinName;
  src.CommonSections.reserve(static_cast<size_t>(FCommonSections->Count()));
  for (int i = 0; i < FCommonSections->Count(); ++i) src.CommonSections.push_back(FCommonSections->Get(i));
  // No stored skin of that name: the section table stays, and no colour pass runs.
  if (!korv::LoadAllGenerals(src, SkinData, Sections)) return;
  SkinLoadPasses().ChangeSkinHue(*this, FHueOffset);
  SkinLoadPasses().ChangeSkinSaturation(*this, FSaturation);
}

}  // namespace korv

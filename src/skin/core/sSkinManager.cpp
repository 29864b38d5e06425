// The skin manager as a component: construction and destruction, the published properties and
// their setters, and the command sequences that announce skins to the forms.
#include "skin/core/sSkinManager.h"

#include "classlib/Forms.h"
#include "classlib/Streaming.h"
#include "classlib/SysUtils.h"
#include "skin/core/sMessages.h"
#include "skin/core/sSkinStartup.h"
#include "skin/data/sUtils.h"

namespace korv {

TsSkinManager* DefaultManager = nullptr;
bool SkinChanging = false;
bool NewSkinSending = false;

namespace {

TWindowHook AppHookOf(TsSkinManager* sm) { return TWindowHook(sm, &TsSkinManager::AppHook); }

bool NeverStored(const TObject*) { return false; }

using SM = TsSkinManager;
const TPropInfo kManagerProps[] = {
    KORV_PROP_BOOL(SM, IsDefault, true),
    KORV_PROP_BOOL(SM, Active, true),
    KORV_PROP_OBJECT(SM, CommonSections),
    KORV_PROP_INT(SM, Saturation, 0),
    KORV_PROP_INT(SM, HueOffset, 0),
    KORV_PROP_COLLECTION(SM, InternalSkins),
    KORV_PROP_OBJECT(SM, MenuSupport),
    KORV_PROP_STR_NODEFAULT(SM, SkinDirectory),
    KORV_PROP_STR_NODEFAULT(SM, SkinName),
    KORV_PROP_STR_NODEFAULT(SM, SkinInfo),
    props::WithStored(KORV_PROP_STR_NODEFAULT(SM, Version), &NeverStored),
    KORV_PROP_BOOL(SM, SkinnedPopups, true),
};
KORV_DEFINE_PROPS(TsSkinManager, kManagerProps);

}  // namespace

KORV_DEFINE_CLASS(TsSkinManager, TComponent, &CreateComponent<TsSkinManager>, &TsSkinManager_PropTable);

TsSkinManager::TsSkinManager(TComponent* owner)
    : TComponent(owner),
      FCommonSections(std::make_unique<TStringList>()),
      FInternalSkins(std::make_unique<TsStoredSkins>(this)),
      FMenuSupport(std::make_unique<TacMenuSupport>()) {
  RequireSkinUnits("TsSkinManager");
  SkinData.Active = false;
  UpdateCommonIndexes();  // every entry -1
  // The first manager is the default one and the only one that hooks the application window.
  if (!DefaultManager) {
    DefaultManager = this;
    if (!HasState(csDesigning) && Application) Application->HookMainWindow(AppHookOf(this));
  }
  FActive = true;  // the field only: nothing is loaded yet
  FSkinableMenus = std::make_unique<TsSkinableMenus>(this);
}

namespace {
// The values a manager takes where none were given: made in code, and once read from a form.
void SetMissingDefaults(TsSkinManager& sm) {
  if (sm.SkinDirectory().empty()) sm.SetSkinDirectory(sDefaultSkinDirectory);
  if (sm.MenuSupport()->IcoLineSkin().empty()) sm.MenuSupport()->SetIcoLineSkin("ICOLINE");
}
}  // namespace

void TsSkinManager::AfterConstruction() {
  TComponent::AfterConstruction();
  SetMissingDefaults(*this);
}

TsSkinManager::~TsSkinManager() {
  Destroying();
  // Off the application window first: nothing may reach the hook while the painter goes.
  if (!HasState(csDesigning) && Application) Application->UnhookMainWindow(AppHookOf(this));
  // The forms drop the skin before its tables go; also after a failed load or a skin that was
  // not found, which leave the Active field False while forms may still show the last skin.
  const bool wasActive = FActive;
  FActive = false;
  try {
    if (wasActive || HoldsSkin()) SendRemoveSkin();
  } catch (...) {
    // Nothing may leave a destructor; the tables are freed below in any case.
  }
  UpdateCommonIndexes();
  FInternalSkins.reset();
  FSkinableMenus.reset();
  FCommonSections.reset();
  FMenuSupport.reset();
  FreePatterns();
  FreeMasks();
  Sections.clear();
  if (DefaultManager == this) DefaultManager = nullptr;
}

void TsSkinManager::Loaded() {
  TComponent::Loaded();
  SetMissingDefaults(*this);
  // The SkinName setter loaded the skin while the form was read; the forms read with it hear of
  // it only now.
  if (FActive && !FSkinName.empty()) SendNewSkin();
}

// ---- setters -----------------------------------------------------------------------------------

void TsSkinManager::SetIsDefault(bool value) {
  if (!value && DefaultManager) return;  // a default manager stays the default
  DefaultManager = this;
  if (FActive) {
    SendNewSkin();
    RepaintForms();
  } else {
    SendRemoveSkin();
  }
}

bool TsSkinManager::HoldsSkin() const noexcept {
  return SkinData.Active || !Sections.empty() || !Images.empty() || !Textures.empty() || MasterBitmap;
}

void TsSkinManager::SetActive(bool value) {
  // A load that found no skin leaves the field False while the forms still show the last skin:
  // switching off removes that skin all the same.
  if (value == FActive && (value || !HoldsSkin())) return;
  FActive = value;
  if (value) {
    SetSkinName(FSkinName);
    return;
  }
  if (!HasState(csLoading)) SendRemoveSkin();
  UpdateCommonIndexes();
}

void TsSkinManager::SetCommonSections(const TStrings* value) {
  TStringList lines;
  if (value)
    for (int i = 0; i < value->Count(); ++i) {
      std::string line = value->Get(i);
      if (!line.empty() && line[0] != ';') line = RemoveChar(line, ' ');
      lines.Add(line);
    }
  FCommonSections->Assign(&lines);
  SetSkinName(FSkinName);
}

void TsSkinManager::SetSaturation(int value) {
  if (value == FSaturation) return;
  FSaturation = value;
  ReloadColours();
}

void TsSkinManager::SetHueOffset(int value) {
  if (value == FHueOffset) return;
  FHueOffset = value;
  ReloadColours();
}

void TsSkinManager::SetSkinDirectory(const std::string& value) {
  if (value == FSkinDirectory) return;
  FSkinDirectory = value;
  SkinData.SkinPath = ExpandedSkinDirectory();
}

void TsSkinManager::SetSkinName(const std::string& value) {
  FSkinName = value;
  if (!FActive || HoldForContrast()) return;
  if (OnBeforeChange) OnBeforeChange(this);
  {
    TFlagScope changing(SkinChanging);
    SkinData.Active = false;
    if (!LoadGuarded()) return;
    SendNewSkin();
  }
  if (OnAfterChange) OnAfterChange(this);
}

void TsSkinManager::SetSkinnedPopups(bool value) {
  if (value == FSkinnedPopups) return;
  FSkinnedPopups = value;
  if (HasState(csDesigning) || !FSkinableMenus) return;
  // Unhooked first: popups hooked under the old value lose the painter's handlers even when the
  // new value leaves popups alone.
  if (FSkinableMenus->Active()) FSkinableMenus->UpdateMenus(false);
  FSkinableMenus->UpdateActive();
}

std::string TsSkinManager::SkinInfo() const { return SkinData.Active ? FloatToStr(SkinData.Version) : "N/A"; }

bool TsSkinManager::LoadGuarded() {
  try {
    LoadSkin();
    return true;
  } catch (...) {
    // LoadSkin has already removed the half-loaded skin.
    if (HasState(csReading | csLoading)) return false;
    throw;
  }
}

void TsSkinManager::ReloadColours() {
  if (!SkinData.Active) return;
  const TacTableNames before = TableNames();
  {
    TFlagScope changing(SkinChanging);
    if (!LoadGuarded()) return;
  }
  if (HasState(csLoading | csReading)) return;
  // The same tables in new colours keep every index; another skin (the folder skin gone and the
  // first stored one loaded instead, say) is announced as new, so that the links look it up.
  if (TableNames() == before)
    RepaintForms();
  else
    SendNewSkin();
}

TsSkinManager::TacTableNames TsSkinManager::TableNames() const {
  TacTableNames names;
  names.reserve(Sections.size() + Images.size() + Textures.size());
  for (const TsGeneralData& s : Sections) names.emplace_back('S', s.SectionName, s.ParentClass, 0);
  for (const TsMaskData& i : Images) names.emplace_back('I', i.ClassName, i.PropertyName, static_cast<int>(i.ImgType));
  for (const TsPatternData& t : Textures) names.emplace_back('T', t.ClassName, t.PropertyName, 0);
  return names;
}

// ---- command sequences -------------------------------------------------------------------------

void TsSkinManager::SendNewSkin() {
  if (FHeldForContrast) return;  // nothing loaded to announce
  if (FSkinableMenus) FSkinableMenus->SetSkinBorderWidth(-1);
  SkinData.Active = false;
  {
    TFlagScope sending(NewSkinSending);
    UpdateCommonIndexes();
    TMessage m = SkinCmdMessage(skcNewSkin, reinterpret_cast<LPARAM>(this));
    BroadcastToForms(m);
  }
  SkinData.Active = true;
  RepaintForms();
}

void TsSkinManager::RepaintForms() {
  if (!HasState(csDesigning)) {
    TMessage m = SkinCmdMessage(skcRefreshFollows, reinterpret_cast<LPARAM>(this));
    BroadcastToForms(m);
  }
  TMessage m = SkinCmdMessage(skcRefresh, reinterpret_cast<LPARAM>(this));
  BroadcastToForms(m);
}

void TsSkinManager::SendRemoveSkin() {
  SkinData.Active = false;
  // The tables go even when a receiver fails.
  struct TFreeTables {
    TsSkinManager* sm;
    ~TFreeTables() {
      sm->FreeMasks();
      sm->FreePatterns();
      sm->Sections.clear();
    }
  } freeTables{this};
  TMessage m = SkinCmdMessage(skcRemoveSkin, reinterpret_cast<LPARAM>(this));
  BroadcastToForms(m);
}

void TsSkinManager::FreeMasks() noexcept {
  while (!Images.empty()) Images.pop_back();
  MasterBitmap.reset();
}

void TsSkinManager::FreePatterns() noexcept {
  while (!Textures.empty()) Textures.pop_back();
}

}  // namespace korv

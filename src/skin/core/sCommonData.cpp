// The control skin link: its properties, index lookups and the state queries.
#include "skin/core/sCommonData.h"

#include "classlib/StdCtrls.h"
#include "classlib/Streaming.h"
#include "skin/core/sMessages.h"
#include "skin/core/sSkinManager.h"
#include "skin/core/sSkinStartup.h"
#include "skin/data/sUtils.h"

namespace korv {

namespace {

using CD = TsCommonData;
const TPropInfo kCommonDataProps[] = {
    KORV_PROP_COMPONENT_EX("SkinManager", CD, &CD::StoredSkinManager, &CD::SetSkinManager),
    KORV_PROP_STR(CD, SkinSection, ""),
    KORV_PROP_BOOL(CD, CustomColor, false),
    KORV_PROP_BOOL(CD, CustomFont, false),
};
KORV_DEFINE_PROPS(TsCommonData, kCommonDataProps);

}  // namespace

KORV_DEFINE_CLASS(TsCommonData, TPersistent, nullptr, &TsCommonData_PropTable);

const char* DefaultSkinSection(int code) noexcept {
  struct TRange {
    int From, To;
    const char* Section;
  };
  static constexpr TRange kRanges[] = {
      {2, 8, "EDIT"},         {10, 10, "EDIT"},          {41, 41, "EDIT"},         {76, 76, "EDIT"},
      {78, 78, "EDIT"},       {83, 84, "EDIT"},          {96, 97, "EDIT"},         {131, 131, "EDIT"},
      {140, 140, "EDIT"},     {227, 227, "EDIT"},        {11, 18, "COMBOBOX"},     {81, 82, "COMBOBOX"},
      {19, 19, "BAR"},        {20, 20, "BARTITLE"},      {32, 32, "CHECKBOX"},     {33, 33, "RADIOBUTTON"},
      {51, 51, "PANEL"},      {59, 59, "PANEL"},         {68, 68, "PANEL"},        {73, 73, "PANEL"},
      {52, 52, "PANEL_LOW"},  {58, 58, "PANEL_LOW"},     {53, 54, "TOOLBAR"},      {60, 60, "TOOLBAR"},
      {56, 56, "DRAGBAR"},    {57, 57, "TABSHEET"},      {74, 74, "GROUPBOX"},     {226, 226, "GROUPBOX"},
      {75, 75, "SPLITTER"},   {92, 92, "SPEEDBUTTON"},   {95, 95, "SPEEDBUTTON"},  {93, 94, "BUTTON"},
      {98, 98, "TOOLBUTTON"}, {141, 141, "PAGECONTROL"}, {143, 143, "TABCONTROL"}, {151, 151, "STATUSBAR"},
      {161, 161, "GAUGE"},
  };
  for (const TRange& r : kRanges)
    if (code >= r.From && code <= r.To) return r.Section;
  return nullptr;
}

TsCommonData::TsCommonData(TObject* owner, bool createCacheBmp)
    : OwnerControl(dynamic_cast<TControl*>(owner)),
      OwnerObject(owner),
      // A control whose own manager goes without its removal command reaching it (a control on
      // no form of the application) must not keep it.
      FWatch(std::unique_ptr<TacFreeWatch>(NewComponent<TacFreeWatch>([this](TComponent* c) {
        if (c && c == FSkinManager) ManagerFreed();
      }))) {
  RequireSkinUnits(owner ? owner->ClassName() : std::string("A skinned control"));
  if (createCacheBmp) CacheBmp = std::make_unique<TBitmap>();
}

TsCommonData::~TsCommonData() {
  SkinIndex = BorderIndex = Texture = HotTexture = -1;
  FWatch.reset();  // off the manager's list first
  FSkinManager = nullptr;
  OwnerControl = nullptr;
  OwnerObject = nullptr;
  CacheBmp.reset();
}

// ---- properties ---------------------------------------------------------------------------------

TsSkinManager* TsCommonData::SkinManager() const noexcept { return FSkinManager ? FSkinManager : DefaultManager; }

void TsCommonData::WatchManager(TsSkinManager* manager) {
  if (FSkinManager) FWatch->RemoveFreeNotification(FSkinManager);
  FSkinManager = manager;
  if (FSkinManager) FWatch->FreeNotification(FSkinManager);
}

void TsCommonData::ManagerFreed() noexcept {
  FSkinManager = nullptr;
  SkinIndex = BorderIndex = Texture = HotTexture = -1;
  BGChanged = true;
}

void TsCommonData::SetSkinManager(TsSkinManager* value) {
  if (value == FSkinManager) return;
  WatchManager(value == DefaultManager ? nullptr : value);
  if (TComponent* o = OwnerComponent(); o && o->HasState(csLoading)) return;
  const bool exists = LookUpSection();
  TMessage m = SkinCmdMessage(exists ? skcRefresh : skcRemoveSkin, reinterpret_cast<LPARAM>(SkinManager()));
  if (OwnerControl) {
    if (OwnerControl->Parent() && !OwnerControl->Parent()->HasState(csDestroying))
      OwnerControl->Perform(m.Msg, m.WParam, m.LParam);
  } else if (CommandHandler) {
    CommandHandler(m);
  }
}

void TsCommonData::SetSkinSection(const std::string& value) {
  if (value == FSkinSection) return;
  FSkinSection = value.empty() ? "UNKNOWN" : value;
  const bool exists = LookUpSection();
  if (OwnerControl && OwnerControl->Parent() && !OwnerControl->HasState(csDestroying))
    OwnerControl->Perform(SM_ALPHACMD, SkinCmdWParam(exists ? skcRefresh : skcRemoveSkin),
                          reinterpret_cast<LPARAM>(SkinManager()));
}

void TsCommonData::SetCustomColor(bool value) {
  if (value == FCustomColor) return;
  FCustomColor = value;
  if (Skinned() && OwnerIsEdit() && !OwnerControl->HasState(csLoading)) {
    ApplyEditColors(true);
    Invalidate();
  }
}

void TsCommonData::SetCustomFont(bool value) {
  if (value == FCustomFont) return;
  FCustomFont = value;
  Invalidate();
}

// ---- operations ---------------------------------------------------------------------------------

TComponent* TsCommonData::OwnerComponent() const noexcept { return dynamic_cast<TComponent*>(OwnerObject); }

bool TsCommonData::OwnerDestroying() const noexcept {
  const TComponent* o = OwnerComponent();
  return o && o->HasState(csDestroying);
}

bool TsCommonData::LookUpSection() {
  const TsSkinManager* sm = SkinManager();
  if (sm && !sm->Sections.empty())
    UpdateIndexes();
  else
    SkinIndex = -1;
  return sm && !sm->Sections.empty() && sm->IsValidSectionIndex(SkinIndex);
}

void TsCommonData::Loaded() {
  if (FSkinSection.empty()) {
    const char* section = DefaultSkinSection(CtrlTypeCode);
    SetSkinSection(section ? std::string(section) : OwnerObject ? OwnerObject->ClassName() : std::string());
  } else {
    LookUpSection();
  }
  if (!Skinned()) {
    if (ThemesEnabled() && OwnerControl)
      OwnerControl->SetControlStyle(OwnerControl->ControlStyle() & ~csParentBackground);
  } else if (OwnerControl && OwnerControl->Parent() && (OwnerIsEdit() || CtrlTypeCode == 97) &&
             !OwnerControl->HasState(csLoading)) {
    ApplyEditColors(true);
  }
}

void TsCommonData::UpdateIndexes() {
  BGChanged = true;
  const TsSkinManager* sm = SkinManager();
  SkinIndex = GetSkinIndex(sm, FSkinSection);
  if (SkinIndex < 0) {
    BorderIndex = Texture = HotTexture = -1;
    return;
  }
  BorderIndex = sm->GetMaskIndex(SkinIndex, FSkinSection, "BORDERSMASK");
  Texture = sm->GetTextureIndex(SkinIndex, FSkinSection, "PATTERN");
  HotTexture = sm->GetTextureIndex(SkinIndex, FSkinSection, "HOTPATTERN");
}

bool TsCommonData::Skinned(bool checkActive) const {
  if (!OwnerObject || OwnerDestroying()) return false;
  const TsSkinManager* sm = SkinManager();
  if (!sm || sm->HasState(csDestroying)) return false;
  if (checkActive && !sm->SkinData.Active) return false;
  return sm->IsValidSectionIndex(SkinIndex);
}

bool TsCommonData::PaintDeferred() const {
  const TsSkinManager* sm = SkinManager();
  if (!sm || !sm->SkinData.Active) return true;
  if (!OwnerControl || OwnerControl->HasState(csDestroying)) return Updating;
  if (Updating) return true;
  if (TWinControl* parent = OwnerControl->Parent()) return QuerySkinCmd(parent, skcIsBGChanged);
  return true;
}

bool TsCommonData::ControlIsActive() const {
  const TControl* c = OwnerControl;
  if (!c || c->HasState(csDestroying | csDesigning) || !c->Enabled()) return false;
  if (Focused) return true;
  if (c->IsWindowed() && static_cast<const TWinControl*>(c)->Focused()) return true;
  return MouseAbove && !IsNoHotType(CtrlTypeCode);
}

const TsGeneralData* TsCommonData::Section() const noexcept {
  const TsSkinManager* sm = SkinManager();
  return sm && sm->IsValidSectionIndex(SkinIndex) ? &sm->Sections[static_cast<size_t>(SkinIndex)] : nullptr;
}

bool TsCommonData::SectionTransparent() const {
  const TsGeneralData* s = Section();
  return s && s->Transparency >= 1;
}

bool TsCommonData::ParentNeedsImage() const {
  TWinControl* parent = OwnerControl ? OwnerControl->Parent() : nullptr;
  return parent && parent->HandleAllocated() && QuerySkinCmd(parent, skcNeedsParentImage);
}

bool TsCommonData::NeedsParentImage() const {
  const TControl* c = OwnerControl;
  if (ParentRepaint || !Skinned() || !c || (c->ControlState() & csCreating) || !c->Visible()) return true;
  const TsGeneralData* s = Section();
  if (!s) return false;
  bool r = !c->Enabled() || s->Transparency > 0;
  if (r) {
    TWinControl* parent = c->Parent();
    if (parent && parent->HandleAllocated()) r = QuerySkinCmd(parent, skcNeedsParentImage);
  }
  return r;
}

void TsCommonData::Invalidate() {
  if (!OwnerObject) return;
  if (const TComponent* o = OwnerComponent(); o && o->HasState(csDestroying | csLoading)) return;
  BGChanged = true;
  if (OwnerControl && ControlIsReady(OwnerControl)) OwnerControl->Invalidate();
}

void TsCommonData::PrepareCache() {
  ++CacheStamp;
  if (!CacheBmp) CacheBmp = std::make_unique<TBitmap>();
  if (!OwnerControl) return;
  const int w = OwnerControl->Width(), h = OwnerControl->Height();
  if (CacheBmp->Width() != w || CacheBmp->Height() != h) CacheBmp->SetSize(w, h);
}

void TsCommonData::GetParentCacheInfo(TCacheInfo& info) const {
  info = TCacheInfo{};
  ParentCacheInfo.Ready = false;
  if (!OwnerControl || !OwnerControl->Parent()) return;
  SendSkinCmd(OwnerControl->Parent(), skcGetCache);
  info = ParentCacheInfo;
}

bool TsCommonData::OwnerIsEdit() const noexcept {
  return OwnerControl && OwnerControl->InheritsFrom(TCustomEdit::StaticClass());
}

void TsCommonData::ApplyEditColors(bool onlyChanged) {
  const TsGeneralData* s = Section();
  if (!s || !OwnerControl) return;
  if (!FCustomColor && (!onlyChanged || OwnerControl->Color() != s->Color)) OwnerControl->SetColor(s->Color);
  TFont* font = OwnerControl->Font();
  if (!FCustomFont && (!onlyChanged || font->Color() != s->FontColor[0])) font->SetColor(s->FontColor[0]);
}

}  // namespace korv

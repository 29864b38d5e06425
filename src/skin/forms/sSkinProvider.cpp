// The provider as a component: construction and destruction (the form's WindowProc taken over and
// given back), the published properties and their setters, attaching a skin, and finding the
// provider of a form.
#include "skin/forms/sSkinProvider.h"

#include <algorithm>
#include <utility>

#include "classlib/Streaming.h"
#include "skin/controls/sPanel.h"
#include "skin/controls/sScrollBar.h"
#include "skin/core/sMessages.h"
#include "skin/core/sSkinManager.h"
#include "skin/forms/sMDIForm.h"

namespace korv {

TsSkinProvider* MDIParentProvider = nullptr;

namespace {

// Every provider alive: an answer to the provider query is taken only when it names one.
std::vector<TsSkinProvider*>& LiveProviders() {
  static std::vector<TsSkinProvider*> providers;
  return providers;
}
uint64_t gProviderSerial = 0;

bool IsLiveProvider(const TsSkinProvider* provider) {
  const auto& live = LiveProviders();
  return provider && std::find(live.begin(), live.end(), provider) != live.end();
}

using P = TsSkinProvider;
const TPropInfo kProviderProps[] = {
    KORV_PROP_SET(P, BorderIcons, kBorderIconIdents, kDefaultProviderIcons),
    KORV_PROP_ENUM(P, CaptionAlignment, kAlignmentIdents, taLeftJustify),
    KORV_PROP_OBJECT(P, SkinData),
    KORV_PROP_ENUM(P, GripMode, kGripModeIdents, gmNone),
    KORV_PROP_BOOL(P, MakeSkinMenu, true),
    KORV_PROP_STR(P, MenuLineSkin, ""),
    KORV_PROP_ENUM(P, ResizeMode, kResizeModeIdents, rmStandard),
    KORV_PROP_BOOL(P, ScreenSnap, false),
    KORV_PROP_INT(P, SnapBuffer, 10),
    KORV_PROP_BOOL(P, ShowAppIcon, true),
    KORV_PROP_COLLECTION(P, TitleButtons),
    KORV_PROP_OBJECT(P, TitleIcon),
    KORV_PROP_STR(P, TitleSkin, ""),
    KORV_PROP_BOOL(P, UseGlobalColor, true),
};
KORV_DEFINE_PROPS(TsSkinProvider, kProviderProps);

}  // namespace

KORV_DEFINE_CLASS(TsSkinProvider, TComponent, &CreateComponent<TsSkinProvider>, &TsSkinProvider_PropTable);

// The form's WindowProc while a provider lives. It is an object of its own so that it can outlive
// the provider: when another component replaced the form's WindowProc after the provider (and
// keeps calling this one), the provider's destruction leaves it as a pass-through to the
// procedure the provider found, and it is freed with the form.
class TsSkinProvider::TWndProcLink final : public TComponent {
 public:
  TWndProcLink(TsSkinProvider* provider, TCustomForm* form)
      : TComponent(nullptr), Provider(provider), Form(form), Saved(form->WindowProc) {
    form->FreeNotification(this);
  }
  void Proc(TMessage& message) {
    if (Provider)
      Provider->ProviderWndProc(message);
    else if (Saved)
      Saved(message);
  }
  [[nodiscard]] TWndMethod Method() { return TWndMethod(this, &TWndProcLink::Proc); }

  TsSkinProvider* Provider;
  TCustomForm* Form;
  TWndMethod Saved;

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == Form) delete this;
  }
};

TsSkinProvider::TsSkinProvider(TComponent* owner)
    : TComponent(owner),
      FTitleIcon(std::make_unique<TsTitleIcon>()),
      FTitleButtons(std::make_unique<TsTitleButtons>(this)),
      FSkinData(std::make_unique<TsCommonData>(this, true)),
      FSerial(++gProviderSerial) {
  Form = FirstOwnerForm(this);
  FSkinData->CtrlTypeCode = kProviderTypeCode;
  FSkinData->CommandHandler = TWndMethod(this, &TsSkinProvider::ProviderWndProc);
  FSkinData->SetSkinSection("FORM");
  if (Form) {
    FormAutoScroll = Form->AutoScroll();
    SavedBorderIcons = Form->BorderIcons();
  }
  LiveProviders().push_back(this);
  if (!Form || HasState(csDesigning)) return;

  // Run time: the provider paints the whole window itself, so the form neither buffers its
  // painting nor scrolls with the system's bars, and its messages come through the provider.
  Form->SetDoubleBuffered(false);
  ButtonsBackground = std::make_unique<TBitmap>();
  MenuLineBackground = std::make_unique<TBitmap>();
  Form->SetAutoScroll(false);
  SavedBorderIcons = Form->BorderIcons();
  IconsPending = true;
  RegionList.clear();
  MenuLineCount = -1;
  FLink = NewComponent<TWndProcLink>(this, Form);
  Form->WindowProc = FLink->Method();
  FormActive = true;
}

TsSkinProvider::~TsSkinProvider() {
  Destroying();
  AbortOutline();
  std::erase(LiveProviders(), this);
  if (FLink) {
    TWndProcLink* link = FLink;
    FLink = nullptr;
    if (Form && Form->WindowProc == link->Method()) {
      Form->WindowProc = link->Saved;
      delete link;
    } else {
      link->Provider = nullptr;  // left as a pass-through; freed with the form
    }
  }
  // An MDI child with a menu leaves the parent's menu line: the parent composes it again.
  if (TsSkinProvider* parent = Form && Form->FormStyle() == fsMDIChild && Form->Menu() ? MDIParent() : nullptr) {
    parent->SkinData()->BGChanged = true;
    parent->MenuLineCount = -1;
    SendNcPaint(parent->Form->HandleIfAllocated());
  }
  delete std::exchange(MDIHelper, nullptr);
  if (MDIParentProvider == this) MDIParentProvider = nullptr;
  delete SystemMenu;  // leaves the owned components through RemoveComponent
  SystemMenu = nullptr;
  ButtonsBackground.reset();
  MenuLineBackground.reset();
  TitleBackground.reset();
  FTitleIcon.reset();
  FTitleButtons.reset();
  FSkinData.reset();
}

void TsSkinProvider::AfterConstruction() {
  TComponent::AfterConstruction();
  if (!HasState(csDesigning) && FSkinData->SkinManager()) AttachSkin();
}

void TsSkinProvider::Loaded() {
  TComponent::Loaded();
  TsSkinManager* sm = Manager();
  if (HasState(csDesigning) || !sm || !FSkinData->Skinned()) return;
  AttachSkin();
  if (SystemMenu) SystemMenu->UpdateItems();
  TitleButtonImage = sm->GetMaskIndex(sm->GetSkinIndex(s_GlobalInfo), s_GlobalInfo, "TITLEBUTTON");
  if (!sm->IsValidSkinIndex(TitleButtonImage))
    TitleButtonImage = sm->GetMaskIndex(FSkinData->SkinIndex, FSkinData->SkinSection(), "TITLEBUTTON");
  for (int i = 0; i < FTitleButtons->Count(); ++i) {
    TsTitleButton* b = FTitleButtons->Items(i);
    b->Data.ImageIndex = b->UseSkinData() ? TitleButtonImage : -1;
  }
  // An MDI parent's helper is connected to its client once the messages waiting are handled.
  if (MDIHelper) {
    const TsProviderWatch watch(this);
    if (Application) Application->ProcessMessages();
    if (watch.Alive() && MDIHelper) MDIHelper->Hook();
  }
}

TsProviderWatch::TsProviderWatch(const TsSkinProvider* provider) noexcept
    : FProvider(const_cast<TsSkinProvider*>(provider)), FSerial(provider ? provider->FSerial : 0) {}

bool TsProviderWatch::Alive() const noexcept { return IsLiveProvider(FProvider) && FProvider->FSerial == FSerial; }

void TsSkinProvider::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == TOperation::opRemove && component) {
    // The scroll parts and the child-buttons item may be freed by the form before the provider.
    if (component == VertBar) VertBar = nullptr;
    if (component == HorzBar) HorzBar = nullptr;
    if (component == Grip) Grip = nullptr;
    if (MDIHelper) MDIHelper->Forget(component);
  }
  if (!FSkinData || !component) return;
  if (auto* sm = dynamic_cast<TsSkinManager*>(component)) {
    if (operation == TOperation::opInsert) {
      if (!FSkinData->SkinManager()) FSkinData->SetSkinManager(sm);
    } else if (FSkinData->SkinManager() == sm) {
      FSkinData->SetSkinManager(nullptr);
    }
    return;
  }
  if (HasState(csDesigning) || !FSkinData->Skinned()) return;
  TsSkinManager* sm = Manager();
  if (!sm || !sm->SkinData.Active || !sm->SkinableMenus()) return;
  const bool insert = operation == TOperation::opInsert;
  if (auto* menu = dynamic_cast<TMainMenu*>(component))
    sm->SkinableMenus()->HookMenu(menu, insert);
  else if (auto* item = dynamic_cast<TMenuItem*>(component))
    sm->SkinableMenus()->HookItem(item, insert);
}

TWndMethod TsSkinProvider::SavedWindowProc() const { return FLink ? FLink->Saved : TWndMethod(); }

TsSkinManager* TsSkinProvider::Manager() const { return FSkinData ? FSkinData->SkinManager() : nullptr; }

void TsSkinProvider::AttachSkin() {
  TsSkinManager* sm = Manager();
  if (!sm) return;
  FSkinData->Loaded();
  if (!SystemMenu) {
    SystemMenu = NewComponent<TsSystemMenu>(this);
    SystemMenu->SetForm(Form);
  }
  SystemMenu->UpdateItems();
  // The form keeps its own border icons while skinned: the system menu and the minimise and
  // maximise boxes are what the shell and the window manager act on (the taskbar button, the
  // window keys, snapping). The hit-test keeps the system off its own caption buttons.
  if (IconsPending && sm->SkinData.Active && sm->IsValidSectionIndex(sm->GetSkinIndex(FSkinData->SkinSection()))) {
    IconsPending = false;
    if (Form && Form->FormStyle() == fsMDIForm && !MDIHelper) {
      MDIHelper = new TsMDIForm(this);
      MDIParentProvider = this;
    }
  }
  FSkinData->UpdateIndexes();
  UpdateButtonImages();
  TsSkinProvider* parent = Form && Form->FormStyle() == fsMDIChild ? MDIParent() : nullptr;
  if (parent && FSkinData->Skinned()) {
    parent->SkinData()->BGChanged = true;
    parent->MenuLineCount = -1;
    if (parent->MDIHelper) parent->MDIHelper->UpdateMdiScrolls();
  }
  if (Form && FUseGlobalColor && !FSkinData->CustomColor()) Form->SetColor(sm->GetGlobalColor());
}

// ---- setters ----

void TsSkinProvider::LookChanged() {
  FSkinData->BGChanged = true;
  if (Form && Form->Visible()) SendNcPaint(Form->HandleIfAllocated());
}

void TsSkinProvider::SetBorderIcons(TsBorderIcons value) noexcept {
  if (value != FBorderIcons) FBorderIcons = value;
}

void TsSkinProvider::SetCaptionAlignment(TAlignment value) {
  if (value == FCaptionAlignment) return;
  FCaptionAlignment = value;
  LookChanged();
}

void TsSkinProvider::SetShowAppIcon(bool value) {
  if (value == FShowAppIcon) return;
  FShowAppIcon = value;
  LookChanged();
}

void TsSkinProvider::SetTitleSkin(const std::string& value) {
  if (value == FTitleSkin) return;
  FTitleSkin = value;
  LookChanged();
}

void TsSkinProvider::SetMenuLineSkin(const std::string& value) {
  FMenuLineSkin = value;
  FSkinData->Invalidate();
}

// Only a form that exists and keeps no colour of its own follows the setting.
void TsSkinProvider::SetUseGlobalColor(bool value) {
  if (value == FUseGlobalColor) return;
  FUseGlobalColor = value;
  if (!Form || FSkinData->CustomColor()) return;
  TsSkinManager* sm = Manager();
  if (value && sm && FSkinData->Skinned())
    Form->SetColor(sm->GetGlobalColor());
  else
    Form->SetColor(clBtnFace);
}

// ---- finding the provider of a form ----

TsSkinProvider* SendFormSkinQuery(TComponent* component) {
  TCustomForm* form = FirstOwnerForm(component);
  if (!form) return nullptr;
  // Asked of the window when it has one; a form without a window is asked directly, so that the
  // query never makes one.
  const WPARAM query = SkinCmdWParam(skcGetProvider);
  const LRESULT reply = form->HandleAllocated() ? SendMessageA(form->HandleIfAllocated(), SM_ALPHACMD, query, 0)
                                                : form->Perform(SM_ALPHACMD, query, 0);
  auto* provider = reinterpret_cast<TsSkinProvider*>(reply);
  return IsLiveProvider(provider) ? provider : nullptr;
}

void SkinProviderStartup() noexcept { RegisterClass(TsSkinProvider::StaticClass()); }
void SkinProviderShutdown() noexcept { UnRegisterClass(TsSkinProvider::StaticClass()); }

void SendToProvider(TCustomForm* form, TMessage& message) {
  if (!form) return;
  for (int i = 0; i < form->ComponentCount(); ++i) {
    auto* provider = dynamic_cast<TsSkinProvider*>(form->Components(i));
    if (provider && !provider->HasState(csDestroying)) {
      provider->ProviderWndProc(message);
      return;
    }
  }
}

}  // namespace korv

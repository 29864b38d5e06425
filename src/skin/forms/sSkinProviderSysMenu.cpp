// The system menu of a skinned form: its items and what each does, the skin sub-menu, and the
// popup.
#include <utility>

#include "classlib/Messages.h"
#include "classlib/Streaming.h"
#include "skin/core/sSkinManager.h"
#include "skin/forms/sSkinProvider.h"

namespace korv {

KORV_DEFINE_CLASS(TsSystemMenu, TPopupMenu, nullptr, nullptr);

namespace {

TMenuItem* NewItem(TsSystemMenu* menu, const char* name, const char* caption, TNotifyEvent onClick) {
  auto* item = NewComponent<TMenuItem>(menu);
  if (*name) item->SetName(name);
  item->SetCaption(caption);
  item->OnClick = onClick;
  menu->Items()->Add(item);
  return item;
}

}  // namespace

TsSystemMenu::TsSystemMenu(TsSkinProvider* owner) : TPopupMenu(owner), FProvider(owner) {
  using M = TsSystemMenu;
  ItemRestore = NewItem(this, "ItemRestore", "Restore", TNotifyEvent(this, &M::RestoreClick));
  ItemMove = NewItem(this, "ItemMove", "Move", TNotifyEvent(this, &M::MoveClick));
  ItemSize = NewItem(this, "ItemSize", "Size", TNotifyEvent(this, &M::SizeClick));
  ItemMinimize = NewItem(this, "ItemMinimize", "Minimize", TNotifyEvent(this, &M::MinimizeClick));
  ItemMaximize = NewItem(this, "ItemMaximize", "Maximize", TNotifyEvent(this, &M::MaximizeClick));
  NewItem(this, "", cLineCaption, {});
  ItemClose = NewItem(this, "ItemClose", "Close", TNotifyEvent(this, &M::CloseClick));
  ItemClose->SetShortCut(ShortCut(VK_F4, ssAlt));
}

TsSystemMenu::~TsSystemMenu() = default;

TsSysButtonsState TsSystemMenu::ButtonsState() const {
  return FProvider ? FProvider->ButtonsState() : TsSysButtonsState{};
}

void TsSystemMenu::UpdateItems() {
  if (!FForm) return;
  const TsSysButtonsState s = ButtonsState();
  ItemRestore->SetVisible(RestoreVisible(s));
  ItemMove->SetVisible(true);
  ItemSize->SetVisible(SizeVisible(s));
  ItemMinimize->SetVisible(MinimizeVisible(s));
  ItemMaximize->SetVisible(MaximizeVisible(s));
  ItemClose->SetVisible(CloseVisible(s));
  ItemRestore->SetEnabled(RestoreEnabled(s));
  ItemMove->SetEnabled(MoveEnabled(s));
  ItemSize->SetEnabled(SizeEnabled(s));
  ItemMinimize->SetEnabled(MinimizeEnabled(s));
  ItemMaximize->SetEnabled(MaximizeEnabled(s));
  ItemClose->SetEnabled(true);
}

// The sub-menu and its separator are taken out together, so that popping the menu up again and
// again leaves one of each.
void TsSystemMenu::UpdateSkinItems() {
  delete SkinSelectItem;  // with its sub-items
  SkinSelectItem = nullptr;
  delete FSkinSeparator;
  FSkinSeparator = nullptr;
  SkinNames.clear();
  TsSkinManager* sm = FProvider ? FProvider->SkinData()->SkinManager() : nullptr;
  if (!FProvider || !FProvider->MakeSkinMenu() || !sm) return;
  TStringList names;
  std::string first;
  sm->GetSkinNames(names, first);
  SkinSelectItem = NewComponent<TMenuItem>(this);
  SkinSelectItem->SetName("SkinSelectItem");
  SkinSelectItem->SetCaption("Available skins");
  Items()->Insert(0, SkinSelectItem);
  FSkinSeparator = NewComponent<TMenuItem>(this);
  FSkinSeparator->SetCaption(cLineCaption);
  Items()->Insert(1, FSkinSeparator);
  for (int i = 0; i < names.Count(); ++i) {
    SkinNames.push_back(names[i]);
    auto* item = NewComponent<TMenuItem>(this);
    item->SetName("SkinSelectItem" + std::to_string(i));
    item->SetCaption(SkinNames.back());
    item->SetRadioItem(true);
    item->OnClick = TNotifyEvent(this, &TsSystemMenu::SkinClick);
    SkinSelectItem->Add(item);
    if (SkinNames.back() == sm->SkinName()) item->SetChecked(true);
  }
}

void TsSystemMenu::SendCommand(WPARAM command) {
  if (FForm && FForm->HandleAllocated()) SendMessageA(FForm->HandleIfAllocated(), WM_SYSCOMMAND, command, 0);
}

void TsSystemMenu::RestoreClick(TObject*) {
  SendCommand(SC_RESTORE);
  UpdateItems();
  // An MDI child's parent brings its scroll bars up to date through the MDI support.
}

void TsSystemMenu::MoveClick(TObject*) { SendCommand(SC_MOVE); }
void TsSystemMenu::SizeClick(TObject*) { SendCommand(SC_SIZE); }

// The main form stands for the application: minimising it minimises the application.
void TsSystemMenu::MinimizeClick(TObject*) {
  if (FForm && Application && Application->MainForm() == FForm) {
    Application->Minimize();
    UpdateItems();
  } else {
    SendCommand(SC_MINIMIZE);
  }
}

void TsSystemMenu::MaximizeClick(TObject*) {
  if (FForm && FForm->FormStyle() != fsMDIChild) FForm->SetWindowState(wsMaximized);
  SendCommand(SC_MAXIMIZE);
  UpdateItems();
}

void TsSystemMenu::CloseClick(TObject*) { SendCommand(SC_CLOSE); }

void TsSystemMenu::SkinClick(TObject* sender) {
  const int index = SkinSelectItem ? SkinSelectItem->IndexOf(dynamic_cast<TMenuItem*>(sender)) : -1;
  TsSkinManager* sm = FProvider ? FProvider->SkinData()->SkinManager() : nullptr;
  if (index < 0 || index >= static_cast<int>(SkinNames.size()) || !sm) return;
  const std::string name = SkinNames[static_cast<size_t>(index)];  // the load may rebuild the list
  sm->SetSkinName(name);
}

// ---- the popup ----

void TsSkinProvider::ShowSystemMenu(int x, int y) {
  if (!SystemMenu || !Form) return;
  SystemMenu->UpdateSkinItems();
  TsSkinManager* sm = Manager();
  if (FMakeSkinMenu && sm && sm->SkinableMenus()) sm->SkinableMenus()->HookPopupMenu(SystemMenu, true);
  SystemMenu->UpdateItems();
  if (Form->HandleAllocated()) SystemMenu->SetWindowHandle(Form->HandleIfAllocated());
  SystemMenu->Popup(x, y);
}

void TsSkinProvider::PopupSystemMenu(int x, int y) {
  const TsSkinManager* sm = Manager();
  if (sm && sm->SkinnedPopups()) return ShowSystemMenu(x, y);
  HWND wnd = Form ? Form->HandleIfAllocated() : nullptr;
  HMENU menu = wnd ? GetSystemMenu(wnd, FALSE) : nullptr;
  if (!menu) return;  // a window without WS_SYSMENU has none
  // Tracked here rather than by the default handling, which would paint its own system-menu
  // button over the skinned caption; its items follow the form's state by the same rules as the
  // skinned menu's.
  const TsSysButtonsState s = ButtonsState();
  const std::pair<UINT, bool> items[] = {{SC_RESTORE, RestoreEnabled(s)},
                                         {SC_MOVE, MoveEnabled(s)},
                                         {SC_SIZE, SizeEnabled(s)},
                                         {SC_MINIMIZE, MinimizeEnabled(s)},
                                         {SC_MAXIMIZE, MaximizeEnabled(s)}};
  for (const auto& [id, enabled] : items) EnableMenuItem(menu, id, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
  const UINT command = TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, x, y, 0, wnd, nullptr);
  if (command) SendMessageA(wnd, WM_SYSCOMMAND, command, 0);  // the form may be gone afterwards
}

}  // namespace korv

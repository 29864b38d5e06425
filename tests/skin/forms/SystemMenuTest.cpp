// The system menu: its items by border style, window state and icons, what each item sends, and
// the skin sub-menu through real popups.
#include <gtest/gtest.h>

#include "ProviderKit.h"
#include "support/MenuDriver.h"
#include "support/Sandbox.h"

namespace korv::test {
namespace {

using SystemMenuTest = TProviderTest;

// The letters of the items that hold: Restore, Move, Size, miNimize, maXimize, Close.
std::string Letters(TsSystemMenu* m, bool (TMenuItem::*holds)() const) {
  std::string s;
  for (auto [item, letter] : {std::pair{m->ItemRestore, 'R'},
                              {m->ItemMove, 'M'},
                              {m->ItemSize, 'S'},
                              {m->ItemMinimize, 'N'},
                              {m->ItemMaximize, 'X'},
                              {m->ItemClose, 'C'}})
    if ((item->*holds)()) s += letter;
  return s;
}

TEST_F(SystemMenuTest, ItemsAndButtonsFollowTheStyleTheStateAndTheIcons) {
  LoadTestSkin();
  constexpr TBorderIcons all = biSystemMenu | biMinimize | biMaximize;
  const std::tuple<TBorderStyle, TBorderIcons, int, const char*, const char*, int> rows[] = {
      {bsSizeable, all, SW_SHOWNORMAL, "RMSNXC", "MSNXC", 3},
      {bsSizeable, all, SW_MAXIMIZE, "RMSNXC", "RSNC", 3},
      {bsSingle, biSystemMenu, SW_MINIMIZE, "RMSNXC", "RMC", 3},  // iconic: maximise and minimise
      {bsSingle, biSystemMenu | biMinimize, SW_SHOWNORMAL, "RMSNC", "MNC", 2},
      {bsDialog, all, SW_SHOWNORMAL, "MC", "MSNC", 1},
      {bsSizeable, 0, SW_SHOWNORMAL, "MS", "MSC", 0},
      {bsToolWindow, all, SW_SHOWNORMAL, "MC", "MSNC", 1},
      {bsSizeToolWin, all, SW_SHOWNORMAL, "MSC", "MSNXC", 1}};
  for (auto [style, icons, show, visible, enabled, buttons] : rows) {
    TForm* form = NewSkinnedForm(style);
    TsSkinProvider* p = ProviderOf(form);
    p->SetBorderIcons(icons);
    form->Show();
    ShowWindow(form->Handle(), show);
    PumpPending();
    p->SystemMenu->UpdateItems();
    EXPECT_EQ(Letters(p->SystemMenu, &TMenuItem::Visible), visible) << int(style) << " " << show;
    EXPECT_EQ(Letters(p->SystemMenu, &TMenuItem::Enabled), enabled) << int(style) << " " << show;
    EXPECT_EQ(p->VisibleSysButtons(), buttons) << int(style) << " " << show;
  }
}

TEST_F(SystemMenuTest, EachItemSendsItsCommandAndTheMainFormMinimisesTheApplication) {
  LoadTestSkin();
  TForm* form = ShowSkinnedForm();
  TsSystemMenu* menu = ProviderOf(form)->SystemMenu;
  struct TCatcher {
    TWndMethod Saved;
    std::vector<WPARAM> Commands;
    int Minimized = 0;
    void Proc(TMessage& m) { m.Msg == WM_SYSCOMMAND ? Commands.push_back(m.WParam & 0xFFF0) : Saved(m); }
    void AppMinimized(TObject*) { ++Minimized; }
  } catcher;
  TWindowProcHook hook(form, catcher.Saved, TWndMethod(&catcher, &TCatcher::Proc));
  for (TMenuItem* item : {menu->ItemMove, menu->ItemSize, menu->ItemMinimize, menu->ItemMaximize}) item->Click();
  EXPECT_TRUE(form->WindowState() == wsMaximized && menu->ItemRestore->Enabled());
  menu->ItemRestore->Click();
  menu->ItemClose->Click();
  EXPECT_EQ(catcher.Commands, (std::vector<WPARAM>{SC_MOVE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE, SC_RESTORE, SC_CLOSE}));

  TCustomForm* savedMain = Application->MainForm();
  const TNotifyEvent savedHandler = Application->OnMinimize;
  Application->SetMainForm(form);
  Application->OnMinimize = TNotifyEvent(&catcher, &TCatcher::AppMinimized);
  menu->ItemMinimize->Click();
  Application->OnMinimize = savedHandler;
  Application->SetMainForm(savedMain);
  EXPECT_TRUE(catcher.Minimized == 1 && IsIconic(form->Handle()) && catcher.Commands.size() == 6);
  EXPECT_FALSE(menu->ItemMinimize->Enabled());
}

TEST_F(SystemMenuTest, PopupsKeepOneSkinSeparatorAndPickAFolderNamedWithAnAmpersand) {
  TSandbox box;
  box.File("A&B\\Options.dat", "[GLOBALINFO]\r\nColor=255\r\n");
  LoadTestSkin()->SetSkinDirectory(box.AnsiPath().substr(0, box.AnsiPath().size() - 1));
  TsSkinProvider* p = ProviderOf(ShowSkinnedForm());
  TsSystemMenu* menu = p->SystemMenu;
  for (int i = 0; i < 10; ++i) {
    TMenuDriver closer({[](HWND) { return EndMenu() != FALSE; }});
    p->ShowSystemMenu(150, 150);
    ASSERT_TRUE(closer.AllStepsRan() && !closer.SafetyFired());
  }
  auto lines = [&] {
    int n = 0;
    for (int i = 0; i < menu->Items()->Count(); ++i) n += menu->Items()->Items(i)->IsLine();
    return n;
  };
  EXPECT_EQ(lines(), 2);
  TMenuItem* skins = menu->SkinSelectItem;
  ASSERT_TRUE(skins && skins->MenuIndex() == 0 && skins->Count() == 2);
  EXPECT_TRUE(skins->Items(0)->Caption() == "A&B" && skins->Items(1)->Checked());
  skins->Items(0)->Click();
  EXPECT_TRUE(Manager->SkinName() == "A&B" && Manager->SkinData.Active);
  p->SetMakeSkinMenu(false);
  menu->UpdateSkinItems();
  EXPECT_TRUE(!menu->SkinSelectItem && lines() == 1);
}

}  // namespace
}  // namespace korv::test

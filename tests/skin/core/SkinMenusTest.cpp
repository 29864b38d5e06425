// The menu painter's hooks on the application's menus, the application hook for its posted
// messages, and the window of an open popup found from an item.
#include <gtest/gtest.h>

#include "SkinCoreKit.h"
#include "support/MenuDriver.h"

namespace korv::test {
namespace {

// Handlers the application put on its items.
struct TAppHandlers {
  void Draw(TObject*, TCanvas*, const TRect&, TOwnerDrawState) {}
  void Measure(TObject*, TCanvas*, int&, int&) {}
};

TMenuItem* NewItem(TMenuItem* parent) {
  auto* item = new TMenuItem(parent->Owner() ? parent->Owner() : parent);
  item->SetCaption("item");
  parent->Add(item);
  return item;
}

using SkinMenusTest = TSkinCoreTest;

TEST_F(SkinMenusTest, HooksFollowTheSkinAndLeaveTheApplicationsHandlers) {
  TAppHandlers app;
  const TAdvancedMenuDrawItemEvent appDraw(&app, &TAppHandlers::Draw);
  const TMenuMeasureItemEvent appMeasure(&app, &TAppHandlers::Measure);
  TRecordingForm* form = NewRecordingForm();
  auto* mainMenu = new TMainMenu(form);
  TMenuItem* top1 = NewItem(mainMenu->Items());
  TMenuItem* sub1 = NewItem(top1);
  TMenuItem* top2 = NewItem(mainMenu->Items());
  top1->OnAdvancedDrawItem = appDraw;
  auto* popup = new TPopupMenu(form);
  TMenuItem* p1 = NewItem(popup->Items());
  TMenuItem* p2 = NewItem(p1);  // unnamed, like the top items
  p1->OnMeasureItem = appMeasure;

  TsSkinManager* sm = NewManager();
  TsSkinableMenus* menus = sm->SkinableMenus();
  const TAdvancedMenuDrawItemEvent drawItem(menus, &TsSkinableMenus::DrawItem);
  const TAdvancedMenuDrawItemEvent drawTop(menus, &TsSkinableMenus::DrawTopLineItem);
  const TMenuMeasureItemEvent measureTop(menus, &TsSkinableMenus::MeasureTopLineItem);
  AddStoredSkin(*sm, "A", {"MENUITEM"});
  sm->SetSkinName("A");
  menus->UpdateActive();
  ASSERT_TRUE(menus->Active());
  EXPECT_TRUE(mainMenu->OwnerDraw() && popup->OwnerDraw() && (popup->MenuAnimation() & maNone));
  EXPECT_EQ(top1->OnAdvancedDrawItem, appDraw);
  EXPECT_EQ(top1->OnMeasureItem, measureTop);
  EXPECT_EQ(top2->OnAdvancedDrawItem, drawTop);
  EXPECT_EQ(sub1->OnAdvancedDrawItem, drawItem);
  EXPECT_EQ(p1->OnMeasureItem, appMeasure);
  EXPECT_EQ(p2->OnAdvancedDrawItem, drawItem);
  EXPECT_TRUE(TsSkinableMenus::IsTopLineItem(top2));
  EXPECT_FALSE(TsSkinableMenus::IsTopLineItem(sub1) || TsSkinableMenus::IsTopLineItem(p2));

  // Popups no longer skinned: unhooked although the new value leaves popups alone.
  sm->SetSkinnedPopups(false);
  EXPECT_FALSE(popup->OwnerDraw() || (popup->MenuAnimation() & maNone) || p2->OnAdvancedDrawItem);
  EXPECT_EQ(p1->OnMeasureItem, appMeasure);
  EXPECT_EQ(top2->OnMeasureItem, measureTop);
  sm->SetSkinnedPopups(true);
  EXPECT_EQ(p1->OnAdvancedDrawItem, drawItem);

  // The painter goes with its manager and takes its own handlers, only those, along.
  Managers_.clear();
  delete sm;
  for (TMenuItem* i : {sub1, top2, p2}) EXPECT_FALSE(i->OnAdvancedDrawItem || i->OnMeasureItem);
  EXPECT_FALSE(top1->OnMeasureItem || p1->OnAdvancedDrawItem || mainMenu->OwnerDraw());
  EXPECT_EQ(top1->OnAdvancedDrawItem, appDraw);
  EXPECT_EQ(p1->OnMeasureItem, appMeasure);
}

TEST_F(SkinMenusTest, TheApplicationHookUsesOnlyLiveItems) {
  TsSkinManager* sm = NewManager();
  TMessage m{WM_SKINMENUITEM, 0, 0, 0};
  EXPECT_FALSE(sm->AppHook(m));  // no picture of a popup: not the hook's business
  MenuPainterState.MenuBackground = std::make_unique<TBitmap>(10, 10);
  EXPECT_TRUE(sm->AppHook(m));
  auto* freed = new TMenuItem(nullptr);
  m.LParam = reinterpret_cast<LPARAM>(freed);
  delete freed;
  EXPECT_TRUE(sm->AppHook(m));
  PostMessageA(Application->Handle(), WM_SKINMENUITEM, 0, m.LParam);  // through the window too
  PumpPending();
  ResetMenuCache();
  EXPECT_FALSE(MenuPainterState.MenuBackground);
}

TEST_F(SkinMenusTest, TheWindowOfAnOpenPopupIsFoundFromItsItem) {
  auto* popup = new TPopupMenu(NewRecordingForm());
  NewItem(popup->Items());
  TMenuItem* hidden = NewItem(popup->Items());
  hidden->SetVisible(false);
  TMenuItem* last = NewItem(popup->Items());
  HWND shown = nullptr, found = nullptr, ofHidden = shown;
  TMenuDriver driver({[&](HWND w) {
    shown = w;
    found = MenuItemWindow(last);
    ofHidden = MenuItemWindow(hidden);
    EndMenu();
    return true;
  }});
  popup->Popup(200, 200);
  ASSERT_TRUE(driver.AllStepsRan() && shown);
  EXPECT_EQ(found, shown);
  EXPECT_EQ(ofHidden, nullptr);
}

}  // namespace
}  // namespace korv::test

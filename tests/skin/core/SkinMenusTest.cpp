// The menu painter's hooks on the application's menus, the application hook for its posted
// messages, the window of an open popup found from an item, and the measures of popup items.
#include <gtest/gtest.h>

#include <cmath>

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
  auto* item = NewComponent<TMenuItem>(parent->Owner() ? parent->Owner() : parent);
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
  auto* mainMenu = NewComponent<TMainMenu>(form);
  TMenuItem* top1 = NewItem(mainMenu->Items());
  TMenuItem* sub1 = NewItem(top1);
  TMenuItem* top2 = NewItem(mainMenu->Items());
  top1->OnAdvancedDrawItem = appDraw;
  auto* popup = NewComponent<TPopupMenu>(form);
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

TEST_F(SkinMenusTest, AnApplicationsOwnerDrawnPopupKeepsItsOwnDrawingWhateverThePainterDoes) {
  auto* popup = NewComponent<TPopupMenu>(NewRecordingForm());
  popup->SetOwnerDraw(true);
  popup->SetMenuAnimation(maBottomToTop | maNone);
  NewItem(popup->Items());
  auto keptItsOwn = [&] { return popup->OwnerDraw() && popup->MenuAnimation() == (maBottomToTop | maNone); };
  // Left alone by the painter, it is not touched when the skin goes...
  TsSkinManager* sm = NewManager();
  sm->SetSkinnedPopups(false);
  AddStoredSkin(*sm, "A", {"MENUITEM"});
  sm->SetSkinName("A");
  sm->SkinableMenus()->UpdateActive();
  sm->SetActive(false);
  sm->SkinableMenus()->UpdateActive();
  EXPECT_TRUE(keptItsOwn());
  // ...and hooked by it, it gets its own values back when the painter goes.
  sm->SetSkinnedPopups(true);
  sm->SetActive(true);
  sm->SkinableMenus()->UpdateActive();
  ASSERT_TRUE(sm->SkinableMenus()->Active());
  Managers_.clear();
  delete sm;
  EXPECT_TRUE(keptItsOwn());
}

TEST_F(SkinMenusTest, TheApplicationHookUsesOnlyLiveItems) {
  TsSkinManager* sm = NewManager();
  TMessage m{WM_SKINMENUITEM, 0, 0, 0};
  EXPECT_FALSE(sm->AppHook(m));  // no picture of a popup: not the hook's business
  MenuPainterState.MenuBackground = std::make_unique<TBitmap>(10, 10);
  EXPECT_TRUE(sm->AppHook(m));
  auto* freed = NewComponent<TMenuItem>(nullptr);
  m.LParam = reinterpret_cast<LPARAM>(freed);
  delete freed;
  EXPECT_TRUE(sm->AppHook(m));
  PostMessageA(Application->Handle(), WM_SKINMENUITEM, 0, m.LParam);  // through the window too
  PumpPending();
  ResetMenuCache();
  EXPECT_FALSE(MenuPainterState.MenuBackground);
}

TEST_F(SkinMenusTest, TheWindowOfAnOpenPopupIsFoundFromItsItem) {
  auto* popup = NewComponent<TPopupMenu>(NewRecordingForm());
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

TEST_F(SkinMenusTest, ItemsAreMeasuredFromTheMenuFontGlyphsAndExtraLine) {
  TsSkinManager* sm = NewManager();
  TsSkinableMenus* menus = sm->SkinableMenus();
  TMenuItem* root = (NewComponent<TPopupMenu>(NewRecordingForm()))->Items();
  TMenuItem* plain = NewItem(root);
  plain->SetCaption("Open\tfile");
  plain->SetShortCut(ShortCut('O', ssCtrl));
  TMenuItem* line = NewItem(root);
  line->SetCaption("-");
  TMenuItem* tall = NewItem(root);  // starts a second column
  tall->SetBreak(mbBreak);
  tall->Bitmap()->SetSize(20, 30);
  NewItem(root)->SetVisible(false);
  TBitmap paper(1, 1);
  TCanvas* canvas = paper.Canvas();
  auto measure = [&](TMenuItem* item) {
    int w = -1, h = -1;
    menus->MeasureItem(item, canvas, w, h);
    return std::pair{w, h};
  };
  canvas->Font()->Assign(Screen->MenuFont());
  // TextHeight("W") x 1.25 to the nearest, ties to even (13 x 1.25 = 16.25 gives 16).
  const int h = static_cast<int>(std::nearbyint(canvas->TextHeight("W") * 1.25)), m = menus->Margin;
  TRect r{0, 0, 0, 0};
  canvas->DrawTextRect("Open\tfileCtrl+O", r, DT_CALCRECT | DT_EXPANDTABS | DT_SINGLELINE | DT_NOCLIP);
  const int glyphs = 2 * 16 + 3 * m + menus->Spacing;
  EXPECT_EQ(measure(plain), std::pair(RectWidth(r) + glyphs, std::max(h, 16) + 2 * m));
  EXPECT_EQ(measure(line), std::pair(glyphs, 2));
  EXPECT_EQ(measure(tall).second, 30 + 2 * m);
  // The tallest column; the hidden item counts nowhere.
  const int first = std::max(h, 16) + 2 + 2 * m;
  EXPECT_EQ(menus->ColumnsHeight(canvas, line), std::max(first, 30 + 2 * m));
  tall->SetBreak(mbNone);
  EXPECT_EQ(menus->ColumnsHeight(canvas, line), first + 30 + 2 * m);
  // The extra line widens every item of the menu it is fetched for.
  sm->MenuSupport()->SetUseExtraLine(true);
  ResetMenuCache();
  EXPECT_EQ(measure(line).first, glyphs + sm->MenuSupport()->ExtraLineWidth());
  // A painter without a manager leaves the measures alone.
  int w = 7, hh = 9;
  TsSkinableMenus(nullptr).MeasureItem(plain, canvas, w, hh);
  EXPECT_EQ(std::pair(w, hh), std::pair(7, 9));
  ResetMenuCache();
}

// Hands out a glyph of its own and a caption with accelerator marks.
struct TExtraLineSource {
  bool Visible = true;
  int Calls = 0;
  void Get(TMenuItem*, std::string& section, std::string& caption, TBitmap*& glyph, bool& visible) {
    ++Calls;
    EXPECT_EQ(glyph, nullptr);  // the glyph of an earlier fetch is gone
    section = "SIDE";
    caption = "&Tools && more";
    glyph = new TBitmap(4, 4);
    visible = Visible;
  }
};

TEST_F(SkinMenusTest, TheExtraLinesDataTakesOverTheHandlersGlyph) {
  TsSkinManager* sm = NewManager();
  TsSkinableMenus* menus = sm->SkinableMenus();
  TMenuItem* first = NewItem((NewComponent<TPopupMenu>(NewRecordingForm()))->Items());
  TacMenuPainterState& st = MenuPainterState;
  menus->FetchExtraLineData(first, true);
  EXPECT_EQ(st.ExtraCaption, "Don`t forget OnGetExtraLineData event...");
  TExtraLineSource source;
  sm->OnGetMenuExtraLineData = TacGetExtraLineData(&source, &TExtraLineSource::Get);
  menus->FetchExtraLineData(first, true);
  menus->FetchExtraLineData(first, false);  // the first glyph is freed, once
  EXPECT_EQ(std::tuple(st.ExtraCaption, st.ExtraSection, st.ExtraGlyph != nullptr),
            std::tuple("Tools  more", "SIDE", true));
  source.Visible = false;
  menus->FetchExtraLineData(first, false);
  EXPECT_EQ(st.ExtraGlyph, nullptr);  // a hidden line keeps no glyph
  EXPECT_EQ(source.Calls, 3);
  // The narrow width gives up the frame the skin's border leaves, never below 0.
  st.ExtraLineVisible = true;
  sm->MenuSupport()->SetUseExtraLine(true);
  sm->MenuSupport()->SetExtraLineWidth(5);
  menus->SetSkinBorderWidth(1);
  menus->BorderWidth = 4;
  EXPECT_EQ(std::pair(menus->CurrentExtraLineWidth(false), menus->CurrentExtraLineWidth(true)), std::pair(5, 2));
  menus->BorderWidth = 9;
  EXPECT_EQ(menus->CurrentExtraLineWidth(true), 0);
  sm->OnGetMenuExtraLineData = nullptr;
  ResetMenuCache();
}

}  // namespace
}  // namespace korv::test

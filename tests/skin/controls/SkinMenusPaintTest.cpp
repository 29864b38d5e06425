// The skinned menus' painting: the picture of a popup, items painted over it, and live popup
// windows sub-classed, shaped and painted at the offset measured from the real window.
#include <gtest/gtest.h>

#include <cmath>

#include "classlib/Handles.h"
#include "skin/core/LinkedControls.h"
#include "skin/core/SkinCoreKit.h"
#include "skin/forms/ProviderKit.h"
#include "skin/paint/PaintPixels.h"
#include "support/MenuDriver.h"

namespace korv::test {
namespace {

// Per channel round(s - (s - d) * k), the mix of a disabled item (s the picture, d the item).
TColor Faded(TColor s, TColor d, double k) {
  TColor out = 0;
  for (int i = 0; i < 3; ++i)
    out |= static_cast<int>(std::nearbyint(Ch(s, i) - (Ch(s, i) - Ch(d, i)) * k)) << (16 - 8 * i);
  return out;
}

class SkinMenusPaintTest : public TSkinCoreTest {
 protected:
  void SetUp() override {
    TSkinCoreTest::SetUp();
    Sm = NewManager();
    AddSection(*Sm, "MAINMENU", kMenu);
    AddSection(*Sm, "MENUITEM", kItem);
    Sm->Sections.back().HotColor = kHot;
    Sm->Sections.back().FontColor[0] = Sm->Sections.back().HotFontColor[0] = kText;
    AddSection(*Sm, "EXTRALINE", kExtra);
    Sm->Sections.back().FontColor[0] = kExtraText;
    AddSection(*Sm, "ICOLINE", kIcon);
    AddSection(*Sm, "GLOBALINFO", 0);
    // A border of 3 x 3 cells over a black mask, each corner cell's outer pixel the key colour.
    AddImage("MAINMENU", "BORDERSMASK",
             MakeBitmap(9, 18,
                        [](int x, int y) {
                          if (y >= 9) return 0x000000;
                          return (x == 0 || x == 8) && (y == 0 || y == 8) ? sKeyColor : kBorder;
                        }),
             1, 1);
    AddImage("GLOBALINFO", "CHECK", MakeBitmap(8, 4, [](int x, int) { return x < 4 ? kCheck : kHotCheck; }), 2, 0);
    Sm->SkinData.Active = true;
    Menus = Sm->SkinableMenus();
    ResetMenuCache();
  }
  void TearDown() override {
    ResetMenuCache();
    TSkinCoreTest::TearDown();
  }
  void AddImage(const std::string& section, const std::string& key, std::unique_ptr<TBitmap> bmp, int count,
                int maskType) {
    TsMaskData& m = Sm->Images.emplace_back(Image(section, key));
    m.R = Rect(0, 0, bmp->Width(), bmp->Height());
    m.Bmp = std::move(bmp);
    m.ImageCount = static_cast<int16_t>(count);
    m.MaskType = static_cast<int16_t>(maskType);
    m.Manager = Sm;
  }
  // A skinned popup menu of items with the captions; "|" before a caption starts a new column.
  TPopupMenu* Popup(const std::vector<std::string>& captions) {
    auto* popup = new TPopupMenu(NewRecordingForm());
    for (const std::string& c : captions) {
      auto* item = new TMenuItem(popup);
      item->SetCaption(c.substr(c[0] == '|'));
      if (c[0] == '|') item->SetBreak(mbBreak);
      popup->Items()->Add(item);
    }
    Menus->HookPopupMenu(popup, true);
    return popup;
  }
  static constexpr TColor kMenu = 0x40A040, kBorder = 0x802020, kItem = 0xC0C0F0, kHot = 0x2060E0;
  static constexpr TColor kText = 0x000000, kExtra = 0x606000, kExtraText = 0xF0F0F0, kIcon = 0x909090;
  static constexpr TColor kCheck = 0x00C0FF, kHotCheck = 0xFF00C0;
  TsSkinManager* Sm = nullptr;
  TsSkinableMenus* Menus = nullptr;
};

TEST_F(SkinMenusPaintTest, ThePictureHoldsFrameExtraLineIconLineAndCutCorners) {
  TPopupMenu* popup = Popup({"One"});
  TacMenuSupport* options = Sm->MenuSupport();
  options->SetUseExtraLine(true);
  options->SetIcoLineSkin("ICOLINE");
  TacMenuPainterState& st = MenuPainterState;
  Menus->FetchExtraLineData(popup->Items()->Items(0), false);
  st.ExtraGlyph = new TBitmap(6, 6);
  Menus->PrepareMenuBackground(popup->Items()->Items(0), 120, 160, nullptr);
  ASSERT_TRUE(st.MenuBackground);
  const TPixelImage img = BitmapImage(*st.MenuBackground);
  const int b = Menus->SkinBorderWidth(), extra = options->ExtraLineWidth(), icons = st.IconColumnWidth;
  EXPECT_EQ(b, 3);  // the border image's width below 1 counts as 3
  EXPECT_EQ(icons, Menus->Margin + 16 + Menus->Spacing);
  EXPECT_TRUE(img.All(Rect(0, 1, b, 159), kBorder) && img.All(Rect(1, 157, 119, 160), kBorder));
  EXPECT_TRUE(img.All(Rect(b + extra + icons, b, 117, 157), kMenu));
  EXPECT_TRUE(img.All(Rect(b + extra, b, b + extra + icons, 157), kIcon));
  // The extra line: the glyph 12 pixels above the strip's bottom, the caption running upwards 8
  // pixels above the glyph.
  const int glyphTop = 157 - 12 - 6;
  EXPECT_TRUE(img.All(Bounds(b + (extra - 6) / 2, glyphTop, 6, 6), 0xFFFFFF));
  EXPECT_TRUE(img.All(Rect(b, glyphTop + 6, b + extra, 157), kExtra));
  EXPECT_GT(img.Count(Rect(b, b, b + extra, glyphTop - 8), kExtraText), 0);
  EXPECT_EQ(img.Count(Rect(b, glyphTop - 8, b + extra, 157), kExtraText), 0);
  EXPECT_EQ(st.ExtraGlyph, nullptr);  // drawn into the picture and freed
  EXPECT_EQ(Edges(Menus->RegionRects),
            (std::vector<TEdges>{{0, 0, 1, 1}, {119, 0, 120, 1}, {0, 159, 1, 160}, {119, 159, 120, 160}}));
}

TEST_F(SkinMenusPaintTest, ItemsArePaintedOverThePictureAtTheItemOffset) {
  TPopupMenu* popup = Popup({"Checked", "Disabled", "Last"});
  TMenuItem* checked = popup->Items()->Items(0);
  TMenuItem* disabled = popup->Items()->Items(1);
  disabled->SetEnabled(false);
  // Item rectangles from the client's corner, the client 3 pixels inside the window.
  MenuPainterState.ItemOffset = TPoint{3, 3};
  TBitmap paper(140, 90);
  const TRect r0 = Rect(0, 0, 140, 24), r1 = Rect(0, 24, 140, 48), r2 = Rect(0, 48, 140, 56);
  Menus->DrawItem(checked, paper.Canvas(), r0, odSelected | odChecked);
  // Without a window the picture is one column of the menu and the window is asked for.
  ASSERT_TRUE(MenuPainterState.MenuBackground);
  EXPECT_EQ(MenuPainterState.MenuBackground->Width(), 140 + 2 * Menus->BorderWidth);
  MSG posted{};
  ASSERT_TRUE(PeekMessageA(&posted, Application->Handle(), WM_SKINMENUITEM, WM_SKINMENUITEM, PM_REMOVE));
  EXPECT_EQ(posted.lParam, reinterpret_cast<LPARAM>(checked));
  Menus->DrawItem(disabled, paper.Canvas(), r1, 0);
  Menus->DrawItem(popup->Items()->Items(2), paper.Canvas(), r2, 0);
  while (PeekMessageA(&posted, Application->Handle(), WM_SKINMENUITEM, WM_SKINMENUITEM, PM_REMOVE)) {
  }

  const TPixelImage img = BitmapImage(paper);
  EXPECT_EQ(img.At(138, 2), kHot);                                   // selected: the hot colour of "MENUITEM"
  EXPECT_TRUE(img.All(Bounds(Menus->Margin, 10, 4, 4), kHotCheck));  // the hot frame of the check image
  EXPECT_EQ(img.At(138, 26), Faded(kMenu, kItem, 0.4));
  // The column below the last item drawn shows the picture (down to the items' area).
  const int areaBottom = MenuPainterState.MenuBackground->Height() - 6;
  ASSERT_GT(areaBottom, 56);
  EXPECT_TRUE(img.All(Rect(0, 56, 140, areaBottom), kMenu));
  EXPECT_EQ(img.At(5, areaBottom), 0xFFFFFF);
}

TEST_F(SkinMenusPaintTest, ALivePopupIsSubclassedShapedAndPaintedFromTheSkin) {
  TPopupMenu* popup = Popup({"First item", "Second item", "Third", "|Next column", "More"});
  SetCursorPos(2, 2);  // no item under the pointer
  struct TSeen {
    HWND Wnd = nullptr;
    TWindowRegion Region;
    TPixelImage Img;
    TRect Window{}, Items[5]{};
    TPoint Offset{-1, -1};
  } seen;
  auto look = [&](HWND w) {
    seen.Wnd = w;
    GetWindowRect(w, &seen.Window);
    seen.Region = ReadWindowRegion(w);
    seen.Img = CaptureWindowDC(w);
    for (int i = 0; i < 5; ++i) GetMenuItemRect(nullptr, popup->Handle(), i, &seen.Items[i]);
    POINT client{0, 0};
    ClientToScreen(w, &client);
    seen.Offset = TPoint{client.x - seen.Window.left, client.y - seen.Window.top};
  };
  bool subclassed = false, oneColumn = false, rebuilt = false;
  int ticks = 0;
  TBitmap paper(300, 40);
  TMenuDriver driver({[&](HWND w) {
                        RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
                        look(w);
                        subclassed = GetWindowLongPtrA(w, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&MenuWindowProc);
                        // Painted once more without its window: the picture is made from one item,
                        // and the posted request brings it back to the window's size.
                        ResetMenuCache();
                        Menus->DrawItem(popup->Items()->Items(0), paper.Canvas(), Rect(0, 0, 80, 20), 0);
                        oneColumn = MenuPainterState.MenuBackground->Width() == 80 + 2 * Menus->BorderWidth;
                        return true;
                      },
                      [&](HWND w) {
                        // A few ticks for the posted request to come through the menu loop.
                        const TBitmap* picture = MenuPainterState.MenuBackground.get();
                        if ((!picture || picture->Width() != RectWidth(seen.Window)) && ++ticks < 25) return false;
                        rebuilt = picture && picture->Width() == RectWidth(seen.Window) &&
                                  ReadWindowRegion(w).Contains(RectWidth(seen.Window) - 5, 10);
                        EndMenu();
                        return true;
                      }});
  popup->Popup(300, 300);
  ASSERT_TRUE(driver.AllStepsRan() && seen.Wnd) << "safety fired: " << driver.SafetyFired();
  EXPECT_TRUE(subclassed);
  EXPECT_EQ(MenuPainterState.ItemOffset.x, seen.Offset.x);
  EXPECT_EQ(MenuPainterState.ItemOffset.y, seen.Offset.y);
  const int W = RectWidth(seen.Window), H = RectHeight(seen.Window);
  // The region: the whole window but the key-colour corners of the border.
  ASSERT_TRUE(seen.Region.HasRegion());
  EXPECT_FALSE(seen.Region.Contains(0, 0) || seen.Region.Contains(W - 1, H - 1));
  EXPECT_TRUE(seen.Region.Contains(1, 0) && seen.Region.Contains(W - 2, H - 1));
  // Frame, items of both columns and the column below the short one, all from the skin.
  EXPECT_TRUE(seen.Img.All(Rect(0, 1, 3, H - 1), kBorder) && seen.Img.All(Rect(1, 0, W - 1, 3), kBorder));
  EXPECT_TRUE(seen.Img.All(Rect(W - 3, 1, W, H - 1), kBorder));
  for (const TRect& item : seen.Items) {
    const TRect at = Bounds(item.right - seen.Window.left - 6, item.top - seen.Window.top, 4, RectHeight(item));
    EXPECT_TRUE(seen.Img.All(at, kItem)) << "item at " << item.left << "," << item.top;
  }
  const TRect below = seen.Items[4];
  EXPECT_TRUE(seen.Img.All(
      Rect(below.left - seen.Window.left, below.bottom - seen.Window.top, below.right - seen.Window.left, H - 3),
      kMenu));
  EXPECT_GT(seen.Items[3].left, seen.Items[0].right);  // two columns indeed
  EXPECT_TRUE(oneColumn);
  EXPECT_TRUE(rebuilt);  // every column kept in the region
  // The window is gone, and the popup's state with it.
  EXPECT_FALSE(IsWindow(seen.Wnd));
  EXPECT_FALSE(MenuPainterState.MenuBackground || MenuPainterState.CachedFirstItem);
}

using SkinMenusTopLineTest = TProviderTest;

TEST_F(SkinMenusTopLineTest, AFormsMenuLineShowsItsItemsFromTheSkin) {
  constexpr TColor kLineItem = 0x3080C0;
  Manager = std::make_unique<TsSkinManager>(nullptr);
  AddTestSkin(*Manager);
  TsSkinGeneral* g = Manager->InternalSkins()->Items(0)->GeneralData()->Add();
  g->SectionName = "MENUITEM";
  g->Color = g->HotColor = kLineItem;
  g->FontColor = g->HotFontColor = "0 -1 -1 -1 -1";
  Manager->SetSkinName("Test");
  TForm* form = NewSkinnedForm();
  auto* menu = new TMainMenu(form);
  for (const char* caption : {"File", "Edit", "View"}) {
    auto* item = new TMenuItem(form);
    item->SetCaption(caption);
    menu->Items()->Add(item);
  }
  menu->Items()->Items(1)->SetEnabled(false);
  form->SetMenu(menu);
  TsSkinProvider* provider = ProviderOf(form);
  provider->InitMenuItems(true);
  Painter = std::make_unique<TNonClientPainter>(form, provider);
  form->Show();
  RedrawWindow(form->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
  ASSERT_TRUE(PumpUntil([&] { return Painter->Paints > 0; }));
  PumpPending();

  const TPixelImage img = CaptureWindowDC(form->Handle());
  TRect window{};
  GetWindowRect(form->Handle(), &window);
  // The disabled item: 40 percent of its picture over 60 percent of the menu line under it.
  const TColor line = kGlobalColor;
  TColor faded = 0;
  for (int i = 0; i < 3; ++i) faded |= ((Ch(line, i) * 153 + Ch(kLineItem, i) * 102 + 127) >> 8) << (16 - 8 * i);
  for (int i = 0; i < 3; ++i) {
    TRect r{};
    ASSERT_TRUE(GetMenuItemRect(form->Handle(), menu->Handle(), i, &r));
    EXPECT_EQ(RectHeight(r), GetSystemMetrics(SM_CYMENU) - 1);
    const TRect edge = Bounds(r.right - window.left - 4, r.top - window.top + 4, 3, RectHeight(r) - 8);
    EXPECT_TRUE(img.All(edge, i == 1 ? faded : kLineItem)) << "item " << i;
  }
}

}  // namespace
}  // namespace korv::test

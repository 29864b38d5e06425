// The skinned menus' painting: the picture of a popup, items painted over it, live popup windows
// sub-classed, shaped and painted at the offset measured from the real window (and caught at
// their creation: shaped before they are shown, their corners not rounded), and a form's menu
// line.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <vector>

#include "skin/core/LinkedControls.h"
#include "skin/core/SkinCoreKit.h"
#include "skin/data/sSkinConvert.h"
#include "skin/core/sSkinMenus.h"
#include "skin/forms/ProviderKit.h"
#include "skin/paint/PaintPixels.h"
#include "support/MenuDriver.h"

namespace korv::test {
namespace {

constexpr TColor kMenu = 0x40A040, kBorder = 0x802020, kItem = 0xC0C0F0, kHot = 0x2060E0, kExtra = 0x606000;
constexpr TColor kExtraText = 0xF0F0F0, kIcon = 0x909090, kCheck = 0x00C0FF, kHotCheck = 0xFF00C0;

// Per channel round(s - (s - d) * 0.4): a disabled item d over the picture s.
TColor Faded(TColor s, TColor d) {
  TColor out = 0;
  for (int i = 0; i < 3; ++i)
    out |= static_cast<int>(std::nearbyint(Ch(s, i) - (Ch(s, i) - Ch(d, i)) * 0.4)) << (16 - 8 * i);
  return out;
}

// While it lives: each popup menu window's region as the window was shown (a thread hook seeing
// messages before the window's procedure) and the calls to the window manager's attribute function
// (a stand-in put in its place).
struct TMenuWindowWatch {
  TMenuWindowWatch() { Current = this; }
  ~TMenuWindowWatch() { UnhookWindowsHookEx(Hook), SetDwmSetWindowAttribute(SavedDwm), Current = nullptr; }
  static LRESULT CALLBACK Proc(int code, WPARAM wParam, LPARAM lParam) {
    const auto* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && m->message == WM_WINDOWPOSCHANGED && WindowClassOf(m->hwnd) == "#32768" &&
        (reinterpret_cast<const WINDOWPOS*>(m->lParam)->flags & SWP_SHOWWINDOW))
      Current->Shown.emplace_back(m->hwnd, ReadWindowRegion(m->hwnd));
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
  static HRESULT WINAPI Dwm(HWND wnd, DWORD attribute, LPCVOID value, DWORD) {
    Current->Corners.emplace_back(wnd, attribute, *static_cast<const DWORD*>(value));
    return E_INVALIDARG;  // as a system without the attribute answers
  }
  HHOOK Hook = SetWindowsHookExA(WH_CALLWNDPROC, &Proc, nullptr, GetCurrentThreadId());
  TDwmSetWindowAttributeFn SavedDwm = SetDwmSetWindowAttribute(&Dwm);
  std::vector<std::pair<HWND, TWindowRegion>> Shown;
  std::vector<std::tuple<HWND, DWORD, DWORD>> Corners;
  static inline TMenuWindowWatch* Current = nullptr;
};

class SkinMenusPaintTest : public TSkinCoreTest {
 protected:
  void SetUp() override {
    TSkinCoreTest::SetUp();
    Sm = NewManager();
    AddSection(*Sm, "MAINMENU", kMenu);
    AddSection(*Sm, "MENUITEM", kItem);
    Sm->Sections.back().HotColor = kHot;
    AddSection(*Sm, "EXTRALINE", kExtra);
    Sm->Sections.back().FontColor[0] = kExtraText;
    AddSection(*Sm, "ICOLINE", kIcon);
    AddSection(*Sm, "GLOBALINFO", 0);
    // A border of 3 x 3 cells over a black mask, each corner cell's outer pixel the key colour.
    AddImage(*Sm, "MAINMENU", "BORDERSMASK",
             MakeBitmap(9, 18,
                        [](int x, int y) {
                          return y >= 9 ? 0 : (x == 0 || x == 8) && (y == 0 || y == 8) ? sKeyColor : kBorder;
                        }),
             1, 1);
    AddImage(*Sm, "GLOBALINFO", "CHECK", MakeBitmap(8, 4, [](int x, int) { return x < 4 ? kCheck : kHotCheck; }), 2, 0);
    Sm->SkinData.Active = true;
    Menus = Sm->SkinableMenus();
    ResetMenuCache();
  }
  void TearDown() override {
    ResetMenuCache();
    TSkinCoreTest::TearDown();
  }
  // A skinned popup menu of items with the captions; "|" before a caption starts a new column.
  TPopupMenu* Popup(const std::vector<std::string>& captions) {
    auto* popup = NewComponent<TPopupMenu>(NewRecordingForm());
    for (const std::string& c : captions) {
      auto* item = NewComponent<TMenuItem>(popup);
      item->SetCaption(c.substr(c[0] == '|'));
      item->SetBreak(c[0] == '|' ? mbBreak : mbNone);
      popup->Items()->Add(item);
    }
    Menus->HookPopupMenu(popup, true);
    return popup;
  }
  TsSkinManager* Sm = nullptr;
  TsSkinableMenus* Menus = nullptr;
};

TEST_F(SkinMenusPaintTest, ThePictureHoldsFrameExtraLineIconLineAndCutCorners) {
  TMenuItem* first = Popup({"One"})->Items()->Items(0);
  Sm->MenuSupport()->SetUseExtraLine(true);
  Sm->MenuSupport()->SetIcoLineSkin("ICOLINE");
  TacMenuPainterState& st = MenuPainterState;
  Menus->FetchExtraLineData(first, false);
  st.ExtraGlyph = new TBitmap(6, 6);
  Menus->PrepareMenuBackground(first, 120, 160, nullptr);
  const TPixelImage img = BitmapImage(*st.MenuBackground);
  const int b = Menus->SkinBorderWidth(), extra = Sm->MenuSupport()->ExtraLineWidth(), icons = st.IconColumnWidth;
  EXPECT_TRUE(img.All(Rect(0, 1, b, 159), kBorder) && img.All(Rect(1, 157, 119, 160), kBorder));
  EXPECT_TRUE(img.All(Rect(b + extra + icons, b, 117, 157), kMenu));
  EXPECT_TRUE(img.All(Rect(b + extra, b, b + extra + icons, 157), kIcon));
  // The extra line: the glyph 12 pixels above the strip's bottom, the caption running upwards
  // from 8 pixels above it; the glyph is freed once drawn.
  const int glyphTop = 157 - 12 - 6;
  EXPECT_TRUE(img.All(Bounds(b + (extra - 6) / 2, glyphTop, 6, 6), 0xFFFFFF));
  EXPECT_GT(img.Count(Rect(b, b, b + extra, glyphTop - 8), kExtraText), 0);
  EXPECT_EQ(img.Count(Rect(b, glyphTop - 8, b + extra, 157), kExtraText), 0);
  EXPECT_EQ(st.ExtraGlyph, nullptr);
  EXPECT_EQ(Edges(Menus->RegionRects),
            (std::vector<TEdges>{{0, 0, 1, 1}, {119, 0, 120, 1}, {0, 159, 1, 160}, {119, 159, 120, 160}}));
}

TEST_F(SkinMenusPaintTest, ItemsArePaintedOverThePictureAtTheItemOffset) {
  TMenuItem* items = Popup({"Checked", "Disabled", "Last"})->Items();
  items->Items(1)->SetEnabled(false);
  Sm->MenuSupport()->SetIcoLineSkin("");  // no icon line: the menu's face down the whole width
  // Item rectangles from the client's corner, the client 3 pixels inside the window.
  MenuPainterState.ItemOffset = TPoint{3, 3};
  TBitmap paper(140, 90);
  Menus->DrawItem(items->Items(0), paper.Canvas(), Rect(0, 0, 140, 24), odSelected | odChecked);
  // Without a window the picture is one column wide, and the window is asked for.
  EXPECT_EQ(MenuPainterState.MenuBackground->Width(), 140 + 2 * Menus->BorderWidth);
  MSG posted{};
  EXPECT_TRUE(PeekMessageA(&posted, Application->Handle(), WM_SKINMENUITEM, WM_SKINMENUITEM, PM_NOREMOVE));
  Menus->DrawItem(items->Items(1), paper.Canvas(), Rect(0, 24, 140, 48), 0);
  Menus->DrawItem(items->Items(2), paper.Canvas(), Rect(0, 48, 140, 56), 0);
  while (PeekMessageA(&posted, Application->Handle(), WM_SKINMENUITEM, WM_SKINMENUITEM, PM_REMOVE)) {
  }
  const TPixelImage img = BitmapImage(paper);
  EXPECT_EQ(img.At(138, 2), kHot);
  EXPECT_TRUE(img.All(Bounds(Menus->Margin, 10, 4, 4), kHotCheck));
  EXPECT_EQ(img.At(138, 26), Faded(kMenu, kItem));
  // Below the last item, down to the items' area, the picture at the offset (not its border).
  const int areaBottom = MenuPainterState.MenuBackground->Height() - 6;
  EXPECT_TRUE(img.All(Rect(0, 56, 140, areaBottom), kMenu));
  EXPECT_EQ(img.At(5, areaBottom), 0xFFFFFF);
}

TEST_F(SkinMenusPaintTest, ALivePopupIsSubclassedShapedAndPaintedFromTheSkin) {
  TPopupMenu* popup = Popup({"First item", "Disabled", "Third", "|Next column", "More"});
  TMenuItem* items = popup->Items();
  items->Items(1)->SetEnabled(false);
  SetCursorPos(2, 2);  // no item under the pointer
  HWND wnd = nullptr;
  TRect window{}, at[5]{};
  POINT client{0, 0};
  TWindowRegion region;
  TPixelImage img;
  bool subclassed = false, oneColumn = false, allColumns = false;
  int ticks = 0;
  TBitmap paper(300, 40);
  TMenuDriver driver({[&](HWND w) {
                        RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
                        wnd = w;
                        GetWindowRect(w, &window);
                        ClientToScreen(w, &client);
                        region = ReadWindowRegion(w);
                        img = CaptureWindowDC(w);
                        for (int i = 0; i < 5; ++i) GetMenuItemRect(nullptr, items->Handle(), i, &at[i]);
                        subclassed = GetWindowLongPtrA(w, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&MenuWindowProc);
                        // Painted once more without its window: the picture is made from one item,
                        // the posted request brings it back to the window's size.
                        ResetMenuCache();
                        Menus->DrawItem(items->Items(0), paper.Canvas(), Rect(0, 0, 80, 20), 0);
                        oneColumn = MenuPainterState.MenuBackground->Width() == 80 + 2 * Menus->BorderWidth;
                        return true;
                      },
                      [&](HWND w) {
                        const TBitmap* picture = MenuPainterState.MenuBackground.get();
                        allColumns = picture && picture->Width() == RectWidth(window) &&
                                     ReadWindowRegion(w).Contains(RectWidth(window) - 5, 10);
                        if (!allColumns && ++ticks < 25) return false;
                        EndMenu();
                        return true;
                      }});
  popup->Popup(300, 300);
  ASSERT_TRUE(driver.AllStepsRan() && wnd) << "safety fired: " << driver.SafetyFired();
  const int W = RectWidth(window), H = RectHeight(window);
  EXPECT_TRUE(subclassed);
  EXPECT_EQ(std::pair(MenuPainterState.ItemOffset.x, MenuPainterState.ItemOffset.y),
            std::pair(client.x - window.left, client.y - window.top));
  // The region is the whole window but the key-colour corners.
  EXPECT_FALSE(region.Contains(0, 0) || region.Contains(W - 1, H - 1));
  EXPECT_TRUE(region.Contains(1, 0) && region.Contains(W - 2, H - 1) && allColumns);
  EXPECT_TRUE(img.All(Rect(0, 1, 3, H - 1), kBorder) && img.All(Rect(1, 0, W - 1, 3), kBorder));
  EXPECT_TRUE(img.All(Rect(W - 3, 1, W, H - 1), kBorder));
  // Every item of both columns, the disabled one mixed into the picture, and below the short column.
  for (int i = 0; i < 5; ++i)
    EXPECT_TRUE(img.All(Bounds(at[i].right - window.left - 6, at[i].top - window.top, 4, RectHeight(at[i])),
                        i == 1 ? Faded(kMenu, kItem) : kItem))
        << "item " << i;
  EXPECT_TRUE(
      img.All(Rect(at[4].left - window.left, at[4].bottom - window.top, at[4].right - window.left, H - 3), kMenu));
  EXPECT_TRUE(oneColumn && at[3].left > at[0].right);
  // The window is gone, and the popup's state with it.
  EXPECT_FALSE(IsWindow(wnd) || MenuPainterState.MenuBackground || MenuPainterState.CachedFirstItem);
}

using SkinMenusProjectSkinTest = TProviderTest;

TEST_F(SkinMenusProjectSkinTest, DividersShowTheirLineAndSubMenuArrowsAreDrawnFromTheSkin) {
  Manager = std::unique_ptr<TsSkinManager>(NewComponent<TsSkinManager>(nullptr));
  ReadStoredSkinsResource(GetModuleHandleA(nullptr), sInternalSkinResource, *Manager->InternalSkins());
  Manager->SetSkinName(Manager->InternalSkins()->Items(0)->Name());
  const TsSkinManager& sm = *Manager;
  auto* popup = NewComponent<TPopupMenu>(NewForm());
  for (const char* caption : {"Open", "-", "More"}) {
    popup->Items()->Add(NewComponent<TMenuItem>(popup));
    popup->Items()->Items(popup->Items()->Count() - 1)->SetCaption(caption);
  }
  popup->Items()->Items(2)->Add(NewComponent<TMenuItem>(popup));
  sm.SkinableMenus()->HookPopupMenu(popup, true);
  // The divider's image is a frame of three cells; its line, the opaque pixels of its middle.
  const TsMaskData& image = sm.Images[sm.GetMaskIndex(sm.GetSkinIndex("DIVIDERV"), "DIVIDERV", "BORDERSMASK")];
  const int frame = RectHeight(image.R) / 2, x = image.R.left + RectWidth(image.R) / 2;
  HDC master = sm.MasterBitmap->Canvas()->Handle();
  std::vector<std::pair<int, TColor>> line;
  for (int y = 0; y < frame; ++y)
    if (GetPixel(master, x, image.R.top + frame + y) == 0) line.emplace_back(y, GetPixel(master, x, image.R.top + y));
  ASSERT_FALSE(line.empty());

  SetCursorPos(2, 2);
  HMENU menu = popup->Items()->Handle();
  TRect divider{}, item{};
  TPixelImage dividerImg, itemImg;
  TMenuDriver driver({[&](HWND w) {
                        PostKey(w, VK_DOWN);
                        PostKey(w, VK_DOWN);  // past the divider to "More"
                        return true;
                      },
                      [&](HWND) {
                        if (!(GetMenuState(menu, 2, MF_BYPOSITION) & MF_HILITE)) return false;
                        GetMenuItemRect(nullptr, menu, 1, &divider);
                        GetMenuItemRect(nullptr, menu, 2, &item);
                        dividerImg = CaptureScreen(divider), itemImg = CaptureScreen(item);
                        EndMenu();
                        return true;
                      }});
  popup->Popup(300, 300);
  ASSERT_TRUE(driver.AllStepsRan()) << "safety fired: " << driver.SafetyFired();
  EXPECT_EQ(RectHeight(divider), frame);
  for (auto [y, color] : line) EXPECT_EQ(dividerImg.At(RectWidth(divider) / 2, y), color) << "row " << y;
  // The arrow in the selected item's font colour, and nothing of the system's highlight.
  const TColor arrow = sm.Sections[sm.GetSkinIndex("MENUITEM")].HotFontColor[0];
  const int w = RectWidth(item), h = RectHeight(item);
  EXPECT_GT(itemImg.Count(Rect(w - 20, 0, w, h), arrow), 0);
  EXPECT_EQ(itemImg.Count(Rect(0, 0, w, h), ColorToRGB(clHighlight)), 0);
}

// A window of the painter's, caught at its creation, has the skin's region when it is shown and
// square corners; a menu the painter does not draw keeps the system's window.
TEST_F(SkinMenusPaintTest, APopupWindowIsShapedBeforeItIsShownAndItsCornersAreNotRounded) {
  Menus->SetActive(true);  // watching the thread's menu windows
  TPopupMenu* skinned = Popup({"One", "Two", "Three"});
  TPopupMenu* plain = Popup({"One", "Two"});
  Menus->HookPopupMenu(plain, false);
  TMenuWindowWatch watch;
  for (TPopupMenu* popup : {skinned, plain}) {
    TMenuDriver closer({[](HWND) { return EndMenu() != FALSE; }});
    popup->Popup(300, 300);
  }
  Menus->SetActive(false);
  ASSERT_EQ(watch.Shown.size(), 2u);
  const auto& [wnd, r] = watch.Shown[0];
  EXPECT_TRUE(r.Type == COMPLEXREGION && r.Box.right > 3 && !r.Contains(0, 0) &&
              !r.Contains(r.Box.right - 1, r.Box.bottom - 1) && r.Contains(1, 0));
  EXPECT_FALSE(watch.Shown[1].second.HasRegion());
  EXPECT_EQ(watch.Corners, (std::vector<std::tuple<HWND, DWORD, DWORD>>{{wnd, 33u, 1u}}));
}

using SkinMenusTopLineTest = TProviderTest;

TEST_F(SkinMenusTopLineTest, AFormsMenuLineShowsItsItemsFromTheSkin) {
  constexpr TColor kLineItem = 0x3080C0;
  Manager = std::unique_ptr<TsSkinManager>(NewComponent<TsSkinManager>(nullptr));
  AddTestSkin(*Manager);
  TsSkinGeneral* g = Manager->InternalSkins()->Items(0)->GeneralData()->Add();
  g->SectionName = "MENUITEM";
  g->Color = g->HotColor = kLineItem;
  Manager->SetSkinName("Test");
  TForm* form = NewSkinnedForm();
  auto* menu = NewComponent<TMainMenu>(form);
  for (const char* caption : {"File", "Edit", "View"}) {
    auto* item = NewComponent<TMenuItem>(form);
    item->SetCaption(caption);
    item->SetEnabled(caption[0] != 'E');
    menu->Items()->Add(item);
  }
  form->SetMenu(menu);
  ProviderOf(form)->InitMenuItems(true);
  ShowPainted(form);
  const TPixelImage img = CaptureWindowDC(form->Handle());
  TRect window{};
  GetWindowRect(form->Handle(), &window);
  // The disabled item: 102 of 255 its picture, the rest the menu line (kGlobalColor) under it.
  TColor faded = 0;
  for (int i = 0; i < 3; ++i)
    faded |= ((Ch(kGlobalColor, i) * 153 + Ch(kLineItem, i) * 102 + 127) >> 8) << (16 - 8 * i);
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

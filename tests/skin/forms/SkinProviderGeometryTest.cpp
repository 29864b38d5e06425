// The geometry of a skinned form against real windows: every border style with and without a
// menu and a BorderWidth, iconic windows, and the sizes taken from skin images that carry zero
// counts or no bitmap.
#include <gtest/gtest.h>

#include "classlib/Menus.h"
#include "skin/forms/sSkinProviderGeometry.h"
#include "support/GuiTest.h"

namespace korv::test {
namespace {

// Where the window's client area really starts, in window coordinates.
TPoint ClientOrigin(HWND wnd) {
  RECT w{};
  GetWindowRect(wnd, &w);
  POINT p{0, 0};
  ClientToScreen(wnd, &p);
  return Point(p.x - w.left, p.y - w.top);
}

using SkinProviderGeometryTest = TFormTest;

TEST_F(SkinProviderGeometryTest, FramesOfEveryBorderStyleMatchTheWindows) {
  struct Case {
    TBorderStyle Style;
    int Border, Caption;  // system metrics of the frame and the caption
  };
  const Case cases[] = {
      {bsNone, -1, -1},
      {bsSingle, SM_CYDLGFRAME, SM_CYCAPTION},
      {bsSizeable, SM_CYFRAME, SM_CYCAPTION},
      {bsDialog, SM_CYDLGFRAME, SM_CYCAPTION},
      {bsToolWindow, SM_CYDLGFRAME, SM_CYSMCAPTION},
      {bsSizeToolWin, SM_CYFRAME, SM_CYSMCAPTION},
  };
  auto* menu = new TMainMenu(nullptr);
  auto* item = new TMenuItem(menu);
  item->SetCaption("File");
  menu->Items()->Add(item);
  for (const Case& c : cases) {
    for (bool withMenu : {false, true}) {
      for (int borderWidth : {0, 5}) {
        SCOPED_TRACE(testing::Message() << "style " << int(c.Style) << " menu " << withMenu << " bw " << borderWidth);
        TForm* form = NewForm(120, 110, 300, 200);
        form->SetBorderStyle(c.Style);
        form->SetBorderWidth(borderWidth);
        if (withMenu) form->SetMenu(menu);
        form->Show();
        const TsFormFrame f = FormFrameOf(*form);
        const int border = c.Border < 0 ? 0 : GetSystemMetrics(c.Border);
        const int caption = c.Caption < 0 ? 0 : GetSystemMetrics(c.Caption);
        EXPECT_EQ(f.SysBorderHeight(), border);
        EXPECT_EQ(f.SysCaptionHeight(), caption);
        EXPECT_EQ(f.MenuHeight(), withMenu ? GetSystemMetrics(SM_CYMENU) - 1 : 0);
        EXPECT_EQ(f.FormBorderHeight(), border + borderWidth);
        // The client area sits where the geometry says: the cache is laid over the window.
        const TPoint origin = ClientOrigin(form->Handle());
        EXPECT_EQ(f.ClientOffsetX(), origin.x);
        EXPECT_EQ(f.ClientOffsetY(), origin.y);
        EXPECT_EQ(f.HeaderHeight(), origin.y);
        if (c.Style != bsNone) {
          EXPECT_EQ(origin.x, f.SysBorderWidth());
          EXPECT_EQ(origin.y, f.TitleHeight() + (withMenu ? GetSystemMetrics(SM_CYMENU) : 0));
        }
        form->SetMenu(nullptr);
        form->Hide();
      }
    }
  }
  delete menu;
  // An MDI child's dialog frame is a sizing frame.
  EXPECT_EQ(SysBorderHeightOf(bsDialog, true), GetSystemMetrics(SM_CYFRAME));
  EXPECT_EQ(SysBorderWidthOf(bsDialog, true), GetSystemMetrics(SM_CXFRAME));
}

TEST_F(SkinProviderGeometryTest, AnIconicFormMeasuresItsWindowAndGainsTheFrameInItsHeader) {
  TForm* form = NewForm(100, 100, 320, 240);
  form->Show();
  const TsFormFrame normal = FormFrameOf(*form);
  EXPECT_FALSE(normal.Iconic);
  EXPECT_EQ(normal.FormWidth(), 320);
  ShowWindow(form->Handle(), SW_MINIMIZE);
  ASSERT_TRUE(PumpUntil([&] { return IsIconic(form->Handle()) != FALSE; }));
  const TsFormFrame f = FormFrameOf(*form);
  ASSERT_TRUE(f.Iconic);
  RECT w{}, c{};
  GetWindowRect(form->Handle(), &w);
  GetClientRect(form->Handle(), &c);
  EXPECT_EQ(f.FormWidth(), RectWidth(w));
  EXPECT_EQ(f.HeaderHeight(), std::max<int>(0, RectHeight(w) - RectHeight(c) - f.SysBorderHeight()) +
                                  f.SysBorderHeight());
  // The strips start one row lower while iconic.
  const auto strips = NonClientStrips(f, 0, f.FormWidth(), f.TitleHeight() + 1);
  EXPECT_EQ(strips[1].top, f.TitleHeight() + 1);
  ShowWindow(form->Handle(), SW_RESTORE);
}

TEST_F(SkinProviderGeometryTest, StripsOfABorderlessFormAreItsBorderWidth) {
  TsFormFrame f;
  f.BorderStyle = bsNone;
  f.BorderWidth = 3;
  f.Width = f.WindowWidth = f.ClientWidth = 200;
  f.Height = f.WindowHeight = f.ClientHeight = 100;
  const auto s = NonClientStrips(f, 0, 200, 100);
  EXPECT_EQ(RectHeight(s[0]), 0);  // no header
  EXPECT_EQ(RectWidth(s[1]), 3);
  EXPECT_EQ(RectHeight(s[2]), 3);
  EXPECT_EQ(s[2].top, 97);
  EXPECT_EQ(RectWidth(s[3]), 3);
  EXPECT_EQ(s[3].left, 197);
}

TEST_F(SkinProviderGeometryTest, IconSizesSnapToTheirBounds) {
  const std::pair<int, int> bounds[] = {{-5, 0}, {8, 0},   {9, 8},   {16, 8},  {17, 16},
                                        {18, 16}, {27, 16}, {28, 32}, {100, 32}};
  for (auto [size, snapped] : bounds) EXPECT_EQ(SnapIconSize(size), snapped) << size;
  TsFormFrame f;
  f.BorderStyle = bsSizeable;
  const TRect r = f.IconRect(16, 16);
  EXPECT_EQ(r.left, f.SysBorderWidth());
  EXPECT_EQ(r.top, (f.TitleHeight() - 16) / 2);
  EXPECT_EQ(RectWidth(r), 16);
}

TEST_F(SkinProviderGeometryTest, ImageSizesSurviveZeroCountsAndMaskTypes) {
  TsMaskData m;
  m.R = Rect(0, 0, 60, 40);
  m.ImageCount = 0;  // skin data may say so
  m.MaskType = -1;
  EXPECT_EQ(ImageFrameWidth(m), 60);
  EXPECT_EQ(ImageFrameHeight(m), 40);
  EXPECT_EQ(GripFrameSize(m).x, 60);
  EXPECT_EQ(TitleBarSideWidth(m), 20);
  EXPECT_EQ(BorderCellHeight(m), 13);
  m.ImageCount = 3;
  m.MaskType = 1;
  EXPECT_EQ(ImageFrameWidth(m), 20);
  EXPECT_EQ(ImageFrameHeight(m), 20);
  EXPECT_EQ(TitleBarSideWidth(m), 6);
  EXPECT_EQ(BorderCellHeight(m), 6);
  // An image with a bitmap of its own divides by fixed numbers for the grip, title bar and cells.
  m.Bmp = std::make_unique<TBitmap>(36, 24);
  m.ImageCount = 0;
  EXPECT_EQ(ImageFrameWidth(m), 36);
  EXPECT_EQ(ImageFrameHeight(m), 12);
  EXPECT_EQ(GripFrameSize(m).x, 12);
  EXPECT_EQ(GripFrameSize(m).y, 12);
  EXPECT_EQ(TitleBarSideWidth(m), 4);
  EXPECT_EQ(BorderCellHeight(m), 4);
  // An inverted rectangle is no size.
  TsMaskData bad;
  bad.R = Rect(10, 10, 0, 0);
  EXPECT_EQ(ImageFrameWidth(bad), 0);
  EXPECT_EQ(ImageFrameHeight(bad), 0);
}

TEST_F(SkinProviderGeometryTest, MenuItemsWrapWhenTheyPassTheLine) {
  const std::vector<int> widths{40, 50, 60, 30};
  const auto places = LayMenuItems(widths, 4, 10, 150, 18);
  ASSERT_EQ(places.size(), 4u);
  EXPECT_EQ(places[1].x, 44);
  EXPECT_EQ(places[2].x, 4);  // 94 + 60 passes 150
  EXPECT_EQ(places[2].y, 28);
  EXPECT_EQ(places[3].x, 64);
  EXPECT_EQ(MenuLineCountOf(widths, 4, 150), 2);
  EXPECT_EQ(MenuLineCountOf({}, 4, 150), 1);
  // An item wider than the line takes a row of its own, with no empty row before it.
  EXPECT_EQ(MenuLineCountOf({400}, 4, 150), 1);
  EXPECT_EQ(MenuLineCountOf({40, 400, 40}, 4, 150), 3);
}

}  // namespace
}  // namespace korv::test

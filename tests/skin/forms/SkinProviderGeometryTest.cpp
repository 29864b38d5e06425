// The geometry of a skinned form against real windows of every border style, and the sizes of
// skin images whose counts are broken.
#include <gtest/gtest.h>

#include "classlib/Menus.h"
#include "skin/forms/sSkinProviderGeometry.h"
#include "support/GuiTest.h"

namespace korv::test {
namespace {

using SkinProviderGeometryTest = TFormTest;

TEST_F(SkinProviderGeometryTest, FramesOfEveryBorderStyleMenuAndBorderWidthMatchTheWindows) {
  struct Case {
    TBorderStyle Style;
    int Border, Caption;  // their system metrics, -1: none
  };
  const Case cases[] = {{bsNone, -1, -1},
                        {bsSingle, SM_CYDLGFRAME, SM_CYCAPTION},
                        {bsSizeable, SM_CYFRAME, SM_CYCAPTION},
                        {bsDialog, SM_CYDLGFRAME, SM_CYCAPTION},
                        {bsToolWindow, SM_CYDLGFRAME, SM_CYSMCAPTION},
                        {bsSizeToolWin, SM_CYFRAME, SM_CYSMCAPTION}};
  const std::unique_ptr<TMainMenu> menuPtr(NewComponent<TMainMenu>(nullptr));
  TMainMenu& menu = *menuPtr;
  menu.Items()->Add(NewComponent<TMenuItem>(&menu));
  menu.Items()->Items(0)->SetCaption("File");
  for (const Case& c : cases)
    for (bool withMenu : {false, true})
      for (int borderWidth : {0, 5}) {
        SCOPED_TRACE(testing::Message() << "style " << int(c.Style) << " menu " << withMenu << " bw " << borderWidth);
        TForm* form = NewForm(120, 110, 300, 200);
        form->SetBorderStyle(c.Style);
        form->SetBorderWidth(borderWidth);
        if (withMenu) form->SetMenu(&menu);
        form->Show();
        const TsFormFrame f = FormFrameOf(*form);
        const int border = c.Border < 0 ? 0 : GetSystemMetrics(c.Border);
        EXPECT_EQ(f.SysBorderHeight(), border);
        EXPECT_EQ(f.SysCaptionHeight(), c.Caption < 0 ? 0 : GetSystemMetrics(c.Caption));
        EXPECT_EQ(f.MenuHeight(), withMenu ? GetSystemMetrics(SM_CYMENU) - 1 : 0);
        EXPECT_EQ(f.FormBorderHeight(), border + borderWidth);
        // The client area lies in the cache where the window has it.
        RECT w{};
        GetWindowRect(form->Handle(), &w);
        POINT origin{0, 0};
        ClientToScreen(form->Handle(), &origin);
        EXPECT_EQ(f.ClientOffsetX(), origin.x - w.left);
        EXPECT_EQ(f.ClientOffsetY(), origin.y - w.top);
        EXPECT_EQ(f.HeaderHeight(), origin.y - w.top);
        form->SetMenu(nullptr);
        form->Hide();
      }
  // An MDI child's dialog frame is a sizing frame.
  EXPECT_EQ(SysBorderHeightOf(bsDialog, true), GetSystemMetrics(SM_CYFRAME));

}

TEST_F(SkinProviderGeometryTest, IconsSnapImageSizesSurviveBrokenCountsAndMenuItemsWrap) {
  const std::pair<int, int> bounds[] = {{8, 0}, {9, 8}, {16, 8}, {17, 16}, {27, 16}, {28, 32}};
  for (auto [size, snapped] : bounds) EXPECT_EQ(SnapIconSize(size), snapped) << size;

  TsMaskData m;
  m.R = Rect(0, 0, 60, 40);
  m.ImageCount = 0;  // skin data may say so
  m.MaskType = -1;
  EXPECT_EQ(ImageFrameWidth(m), 60);
  EXPECT_EQ(ImageFrameHeight(m), 40);
  EXPECT_EQ(TitleBarSideWidth(m), 20);
  EXPECT_EQ(BorderCellHeight(m), 13);
  // An image with a bitmap of its own divides by fixed numbers for the grip, title bar and cells.
  m.Bmp = std::make_unique<TBitmap>(36, 24);
  EXPECT_EQ(ImageFrameHeight(m), 12);
  EXPECT_EQ(GripFrameSize(m).x, 12);
  EXPECT_EQ(TitleBarSideWidth(m), 4);
  EXPECT_EQ(BorderCellHeight(m), 4);
  TsMaskData inverted;
  inverted.R = Rect(10, 10, 0, 0);
  EXPECT_EQ(ImageFrameWidth(inverted), 0);

  // Menu-bar items wrap as the system wraps them: an item wider than the line takes a row of
  // its own, with no empty row before it.
  EXPECT_EQ(LayMenuItems({40, 50, 60}, 4, 10, 150, 18).back().y, 28);
  EXPECT_EQ(MenuLineCountOf({40, 400, 40}, 4, 150), 3);
}

}  // namespace
}  // namespace korv::test

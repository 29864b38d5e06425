// TImageList over comctl32: masked adds, strips, disabled drawing, and handle hygiene.
#include <gtest/gtest.h>

#include "classlib/ImgList.h"
#include "support/Pixels.h"

namespace korv {
namespace {

using test::BitmapImage;
using test::TPixelImage;

// 16 x 16 glyph: fuchsia background with a navy square over [4, 12).
std::unique_ptr<TBitmap> SquareGlyph(TColor square = clNavy) {
  auto b = std::make_unique<TBitmap>(16, 16);
  b->Canvas()->Brush()->SetColor(clFuchsia);
  b->Canvas()->FillRect(Rect(0, 0, 16, 16));
  b->Canvas()->Brush()->SetColor(square);
  b->Canvas()->FillRect(Rect(4, 4, 12, 12));
  return b;
}

std::unique_ptr<TBitmap> Background(TColor c = clYellow) {
  auto b = std::make_unique<TBitmap>(40, 40);
  b->Canvas()->Brush()->SetColor(c);
  b->Canvas()->FillRect(Rect(0, 0, 40, 40));
  return b;
}

struct TCounter {
  int Hits = 0;
  void Hit(TObject*) { ++Hits; }
};

TEST(ImageListTest, AddMaskedDrawsOnlyTheShape) {
  const std::unique_ptr<TImageList> listPtr(NewComponent<TImageList>(nullptr));
  TImageList& list = *listPtr;
  EXPECT_EQ(list.Width(), 16);
  EXPECT_EQ(list.Count(), 0);
  TCounter changes;
  list.OnChange = TNotifyEvent(&changes, &TCounter::Hit);
  auto glyph = SquareGlyph();
  EXPECT_EQ(list.AddMasked(glyph.get(), clFuchsia), 0);
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(changes.Hits, 1);
  // The caller's bitmap is left as it was (the platform blackens masked pixels of what it gets).
  EXPECT_EQ(glyph->Canvas()->Pixels(0, 0), clFuchsia);

  auto bg = Background();
  list.Draw(bg->Canvas(), 2, 3, 0);
  TPixelImage img = BitmapImage(*bg);
  EXPECT_TRUE(img.All(Rect(6, 7, 14, 15), clNavy));
  EXPECT_EQ(img.Count(Rect(2, 3, 18, 19), clNavy), 64);
  EXPECT_EQ(img.Count(Rect(0, 0, 40, 40), clYellow), 40 * 40 - 64);
  // Out of range: nothing.
  list.Draw(bg->Canvas(), 20, 20, 1);
  list.Draw(bg->Canvas(), 20, 20, -1);
  EXPECT_EQ(BitmapImage(*bg).Count(Rect(0, 0, 40, 40), clYellow), 40 * 40 - 64);
}

TEST(ImageListTest, AWideBitmapAddsOneImagePerStripAndAMaskWorksToo) {
  const std::unique_ptr<TImageList> listPtr(NewComponent<TImageList>(nullptr, 8, 8));
  TImageList& list = *listPtr;
  TBitmap strip(24, 8);
  const TColor colours[3] = {clRed, clLime, clBlue};
  for (int i = 0; i < 3; ++i) {
    strip.Canvas()->Brush()->SetColor(colours[i]);
    strip.Canvas()->FillRect(Rect(8 * i, 0, 8 * i + 8, 8));
  }
  // Mask: white (transparent) except a 4 x 4 block at the top-left of every image.
  TBitmap mask(24, 8);
  mask.Canvas()->Brush()->SetColor(clBlack);
  for (int i = 0; i < 3; ++i) mask.Canvas()->FillRect(Rect(8 * i, 0, 8 * i + 4, 4));
  EXPECT_EQ(list.Add(&strip, &mask), 0);
  EXPECT_EQ(list.Count(), 3);
  auto bg = Background(clWhite);
  for (int i = 0; i < 3; ++i) list.Draw(bg->Canvas(), 10 * i, 0, i);
  TPixelImage img = BitmapImage(*bg);
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(img.All(Rect(10 * i, 0, 10 * i + 4, 4), colours[i])) << i;
    EXPECT_TRUE(img.All(Rect(10 * i + 4, 0, 10 * i + 8, 8), clWhite)) << i;
  }
  list.Delete(1);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_THROW(list.Delete(2), EInvalidOperation);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_THROW(list.Add(nullptr, nullptr), EInvalidOperation);
}

// Disabled: the shape in clBtnHighlight one pixel down and right, then clBtnShadow on top.
TEST(ImageListTest, DisabledImagesAreEngravedInTheSystemColours) {
  const std::unique_ptr<TImageList> listPtr(NewComponent<TImageList>(nullptr));
  TImageList& list = *listPtr;
  auto glyph = SquareGlyph();
  list.AddMasked(glyph.get(), clFuchsia);
  auto bg = Background();
  list.Draw(bg->Canvas(), 10, 10, 0, false);
  TPixelImage img = BitmapImage(*bg);
  TColor shadow = static_cast<TColor>(GetSysColor(COLOR_BTNSHADOW));
  TColor highlight = static_cast<TColor>(GetSysColor(COLOR_BTNHIGHLIGHT));
  ASSERT_NE(shadow, highlight);
  EXPECT_TRUE(img.All(Rect(14, 14, 22, 22), shadow));
  EXPECT_TRUE(img.All(Rect(15, 22, 23, 23), highlight));  // the row below the shape
  EXPECT_TRUE(img.All(Rect(22, 15, 23, 23), highlight));  // the column right of it
  EXPECT_EQ(img.At(13, 13), clYellow);
  EXPECT_EQ(img.At(14, 22), clYellow);  // the highlight starts one pixel right
  EXPECT_EQ(img.Count(Rect(0, 0, 40, 40), clNavy), 0);
}

TEST(ImageListTest, SizeMaskAndBackgroundColour) {
  const std::unique_ptr<TImageList> listPtr(NewComponent<TImageList>(nullptr));
  TImageList& list = *listPtr;
  auto glyph = SquareGlyph();
  list.AddMasked(glyph.get(), clFuchsia);
  EXPECT_EQ(list.BkColorRef(), CLR_NONE);
  list.SetBkColor(clDefault);
  EXPECT_EQ(list.BkColorRef(), CLR_DEFAULT);
  list.SetBkColor(clBtnFace);
  EXPECT_EQ(list.BkColorRef(), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(ImageList_GetBkColor(list.Handle()), GetSysColor(COLOR_BTNFACE));
  // With a background colour the masked pixels are filled with it.
  auto bg = Background();
  list.Draw(bg->Canvas(), 0, 0, 0);
  EXPECT_EQ(bg->Canvas()->Pixels(0, 0), static_cast<TColor>(GetSysColor(COLOR_BTNFACE)));
  EXPECT_THROW(list.SetWidth(0), EInvalidOperation);
  list.SetSize(24, 20);
  EXPECT_EQ(list.Count(), 0);
  int cx = 0, cy = 0;
  ImageList_GetIconSize(list.Handle(), &cx, &cy);
  EXPECT_EQ(cx, 24);
  EXPECT_EQ(cy, 20);
}

TEST(ImageListTest, AnOwnerFreesItsImageList) {
  const std::unique_ptr<TComponent> ownerPtr(NewComponent<TComponent>(nullptr));
  TComponent& owner = *ownerPtr;
  auto* list = NewComponent<TImageList>(&owner);
  list->SetName("Images");
  EXPECT_EQ(owner.FindComponent("Images"), list);
  EXPECT_EQ(TImageList::StaticClass()->Name, std::string("TImageList"));
}

TEST(ImageListTest, ManyListsLeaveNoGdiObjects) {
  auto glyph = SquareGlyph();
  auto bg = Background();
  auto cycle = [&] {
    const std::unique_ptr<TImageList> listPtr(NewComponent<TImageList>(nullptr));
    TImageList& list = *listPtr;
    list.AddMasked(glyph.get(), clFuchsia);
    list.Add(glyph.get(), glyph.get());
    list.Draw(bg->Canvas(), 1, 1, 0);
    list.Draw(bg->Canvas(), 1, 1, 1, false);
    list.SetSize(8, 8);
  };
  cycle();
  DWORD before = test::GdiObjectCount();
  for (int i = 0; i < 200; ++i) cycle();
  EXPECT_EQ(test::GdiObjectCount(), before);
}

}  // namespace
}  // namespace korv

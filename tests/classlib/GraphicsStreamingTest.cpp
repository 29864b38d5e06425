// Fonts, pens, brushes and pictures as published sub-objects of a component: written by the
// component streaming and read back into another instance.
#include <gtest/gtest.h>

#include "classlib/Graphics.h"
#include "classlib/Streaming.h"
#include "support/Pixels.h"

namespace korv {
namespace {

class TPictureHolder : public TComponent {
  KORV_CLASS(TPictureHolder, TComponent)
 public:
  explicit TPictureHolder(TComponent* owner) : TComponent(owner) {}
  [[nodiscard]] TFont* Font() const { return FFont.get(); }
  [[nodiscard]] TPen* Pen() const { return FPen.get(); }
  [[nodiscard]] TBrush* Brush() const { return FBrush.get(); }
  [[nodiscard]] TBitmap* Glyph() const { return FGlyph.get(); }
  [[nodiscard]] TIcon* Icon() const { return FIcon.get(); }

 private:
  std::unique_ptr<TFont> FFont = std::make_unique<TFont>();
  std::unique_ptr<TPen> FPen = std::make_unique<TPen>();
  std::unique_ptr<TBrush> FBrush = std::make_unique<TBrush>();
  std::unique_ptr<TBitmap> FGlyph = std::make_unique<TBitmap>();
  std::unique_ptr<TIcon> FIcon = std::make_unique<TIcon>();
};

const TPropInfo kHolderProps[] = {
    KORV_PROP_OBJECT(TPictureHolder, Font),  KORV_PROP_OBJECT(TPictureHolder, Pen),
    KORV_PROP_OBJECT(TPictureHolder, Brush), KORV_PROP_OBJECT(TPictureHolder, Glyph),
    KORV_PROP_OBJECT(TPictureHolder, Icon),
};
KORV_DEFINE_PROPS(TPictureHolder, kHolderProps);
KORV_DEFINE_CLASS(TPictureHolder, TComponent, &CreateComponent<TPictureHolder>, &TPictureHolder_PropTable);

TEST(GraphicsStreamingTest, SubObjectsAndPictureDataRoundTrip) {
  const std::unique_ptr<TPictureHolder> aPtr(NewComponent<TPictureHolder>(nullptr));
  TPictureHolder& a = *aPtr;
  a.SetName("Holder");
  a.Font()->SetName("Arial");
  a.Font()->SetHeight(-17);
  a.Font()->SetStyle(fsBold | fsStrikeOut);
  a.Font()->SetColor(clBtnShadow);
  a.Pen()->SetMode(pmXor);
  a.Pen()->SetWidth(3);
  a.Brush()->SetStyle(bsDiagCross);
  a.Glyph()->SetSize(9, 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 9; ++x) a.Glyph()->Canvas()->SetPixels(x, y, static_cast<TColor>(x * 25 + (y * 40 << 8)));

  std::vector<uint8_t> data = ComponentToBytes(&a);
  const std::unique_ptr<TPictureHolder> bPtr(NewComponent<TPictureHolder>(nullptr));
  TPictureHolder& b = *bPtr;
  ReadComponentFromMemory(data.data(), data.size(), &b);
  EXPECT_EQ(b.Font()->Name(), "Arial");
  EXPECT_EQ(b.Font()->Height(), -17);
  EXPECT_EQ(b.Font()->Style(), fsBold | fsStrikeOut);
  EXPECT_EQ(b.Font()->Color(), clBtnShadow);
  EXPECT_EQ(b.Pen()->Mode(), pmXor);
  EXPECT_EQ(b.Pen()->Width(), 3);
  EXPECT_EQ(b.Brush()->Style(), bsDiagCross);
  ASSERT_EQ(b.Glyph()->Width(), 9);
  ASSERT_EQ(b.Glyph()->Height(), 5);
  test::TPixelImage pa = test::BitmapImage(*a.Glyph()), pb = test::BitmapImage(*b.Glyph());
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 9; ++x) ASSERT_EQ(pa.At(x, y), pb.At(x, y));
  EXPECT_TRUE(b.Icon()->Empty());  // an empty picture stores no data
}

TEST(GraphicsStreamingTest, DefaultsAndEmptyPicturesAreNotWritten) {
  const std::unique_ptr<TPictureHolder> plainPtr(NewComponent<TPictureHolder>(nullptr));
  TPictureHolder& plain = *plainPtr;
  const std::unique_ptr<TPictureHolder> changedPtr(NewComponent<TPictureHolder>(nullptr));
  TPictureHolder& changed = *changedPtr;
  changed.Glyph()->SetSize(2, 2);
  std::vector<uint8_t> small = ComponentToBytes(&plain);
  std::vector<uint8_t> big = ComponentToBytes(&changed);
  // The glyph's data is a whole 24-bit BMP: header plus two 8-byte rows.
  EXPECT_GE(big.size(), small.size() + 14 + 40 + 16);
  // Reading the plain stream over changed values leaves the pictures that were not stored.
  ReadComponentFromMemory(small.data(), small.size(), &changed);
  EXPECT_EQ(changed.Glyph()->Width(), 2);
}

}  // namespace
}  // namespace korv

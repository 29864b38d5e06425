// Image values of skin text read apart from any file: the fixed-column, own-bitmap and file forms
// (the "#" form has its own tests with the section reader), the values that drop only their own
// entry, and the rules an entry meets before it is kept.
#include <gtest/gtest.h>

#include "skin/paint/sSkinLoadValues.h"
#include "support/BadInput.h"

namespace korv {
namespace {

using F = TacImageForm;

TEST(SkinLoadValues, FixedColumnForms) {
  TacImageValue v = ParseImageValue("Panel", "Pattern", "~0010 0020 0030 0040 01 1");
  ASSERT_EQ(v.Form, F::Rect);
  EXPECT_EQ(v.Mask.ClassName, "Panel");  // names as written
  EXPECT_EQ(v.Mask.PropertyName, "Pattern");
  EXPECT_EQ(v.Mask.R.left, 10);
  EXPECT_EQ(v.Mask.R.top, 20);
  EXPECT_EQ(v.Mask.R.right, 30);
  EXPECT_EQ(v.Mask.R.bottom, 40);
  EXPECT_EQ(v.Mask.StretchMode, 1);
  EXPECT_EQ(v.Mask.MaskType, 1);
  EXPECT_EQ(v.Mask.ImageCount, 1);
  EXPECT_EQ(v.Mask.ImgType, itisaTexture);
  EXPECT_EQ(ParseImageValue("Panel", "Pattern", "~0010 0020 0030 0040 01").Mask.MaskType, 0);

  v = ParseImageValue("Btn", "Glyph", "@0001 0002 0050 0040 3 1");
  ASSERT_EQ(v.Form, F::Rect);
  EXPECT_EQ(v.Mask.ImgType, itisaGlyph);
  EXPECT_EQ(v.Mask.R.right, 50);
  EXPECT_EQ(v.Mask.ImageCount, 3);
  EXPECT_EQ(v.Mask.MaskType, 1);

  v = ParseImageValue("Btn", "BordersMask", "^0000 0000 0060 0061 0004 0005 0006 0007 2 1 1 3");
  ASSERT_EQ(v.Form, F::Rect);
  EXPECT_EQ(v.Mask.ImgType, itisaBorder);
  EXPECT_EQ(v.Mask.R.bottom, 61);
  EXPECT_EQ((std::vector<int>{v.Mask.WL, v.Mask.WT, v.Mask.WR, v.Mask.WB}), (std::vector<int>{4, 5, 6, 7}));
  EXPECT_EQ(v.Mask.ImageCount, 2);
  EXPECT_EQ(v.Mask.MaskType, 1);
  EXPECT_EQ(v.Mask.StretchMode, 1);
  EXPECT_EQ(v.Mask.BorderWidth, 3);
}

TEST(SkinLoadValues, BitmapFileForms) {
  TacImageValue v = ParseImageValue("Btn", "Glyph", "!pics\\Glyph.BMP!4!1!2");
  ASSERT_EQ(v.Form, F::OwnBitmap);
  EXPECT_EQ(v.FileName, "pics\\Glyph.BMP");
  EXPECT_EQ(v.Mask.ClassName, "Btn");
  EXPECT_EQ(v.Mask.ImageCount, 4);
  EXPECT_EQ(v.Mask.MaskType, 1);
  EXPECT_EQ(v.Mask.ImgType, itisaGlyph);
  // The "!" form wants ".BMP" as written; other type numbers than 0, 1 and 2 are refused.
  EXPECT_EQ(ParseImageValue("Btn", "Glyph", "!glyph.bmp!4!1!2").Form, F::None);
  EXPECT_EQ(ParseImageValue("Btn", "Glyph", "!glyph.BMP!4!1!3").Form, F::Malformed);

  v = ParseImageValue("Btn", "BordersMask", "frame.Bmp");
  ASSERT_EQ(v.Form, F::OwnBitmap);
  EXPECT_EQ(v.FileName, "frame.Bmp");
  EXPECT_EQ(v.Mask.ClassName, "BTN");  // names upper-cased
  EXPECT_EQ(v.Mask.PropertyName, "BORDERSMASK");
  EXPECT_EQ(v.Mask.ImageCount, 3);
  EXPECT_EQ(v.Mask.MaskType, 1);
  EXPECT_EQ(v.Mask.ImgType, itisaBorder);

  EXPECT_EQ(SkinFileName("C:\\skins\\A\\", "x.bmp"), "C:\\skins\\A\\x.bmp");
  EXPECT_EQ(SkinFileName("C:\\skins\\A\\", "D:\\x.bmp"), "D:\\x.bmp");
  EXPECT_TRUE(IsJpegValue("tex.jpg") && IsJpegValue("a.JPEG") && !IsJpegValue("a.jp"));
}

TEST(SkinLoadValues, ABadNumberDropsOnlyItsEntry) {
  for (const char* bad : {"Skin #2", "#(1,2,3)(1,1)", "~0010 0020", "~0010 0020 0030 0040", "~0010 0020 0030 0040 x",
                          "@0001 0002 0050 0040 x 1", "^0000 0000 0060 0061 0004", "!a.BMP!one!0!0", "!a.BMP!1!0"})
    EXPECT_EQ(ParseImageValue("S", "K", bad).Form, F::Malformed) << bad;
  for (const char* none : {"", "#", "16777215", "0xFF00FF", "TRUE", "1;2;50;0;0", "Master.png"})
    EXPECT_EQ(ParseImageValue("S", "K", none).Form, F::None) << none;

  // Cut short anywhere, a value never reads past its end (the buffer ends at a guard page): it is
  // refused until its last field is there.
  const std::pair<const char*, size_t> kWhole[] = {{"~0010 0020 0030 0040 01 1", 22},
                                                   {"@0001 0002 0050 0040 3 1", 24},
                                                   {"^0000 0000 0060 0061 0004 0005 0006 0007 2 1 1 3", 48}};
  for (const auto& [good, complete] : kWhole) {
    const std::string_view full(good);
    for (size_t n = 1; n <= full.size(); ++n) {
      test::TGuardedBuffer buf(full.substr(0, n));
      const TacImageValue v = ParseImageValue("S", "K", {reinterpret_cast<const char*>(buf.Data()), n});
      if (n < complete) {
        EXPECT_EQ(v.Form, F::Malformed) << full.substr(0, n);
      }
      if (n == full.size()) {
        EXPECT_EQ(v.Form, F::Rect) << full;
      }
    }
  }
}

TEST(SkinLoadValues, ExtraSectionValues) {
  TacImageValue v = ParseCommonImageValue("Extra", "BordersMask", "#(0,0,9,9)(2,1)", true);
  ASSERT_EQ(v.Form, F::Rect);
  EXPECT_EQ(v.Mask.ClassName, "EXTRA");
  // Without a master bitmap only bitmap files count; they get the file form's counts.
  EXPECT_EQ(ParseCommonImageValue("Extra", "BordersMask", "#(0,0,9,9)(2,1)", false).Form, F::None);
  v = ParseCommonImageValue("Extra", "Glyph", "x.bmp", false);
  ASSERT_EQ(v.Form, F::OwnBitmap);
  EXPECT_EQ(v.Mask.ImageCount, 3);
  EXPECT_EQ(v.Mask.MaskType, 1);
  EXPECT_EQ(ParseCommonImageValue("Extra", "ParentClass", "BUTTON", true).Form, F::None);
}

TEST(SkinLoadValues, EntriesAreClampedAndMustLieInsideTheirSource) {
  TsMaskData m;
  m.R = TRect{0, 0, 100, 50};
  m.ImageCount = 0;
  m.MaskType = -1;
  m.BorderWidth = -3;
  EXPECT_TRUE(FitImageEntry(m, 100, 50));
  EXPECT_EQ(m.ImageCount, 1);
  EXPECT_EQ(m.MaskType, 0);
  EXPECT_EQ(m.BorderWidth, 0);
  EXPECT_FALSE(FitImageEntry(m, 99, 50));
  EXPECT_FALSE(FitImageEntry(m, 0, 0));  // no master bitmap
  for (TRect r : {TRect{-1, 0, 10, 10}, TRect{0, 0, 0, 10}, TRect{5, 5, 4, 10}, TRect{0, 10, 10, 10}}) {
    m.R = r;
    EXPECT_FALSE(FitImageEntry(m, 100, 50)) << r.left << "," << r.top << "," << r.right << "," << r.bottom;
  }
}

}  // namespace
}  // namespace korv

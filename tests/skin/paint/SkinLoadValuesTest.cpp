// Image values read apart from files: the fixed-column and own-bitmap forms (the "#" form is tested
// with the section reader), and values that drop only their own entry.
#include <gtest/gtest.h>

#include "skin/paint/sSkinLoadValues.h"
#include "support/BadInput.h"

namespace korv {
namespace {

using F = TacImageForm;

TEST(SkinLoadValues, FormsAndTheValuesThatDropOnlyTheirEntry) {
  EXPECT_EQ(ParseImageValue("S", "K", "~0010 0020 0030 0040 01").Mask.MaskType, 0);  // optional last field
  const TacImageValue border = ParseImageValue("S", "K", "^0000 0000 0060 0061 0004 0005 0006 0007 2 1 1 3");
  const TsMaskData& b = border.Mask;
  EXPECT_EQ((std::vector<int>{b.R.bottom, b.WL, b.WT, b.WR, b.WB, b.ImageCount, b.MaskType, b.StretchMode,
                              b.BorderWidth, b.ImgType}),
            (std::vector<int>{61, 4, 5, 6, 7, 2, 1, 1, 3, itisaBorder}));
  const TacImageValue glyph = ParseImageValue("Btn", "Glyph", "!pics\\Glyph.BMP!4!1!2");
  EXPECT_EQ(glyph.Form, F::OwnBitmap);
  EXPECT_EQ(glyph.FileName, "pics\\Glyph.BMP");
  EXPECT_TRUE(glyph.Mask.ClassName == "Btn" && glyph.Mask.ImageCount == 4 && glyph.Mask.ImgType == itisaGlyph);
  EXPECT_EQ(ParseImageValue("S", "K", "!glyph.bmp!4!1!2").Form, F::None);  // ".BMP" as written
  for (const char* bad : {"Skin #2", "~0010 0020 0030 0040 x", "@0001 0002 0050 0040 x 1", "!a.BMP!1!0!3",
                          "!a.BMP!one!0!0"})
    EXPECT_EQ(ParseImageValue("S", "K", bad).Form, F::Malformed) << bad;
  for (const char* none : {"", "#", "16777215", "1;2;50;0;0", "Master.png"})
    EXPECT_EQ(ParseImageValue("S", "K", none).Form, F::None) << none;

  // Cut short anywhere, a value never reads past its end (the buffer ends at a guard page); it is
  // refused until its last field is there.
  const std::pair<const char*, size_t> kWhole[] = {{"~0010 0020 0030 0040 01 1", 22},
                                                   {"@0001 0002 0050 0040 3 1", 24},
                                                   {"^0000 0000 0060 0061 0004 0005 0006 0007 2 1 1 3", 48}};
  for (const auto& [good, complete] : kWhole) {
    const std::string_view whole(good);
    for (size_t n = 1; n <= whole.size(); ++n) {
      test::TGuardedBuffer buf(whole.substr(0, n));
      const F form = ParseImageValue("S", "K", {reinterpret_cast<const char*>(buf.Data()), n}).Form;
      EXPECT_TRUE(n < complete ? form == F::Malformed : n < whole.size() || form == F::Rect) << whole.substr(0, n);
    }
  }
}

}  // namespace
}  // namespace korv

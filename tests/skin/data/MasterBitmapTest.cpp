// The generated master bitmap keeps the conventions the painters rely on.
#include <gtest/gtest.h>

#include "SkinFiles.h"
#include "classlib/Graphics.h"
#include "skin/data/sConst.h"
#include "skin/data/sSkinConvert.h"

namespace korv {
namespace {

struct Px {
  uint8_t B, G, R;
  bool Key() const { return R == 255 && G == 0 && B == 255; }
};

Px At(TBitmap& bmp, int x, int y) {
  const uint8_t* p = bmp.ScanLine(y) + x * 3;
  return Px{p[0], p[1], p[2]};
}

class MasterBitmap : public ::testing::Test {
 protected:
  void SetUp() override {
    skin_ = skins_.Add();
    FolderSkinToStored(test::ProjectSkinFolder(), *skin_);
  }
  const TsSkinImage* Find(const char* section, const char* key) const {
    for (int i = 0; i < skin_->Images()->Count(); ++i) {
      const TsSkinImage* im = skin_->Images()->Items(i);
      if (im->SectionName == section && im->PropertyName == key) return im;
    }
    return nullptr;
  }
  TsStoredSkins skins_{nullptr};
  TsStoredSkin* skin_ = nullptr;
};

TEST_F(MasterBitmap, MasksAreGreyAndSeeThroughUnderTheKeyColour) {
  TBitmap& bmp = *skin_->MasterBitmap();
  int masked = 0;
  for (int i = 0; i < skin_->Images()->Count(); ++i) {
    const TsSkinImage& im = *skin_->Images()->Items(i);
    if (im.MaskType != 1) continue;
    ++masked;
    const int h = (im.Bottom - im.Top) / 2;
    ASSERT_EQ((im.Bottom - im.Top) % 2, 0) << im.SectionName << " " << im.PropertyName;
    ASSERT_EQ((im.Right - im.Left) % im.ImageCount, 0) << im.SectionName << " " << im.PropertyName;
    for (int y = im.Top; y < im.Top + h; ++y)
      for (int x = im.Left; x < im.Right; ++x) {
        Px pic = At(bmp, x, y), mask = At(bmp, x, y + h);
        ASSERT_TRUE(mask.R == mask.G && mask.G == mask.B) << im.SectionName << " " << x << "," << y;
        if (pic.Key()) {
          ASSERT_EQ(mask.R, 255) << im.SectionName << " " << im.PropertyName << " " << x << "," << y;
        }
      }
  }
  EXPECT_GE(masked, 30);
}

TEST_F(MasterBitmap, TitleCornersAreCutAndTheFormFrameIsSquare) {
  TBitmap& bmp = *skin_->MasterBitmap();
  const TsSkinImage* title = Find("FORMTITLE", "BORDERSMASK");
  const TsSkinImage* form = Find("FORM", "BORDERSMASK");
  ASSERT_TRUE(title && form);
  // The title's top corner pixels carry the key colour, so they are cut out of the window region.
  const int tw = (title->Right - title->Left) / title->ImageCount;
  EXPECT_TRUE(At(bmp, title->Left, title->Top).Key());
  EXPECT_TRUE(At(bmp, title->Left + tw - 1, title->Top).Key());
  EXPECT_FALSE(At(bmp, title->Left + tw / 2, title->Top).Key());
  // The form's corner cells hold no key colour: its window keeps square corners.
  const int fw = (form->Right - form->Left) / form->ImageCount, fh = (form->Bottom - form->Top) / 2;
  const int cw = fw / 3, ch = fh / 3;
  for (int y = 0; y < fh; ++y)
    for (int x = 0; x < fw; ++x)
      if ((x < cw || x >= fw - cw) && (y < ch || y >= fh - ch)) {
        ASSERT_FALSE(At(bmp, form->Left + x, form->Top + y).Key()) << x << "," << y;
      }
  // Both frames differ: the title's is rounded, the form's is not.
  EXPECT_NE(title->Right - title->Left, form->Right - form->Left);
}

TEST_F(MasterBitmap, CaptionButtonStatesDiffer) {
  TBitmap& bmp = *skin_->MasterBitmap();
  for (const char* key : {"BICONCLOSE", "BICONMAX", "BICONMIN", "SICONCLOSE"}) {
    const TsSkinImage* im = Find("GLOBALINFO", key);
    ASSERT_TRUE(im) << key;
    ASSERT_EQ(im->ImageCount, 3);
    const int w = (im->Right - im->Left) / 3, cy = im->Top + (im->Bottom - im->Top) / 4;
    Px normal = At(bmp, im->Left + 3, cy), hot = At(bmp, im->Left + w + 3, cy),
       down = At(bmp, im->Left + 2 * w + 3, cy);
    EXPECT_FALSE(normal.R == hot.R && normal.G == hot.G && normal.B == hot.B) << key;
    EXPECT_FALSE(normal.R == down.R && normal.G == down.G && normal.B == down.B) << key;
  }
}

}  // namespace
}  // namespace korv

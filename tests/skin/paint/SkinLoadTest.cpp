// Skins loaded through the manager with the installed passes: folder skins written here
// (Options.dat, BMPs of more than one depth, JPEGs), stored skins and extra sections, the colour
// passes, and loads refused as a whole.
#include <gtest/gtest.h>

#include "SkinLoadKit.h"
#include "classlib/Jpeg.h"
#include "skin/core/SkinCoreKit.h"
#include "skin/paint/sColorUtils.h"
#include "support/Pixels.h"

namespace korv::test {
namespace {

constexpr TColor Rgb(int r, int g, int b) { return r | g << 8 | b << 16; }

std::vector<std::string> ImageNames(const TsSkinManager& sm) {
  std::vector<std::string> out;
  for (const TsMaskData& m : sm.Images) out.push_back(m.ClassName + "/" + m.PropertyName);
  return out;
}

using SkinLoadTest = TSkinLoadTest;

TColor MasterColour(int x, int y) { return Rgb(x * 4, y * 4, 128); }

TEST_F(SkinLoadTest, FolderSkinImagesOfEveryFormAndWhatIsDropped) {
  Write("Master.bmp", BmpBytes(*MakeBitmap(64, 64, MasterColour)));
  const std::vector<TColor> palette{Rgb(255, 0, 0), Rgb(0, 255, 0), Rgb(0, 0, 255), 0xFF00FF};
  Write("Own8.BMP", Bmp8Bytes(6, 4, palette, [](int x, int y) { return (x + y) % 4; }));
  Write("frame.bmp", BmpBytes(*MakeBitmap(9, 6, [](int, int) { return Rgb(1, 2, 3); })));
  Write("Options.dat",
        "[GLOBALINFO]\nVERSION=1.0\nAUTHOR=Skin #2\nMASTERBITMAP=Master.bmp\n"
        "[Button]\n"
        "BordersMask=^0000 0000 0030 0030 0004 0005 0006 0007 2 1 1 3\n"
        "Glyph=@0030 0000 0050 0010 2 0\n"
        "Pattern=~0000 0030 0064 0064 01 1\n"
        "Zero=@0000 0000 0010 0010 0 0\n"
        "Own=!Own8.BMP!2!1!2\n"
        "Frame=frame.bmp\n"
        "Short=~0000 0030 0064\n"
        "Outside=#(0,0,65,10)(1,0)\n"
        "Empty=#(10,10,10,20)(1,0)\n"
        "Missing=!Nope.BMP!1!0!0\n"
        "COLOR=0x00FF00\n");
  Load();
  ASSERT_TRUE(Sm->SkinData.Active);
  EXPECT_EQ(Sm->SkinData.SkinPath, SkinFolder);
  EXPECT_EQ(Sm->SkinData.Author, "Skin #2");  // an ordinary value to the section reader
  ASSERT_TRUE(Sm->MasterBitmap);
  EXPECT_EQ(Sm->MasterBitmap->Width(), 64);
  EXPECT_TRUE(Sm->MasterBitmap->Transparent());
  EXPECT_EQ(Sm->MasterBitmap->TransparentColor(), 0xFF00FF);
  EXPECT_EQ(PixelAt(*Sm->MasterBitmap, 5, 7), MasterColour(5, 7));

  // In file order; a bad number, a rectangle outside or empty, a missing file: that entry only.
  EXPECT_EQ(ImageNames(*Sm), (std::vector<std::string>{"Button/BordersMask", "Button/Glyph", "Button/Pattern",
                                                       "Button/Zero", "Button/Own", "BUTTON/FRAME"}));
  ExpectSoundImages();
  EXPECT_EQ(Image("Button", "Zero")->ImageCount, 1);
  const TsMaskData& own = *Image("Button", "Own");
  ASSERT_TRUE(own.Bmp);
  EXPECT_EQ(own.R.right, 6);
  EXPECT_EQ(own.R.bottom, 4);
  EXPECT_EQ(own.ImgType, itisaGlyph);
  EXPECT_EQ(own.ImageCount, 2);
  EXPECT_EQ(own.MaskType, 1);
  for (int y = 0; y < 4; ++y)  // an 8-bit file, read into 24-bit pixels
    for (int x = 0; x < 6; ++x) EXPECT_EQ(PixelAt(*own.Bmp, x, y), palette[static_cast<size_t>((x + y) % 4)]);
  const TsMaskData& frame = *Image("BUTTON", "FRAME");
  EXPECT_EQ(frame.R.right, 9);
  EXPECT_EQ(frame.ImageCount, 3);
  EXPECT_EQ(frame.MaskType, 1);
  EXPECT_TRUE(Sm->Textures.empty());
}

TEST_F(SkinLoadTest, JpegTexturesUnder90000PixelsBecomeImages) {
  const TColor small = Rgb(40, 120, 200), big = Rgb(200, 60, 30);
  Write("small.jpg", JpegBytes(299, 300, small));  // 89700 pixels
  Write("big.JPEG", JpegBytes(300, 300, big));
  Write("Options.dat", "[Panel]\nPattern=small.jpg\nHotPattern=big.JPEG\n");
  Load();
  const TsMaskData* image = Image("PANEL", "PATTERN");
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->ImgType, itisaTexture);
  EXPECT_EQ(image->ImageCount, 1);
  EXPECT_EQ(image->R.right, 299);
  EXPECT_EQ(image->R.bottom, 300);
  EXPECT_LE(ColorDistance(PixelAt(*image->Bmp, 150, 150), small), 4);
  EXPECT_EQ(Texture("PANEL", "PATTERN"), nullptr);
  const TsPatternData* texture = Texture("PANEL", "HOTPATTERN");
  ASSERT_NE(texture, nullptr);
  EXPECT_EQ(texture->Img->Width(), 300);
  EXPECT_LE(ColorDistance(PixelAt(texture->Img->Bitmap(), 10, 10), big), 4);
  EXPECT_EQ(Image("PANEL", "HOTPATTERN"), nullptr);
  ExpectSoundImages();
}

TEST_F(SkinLoadTest, StoredSkinImagesAndTextures) {
  TsStoredSkin* skin = AddStoredSkin(*Sm, "Stored", {"GLOBALINFO", "FORM"});
  skin->SetMasterBitmap(MakeBitmap(40, 40, [](int x, int y) { return Rgb(x, y, 9); }).get());
  auto image = [](TsStoredSkin* s, const char* section, const char* key, TRect r, int count, int mask) {
    TsSkinImage* im = s->Images()->Add();
    im->SectionName = section;
    im->PropertyName = key;
    im->Left = r.left;
    im->Top = r.top;
    im->Right = r.right;
    im->Bottom = r.bottom;
    im->ImageCount = count;
    im->MaskType = mask;
    return im;
  };
  image(skin, "form", "bordersmask", {0, 0, 30, 20}, 0, 0)->WL = 5;
  image(skin, "FORM", "PATTERN", {0, 20, 40, 40}, 1, 0)->StretchMode = 1;  // not a texture item
  TsSkinImage* hot = image(skin, "FORM", "HOTPATTERN", {0, 20, 40, 40}, 1, 0);
  hot->ImgType = itisaTexture;
  hot->StretchMode = 1;
  image(skin, "FORM", "GLYPH", {0, 0, 20, 10}, 2, -1);
  image(skin, "FORM", "OUTSIDE", {0, 0, 41, 10}, 1, 0);
  TsSkinImage* own = image(skin, "FORM", "OWN", {0, 0, 0, 0}, 1, 0);
  own->SetName("own");
  own->SetImage(MakeBitmap(8, 6, [](int, int) { return Rgb(5, 6, 7); }).get());

  TJPEGImage jpeg;
  const std::string jpg = JpegBytes(16, 16, Rgb(10, 200, 30));
  jpeg.LoadFromBuffer(reinterpret_cast<const uint8_t*>(jpg.data()), jpg.size());
  for (const char* name : {"tex", "tex", "other"}) {
    TsSkinPattern* p = skin->Patterns()->Add();
    p->SectionName = "form";
    p->PropertyName = "pattern";
    p->SetName(name);
  }
  skin->Patterns()->Items(1)->SetImage(&jpeg);

  Load("Stored");
  ASSERT_TRUE(Sm->SkinData.Active);
  EXPECT_TRUE(Sm->SkinData.SkinPath.empty());
  EXPECT_EQ(ImageNames(*Sm), (std::vector<std::string>{"FORM/BORDERSMASK", "FORM/PATTERN", "FORM/HOTPATTERN",
                                                       "FORM/GLYPH", "FORM/OWN"}));
  ExpectSoundImages();
  const TsMaskData& border = *Image("FORM", "BORDERSMASK");
  EXPECT_EQ(border.ImageCount, 3);  // a stored count of 0: three frames with a mask
  EXPECT_EQ(border.MaskType, 1);
  EXPECT_EQ(border.WL, 0);  // never copied
  EXPECT_EQ(Image("FORM", "PATTERN")->ImgType, itisaTexture);
  EXPECT_EQ(Image("FORM", "PATTERN")->StretchMode, 0);
  EXPECT_EQ(Image("FORM", "HOTPATTERN")->StretchMode, 1);
  EXPECT_EQ(Image("FORM", "GLYPH")->MaskType, 0);
  const TsMaskData& ownEntry = *Image("FORM", "OWN");
  ASSERT_TRUE(ownEntry.Bmp);
  EXPECT_EQ(ownEntry.R.right, 8);
  EXPECT_EQ(PixelAt(*ownEntry.Bmp, 7, 5), Rgb(5, 6, 7));

  // The first item of a name with a picture lends it to the others of that name.
  ASSERT_EQ(Sm->Textures.size(), 3u);
  EXPECT_EQ(Sm->Textures[0].ClassName, "FORM");
  EXPECT_EQ(Sm->Textures[0].PropertyName, "PATTERN");
  EXPECT_EQ(Sm->Textures[0].Img->Data(), jpeg.Data());
  EXPECT_EQ(Sm->Textures[1].Img->Data(), jpeg.Data());
  EXPECT_TRUE(Sm->Textures[2].Img->Empty());

  // Without a master bitmap only the images of their own stay.
  TsStoredSkin* bare = AddStoredSkin(*Sm, "Bare", {"FORM"});
  image(bare, "FORM", "BORDERSMASK", {0, 0, 4, 4}, 1, 0);
  TsSkinImage* bareOwn = image(bare, "FORM", "OWN", {0, 0, 0, 0}, 1, 0);
  bareOwn->SetName("own");
  bareOwn->SetImage(own->Image());
  Load("Bare");
  EXPECT_FALSE(Sm->MasterBitmap);
  EXPECT_EQ(ImageNames(*Sm), std::vector<std::string>{"FORM/OWN"});
}

TEST_F(SkinLoadTest, ExtraSectionsJoinTheSkin) {
  AddStoredSkin(*Sm, "Stored", {"FORM"})->SetMasterBitmap(MakeBitmap(40, 40, MasterColour).get());
  const std::string bmp = Write("extra.bmp", BmpBytes(*MakeBitmap(9, 6, MasterColour)));
  const std::string jpg = Write("tiny.jpg", JpegBytes(10, 10, Rgb(90, 90, 200)));
  // As the form's data holds them (the setter would reload at once).
  Sm->CommonSections()->SetText("[GLOBALINFO]\nBOXCHECKED=#(0,0,10,10)(2,1)\nTEX=" + jpg +
                                "\n[Extra]\nBORDERSMASK=#(0,0,20,20)(1,0)\nGLYPH=" + bmp + "\nPATTERN=" + jpg +
                                "\nCOLOR=255\nOUT=#(0,0,50,50)(1,0)\n");
  Load("Stored");
  EXPECT_GE(Sm->GetSkinIndex("Extra"), 0);
  EXPECT_EQ(ImageNames(*Sm), (std::vector<std::string>{"EXTRA/BORDERSMASK", "EXTRA/GLYPH"}));
  ExpectSoundImages();
  const TsMaskData& glyph = *Image("EXTRA", "GLYPH");
  ASSERT_TRUE(glyph.Bmp);
  EXPECT_EQ(glyph.R.right, 9);  // the file form's rectangle and counts
  EXPECT_EQ(glyph.ImageCount, 3);
  EXPECT_EQ(glyph.MaskType, 1);
  // Textures of the extra sections stay textures however small, GLOBALINFO included.
  ASSERT_EQ(Sm->Textures.size(), 2u);
  EXPECT_NE(Texture("GLOBALINFO", "TEX"), nullptr);
  EXPECT_NE(Texture("EXTRA", "PATTERN"), nullptr);
}

// The colours a load can change, in a fixed order: the master's six pixels, the own bitmap's two,
// then the section's colours, its gradient stops and the shadow colour.
constexpr TColor kA = Rgb(200, 80, 40), kB = Rgb(30, 160, 90);
const TColor kMaster[6] = {0xFF00FF, Rgb(128, 128, 128), 0xFFFFFF, 0, kA, kB};
constexpr size_t kPixels = 8, kFontNone = kPixels + 3;

std::vector<TColor> SkinColours(const TsSkinManager& sm) {
  std::vector<TColor> out;
  for (int x = 0; x < 6; ++x) out.push_back(PixelAt(*sm.MasterBitmap, x, 0));
  const TsMaskData& frame = sm.Images.at(0);
  for (int x = 0; x < 2; ++x) out.push_back(PixelAt(*frame.Bmp, x, 0));
  const TsGeneralData& g = sm.Sections.at(static_cast<size_t>(sm.GetSkinIndex("FORM")));
  for (TColor c : {g.Color, g.HotColor, g.FontColor[0], g.FontColor[1], g.GradientArray.at(0).Color1,
                   g.GradientArray.at(0).Color2, g.HotGradientArray.at(0).Color1, g.HotGradientArray.at(0).Color2,
                   sm.SkinData.Shadow1Color})
    out.push_back(c);
  return out;
}

// What the passes make of the original colours: pixels through Pixel except the key colour and
// greys, colours through Color, "none" (-1) left alone.
std::vector<TColor> Expected(const std::vector<TColor>& original, const std::function<uint32_t(uint32_t)>& pixel,
                             const std::function<TColor(TColor)>& color) {
  std::vector<TColor> out = original;
  for (size_t i = 0; i < out.size(); ++i) {
    const TColor c = out[i];
    const bool grey = (c & 0xFF) == ((c >> 8) & 0xFF) && (c & 0xFF) == ((c >> 16) & 0xFF);
    if (i < kPixels)
      out[i] = c == 0xFF00FF || grey ? c : static_cast<TColor>(pixel(static_cast<uint32_t>(c)));
    else if (i != kFontNone)
      out[i] = color(c);
  }
  return out;
}

TEST_F(SkinLoadTest, HueThenSaturationLeaveKeyAndGreyPixelsAndNeverAccumulate) {
  Write("Master.bmp", BmpBytes(*MakeBitmap(6, 1, [](int x, int) { return kMaster[x]; })));
  Write("frame.bmp", BmpBytes(*MakeBitmap(2, 1, [](int x, int) { return x ? 0xFF00FF : kA; })));
  const std::string a = IntToStr(kA), b = IntToStr(kB);
  Write("Options.dat", "[GLOBALINFO]\nMASTERBITMAP=Master.bmp\nSHADOW1COLOR=" + a + "\n[FORM]\nCOLOR=" + a +
                           "\nHOTCOLOR=" + b + "\nFONTCOLOR=" + a + "\nTCLEFT=-1\nGRADIENTDATA=" + a + ";" + b +
                           ";100;0;0\nHOTGRADIENTDATA=" + b + ";" + a + ";50;1;0\nBORDERSMASK=frame.bmp\n");
  Load();
  const std::vector<TColor> original = SkinColours(*Sm);
  ASSERT_EQ(original[kFontNone], -1);

  Sm->SetHueOffset(100);
  EXPECT_EQ(SkinColours(*Sm), Expected(
                                  original, [](uint32_t c) { return ShiftHueRgb(100, c); },
                                  [](TColor c) { return ChangeColorHue(100, c); }));

  // Saturation 30 is the amount -30, applied after the hue; the other order gives another colour.
  ASSERT_NE(SaturateRgb(ShiftHueRgb(100, kA), -30), ShiftHueRgb(100, SaturateRgb(kA, -30)));
  Sm->SetSaturation(30);
  EXPECT_EQ(SkinColours(*Sm), Expected(
                                  original, [](uint32_t c) { return SaturateRgb(ShiftHueRgb(100, c), -30); },
                                  [](TColor c) { return ChangeColorSaturation(ChangeColorHue(100, c), -30); }));
  Sm->SetHueOffset(0);
  Sm->SetSaturation(-150);  // the amount 49
  EXPECT_EQ(SkinColours(*Sm), Expected(
                                  original, [](uint32_t c) { return SaturateRgb(c, 49); },
                                  [](TColor c) { return ChangeColorSaturation(c, 49); }));

  // Every reload starts from the skin's own colours.
  Sm->SetSaturation(0);
  EXPECT_EQ(SkinColours(*Sm), original);
}

TEST_F(SkinLoadTest, ADamagedPictureRefusesTheWholeSkin) {
  const std::string master = BmpBytes(*MakeBitmap(32, 32, MasterColour));
  const std::string jpg = JpegBytes(20, 20, Rgb(1, 2, 3));
  Write("Master.bmp", master);
  Write("tex.jpg", jpg);
  Write("Options.dat", "[GLOBALINFO]\nMASTERBITMAP=Master.bmp\n[FORM]\nBORDERSMASK=#(0,0,30,30)(1,1)\nPATTERN=tex.jpg\n");
  Load();
  ASSERT_TRUE(Sm->SkinData.Active);
  ASSERT_EQ(Sm->Images.size(), 2u);

  Write("Master.bmp", master.substr(0, master.size() / 2));
  EXPECT_THROW(Load(), EInvalidGraphic);
  ExpectUnskinned();
  Write("Master.bmp", master);
  Write("tex.jpg", jpg.substr(0, 40));
  EXPECT_THROW(Load(), EInvalidGraphic);
  ExpectUnskinned();

  Write("tex.jpg", jpg);
  Load();
  EXPECT_TRUE(Sm->SkinData.Active);
  EXPECT_EQ(Sm->Images.size(), 2u);
}

}  // namespace
}  // namespace korv::test

// Skins loaded through a manager with the passes the skin units install: folder skins written
// into a temporary folder, a stored skin with extra sections, the colour passes, thousands of
// damaged skins, and the project's own skin from its folder and from its resource.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <tuple>

#include "PaintPixels.h"
#include "classlib/Jpeg.h"
#include "skin/core/SkinCoreKit.h"
#include "skin/data/SkinFiles.h"
#include "skin/data/SkinTextMutator.h"
#include "skin/data/sSkinConvert.h"
#include "skin/paint/sColors.h"
#include "skin/paint/sSkinLoad.h"
#include "support/BadInput.h"
#include "support/JpegEncoder.h"
#include "support/Sandbox.h"

namespace korv::test {
namespace {

constexpr TColor Rgb(int r, int g, int b) { return r | g << 8 | b << 16; }
TColor MasterColour(int x, int y) { return Rgb(x * 4, y * 4, 128); }

std::string BmpBytes(const TBitmap& bmp) {
  TMemoryStream s;
  bmp.SaveToStream(s);
  return std::string(static_cast<const char*>(s.Memory()), static_cast<size_t>(s.Size()));
}
std::string JpegBytes(int w, int h, TColor c) {
  const auto jpg = EncodeJpeg(w, h, [c](int, int, uint8_t* p) {
    for (int i = 0; i < 3; ++i) p[i] = static_cast<uint8_t>(c >> (8 * i));
  });
  return std::string(jpg.begin(), jpg.end());
}
std::vector<std::string> ImageNames(const TsSkinManager& sm) {
  std::vector<std::string> out;
  for (const TsMaskData& m : sm.Images) out.push_back(m.ClassName + "/" + m.PropertyName);
  return out;
}

class SkinLoadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(dynamic_cast<TacSkinLoader*>(&SkinLoadPasses()), nullptr);  // the skin units' start-up
    Sm = std::unique_ptr<TsSkinManager>(NewComponent<TsSkinManager>(nullptr));
    Sm->SetSkinDirectory(ExcludeTrailingPathDelimiter(Box.AnsiPath()));
  }
  void TearDown() override {
    Sm.reset();
    EXPECT_FALSE(SkinChanging || CurrentSkinFile || DefaultManager);
  }
  std::string Write(const std::string& name, const std::string& bytes) { return Box.File("Test\\" + name, bytes); }
  // Through the SkinName setter; a manager a failed load turned off is turned on (which loads).
  void Load(const std::string& name = "Test") {
    Sm->SetSkinName(name);
    if (!Sm->Active()) Sm->SetActive(true);
  }
  const TsMaskData* Image(std::string_view section, std::string_view key) const {
    const int i = Sm->GetMaskIndexByName(section, key);
    return i < 0 ? nullptr : &Sm->Images[static_cast<size_t>(i)];
  }

  TSandbox Box;
  std::unique_ptr<TsSkinManager> Sm;
};

TEST_F(SkinLoadTest, FolderSkinImageFormsJpegSizesAndWhatIsDropped) {
  Write("Master.bmp", BmpBytes(*MakeBitmap(64, 64, MasterColour)));
  Write("frame.bmp", BmpBytes(*MakeBitmap(9, 6, MasterColour)));
  Write("small.jpg", JpegBytes(299, 300, Rgb(40, 120, 200)));  // 89700 pixels: an image
  Write("big.jpg", JpegBytes(300, 300, Rgb(200, 60, 30)));
  Write("Options.dat",
        "[GLOBALINFO]\nAUTHOR=Skin #2\nMASTERBITMAP=Master.bmp\n[Button]\n"
        "BordersMask=^0000 0000 0030 0030 0004 0005 0006 0007 2 1 1 3\nGlyph=@0030 0000 0050 0010 0 0\n"
        "Pattern=~0010 0020 0030 0040 01 1\nOwn=!frame.BMP!2!1!2\nFrame=frame.bmp\nShort=~0000 0030 0064\n"
        "Outside=#(0,0,65,10)(1,0)\nMissing=!Nope.BMP!1!0!0\nCOLOR=0x00FF00\n"
        "[Panel]\nPattern=small.jpg\nHotPattern=big.jpg\n");
  Load();
  ASSERT_TRUE(Sm->SkinData.Active);
  EXPECT_EQ(Sm->SkinData.SkinPath, Box.AnsiPath() + "Test\\");
  ASSERT_TRUE(Sm->MasterBitmap && Sm->MasterBitmap->Transparent());
  EXPECT_EQ(Get(*Sm->MasterBitmap, 5, 7), MasterColour(5, 7));
  // File order; a bad number, a rectangle outside its bitmap or a missing file drops that entry.
  EXPECT_EQ(ImageNames(*Sm), (std::vector<std::string>{"Button/BordersMask", "Button/Glyph", "Button/Pattern",
                                                       "Button/Own", "BUTTON/FRAME", "PANEL/PATTERN"}));
  const TsMaskData& p = *Image("Button", "Pattern");
  EXPECT_EQ((std::vector<int>{p.R.left, p.R.top, p.R.right, p.R.bottom, p.StretchMode, p.MaskType, p.ImageCount,
                              p.ImgType}),
            (std::vector<int>{10, 20, 30, 40, 1, 1, 1, itisaTexture}));
  EXPECT_EQ(Image("Button", "Glyph")->ImageCount, 1);  // 0 brought to 1
  EXPECT_EQ(Image("Button", "BordersMask")->BorderWidth, 3);
  const TsMaskData& own = *Image("Button", "Own");
  EXPECT_TRUE(own.Bmp && own.R.right == 9 && own.ImgType == itisaGlyph && own.ImageCount == 2);
  const TsMaskData& frame = *Image("BUTTON", "FRAME");
  EXPECT_TRUE(frame.Bmp && frame.ImageCount == 3 && frame.MaskType == 1 && frame.ImgType == itisaBorder);
  const TsMaskData& small = *Image("PANEL", "PATTERN");
  EXPECT_TRUE(small.R.right == 299 && small.ImgType == itisaTexture && small.ImageCount == 1);
  EXPECT_LE(ColorDistance(Get(*small.Bmp, 150, 150), Rgb(40, 120, 200)), 4);
  ASSERT_EQ(Sm->Textures.size(), 1u);
  EXPECT_EQ(Sm->Textures[0].PropertyName, "HOTPATTERN");
  EXPECT_EQ(Sm->Textures[0].Img->Width(), 300);
}

TEST_F(SkinLoadTest, StoredSkinAndExtraSections) {
  TsStoredSkin* skin = AddStoredSkin(*Sm, "Stored", {"FORM"});
  skin->SetMasterBitmap(MakeBitmap(40, 40, MasterColour).get());
  auto image = [&](const char* key, TRect r, int count, int mask, TacImgType type = itisaBorder) {
    TsSkinImage* im = skin->Images()->Add();
    im->SectionName = "form";
    im->PropertyName = key;
    std::tie(im->Left, im->Top, im->Right, im->Bottom) = std::tie(r.left, r.top, r.right, r.bottom);
    std::tie(im->ImageCount, im->MaskType, im->ImgType, im->StretchMode, im->WL) = std::tuple(count, mask, type, 1, 5);
    return im;
  };
  image("bordersmask", {0, 0, 30, 20}, 0, 0);
  image("pattern", {0, 20, 40, 40}, 1, 0);
  image("hotpattern", {0, 20, 40, 40}, 1, 0, itisaTexture);
  image("glyph", {0, 0, 20, 10}, 2, -1);
  image("outside", {0, 0, 41, 10}, 1, 0);
  TsSkinImage* own = image("own", {0, 0, 0, 0}, 1, 0);
  own->SetName("own");
  own->SetImage(MakeBitmap(8, 6, MasterColour).get());
  const std::string jpg = JpegBytes(16, 16, Rgb(10, 200, 30));
  TJPEGImage jpeg;
  jpeg.LoadFromBuffer(reinterpret_cast<const uint8_t*>(jpg.data()), jpg.size());
  for (const char* name : {"tex", "tex", "other"}) {
    TsSkinPattern* p = skin->Patterns()->Add();
    std::tie(p->SectionName, p->PropertyName) = std::tuple("form", "pattern");
    p->SetName(name);
  }
  skin->Patterns()->Items(1)->SetImage(&jpeg);
  const std::string bmp = Write("extra.bmp", BmpBytes(*MakeBitmap(9, 6, MasterColour)));
  Sm->CommonSections()->SetText("[GLOBALINFO]\nBOXCHECKED=#(0,0,10,10)(2,1)\n[Extra]\nBORDERSMASK=#(0,0,20,20)(1,0)\nGLYPH=" +
                                bmp + "\nPATTERN=" + Write("tiny.jpg", jpg) + "\nCOLOR=255\n");
  Load("Stored");
  EXPECT_TRUE(Sm->SkinData.SkinPath.empty());
  EXPECT_EQ(ImageNames(*Sm), (std::vector<std::string>{"FORM/BORDERSMASK", "FORM/PATTERN", "FORM/HOTPATTERN",
                                                       "FORM/GLYPH", "FORM/OWN", "EXTRA/BORDERSMASK", "EXTRA/GLYPH"}));
  const TsMaskData& border = *Image("FORM", "BORDERSMASK");
  EXPECT_EQ((std::vector<int>{border.ImageCount, border.MaskType, border.WL}), (std::vector<int>{3, 1, 0}));
  EXPECT_TRUE(Image("FORM", "PATTERN")->ImgType == itisaTexture && Image("FORM", "PATTERN")->StretchMode == 0);
  EXPECT_EQ(Image("FORM", "HOTPATTERN")->StretchMode, 1);
  EXPECT_EQ(Image("FORM", "GLYPH")->MaskType, 0);
  EXPECT_EQ(Image("FORM", "OWN")->R.right, 8);
  const TsMaskData& glyph = *Image("EXTRA", "GLYPH");
  EXPECT_TRUE(glyph.Bmp && glyph.R.right == 9 && glyph.ImageCount == 3 && glyph.MaskType == 1);
  // Items of one name share its first picture; an extra JPEG stays a texture however small.
  ASSERT_EQ(Sm->Textures.size(), 4u);
  EXPECT_EQ(Sm->Textures[0].Img->Data(), jpeg.Data());
  EXPECT_EQ(Sm->Textures[1].Img->Data(), jpeg.Data());
  EXPECT_TRUE(Sm->Textures[2].Img->Empty());
  EXPECT_EQ(Sm->Textures[3].ClassName + "/" + Sm->Textures[3].PropertyName, "EXTRA/PATTERN");

  // An empty stored master bitmap is none: only images of their own stay.
  skin->SetMasterBitmap(nullptr);
  Load("Stored");
  EXPECT_FALSE(Sm->MasterBitmap);
  EXPECT_EQ(ImageNames(*Sm), (std::vector<std::string>{"FORM/OWN", "EXTRA/GLYPH"}));
}

// The colours a load may change: the master's pixels, the own bitmap's, then the section's colours,
// its gradient stops and the shadow colour. Index 11 is a contour colour of -1 (none).
constexpr TColor kA = Rgb(200, 80, 40), kB = Rgb(30, 160, 90);
const TColor kPixels[] = {0xFF00FF, Rgb(128, 128, 128), 0xFFFFFF, 0, kA, kB, kA, 0xFF00FF};

std::vector<TColor> SkinColours(const TsSkinManager& sm) {
  std::vector<TColor> out;
  for (int x = 0; x < 6; ++x) out.push_back(Get(*sm.MasterBitmap, x, 0));
  for (int x = 0; x < 2; ++x) out.push_back(Get(*sm.Images.at(0).Bmp, x, 0));
  const TsGeneralData& g = sm.Sections.at(static_cast<size_t>(sm.GetSkinIndex("FORM")));
  for (TColor c : {g.Color, g.HotColor, g.FontColor[0], g.FontColor[1], g.GradientArray.at(0).Color1,
                   g.GradientArray.at(0).Color2, g.HotGradientArray.at(0).Color1, g.HotGradientArray.at(0).Color2,
                   sm.SkinData.Shadow1Color})
    out.push_back(c);
  return out;
}

// The original colours changed, but for the key colour and grey pixels and "none" (-1).
std::vector<TColor> Changed(std::vector<TColor> c, const std::function<TColor(TColor)>& change) {
  for (size_t i = 0; i < c.size(); ++i) {
    const bool grey = (c[i] & 0xFF) == (c[i] >> 8 & 0xFF) && (c[i] & 0xFF) == (c[i] >> 16 & 0xFF);
    if (i < 8 ? c[i] != 0xFF00FF && !grey : c[i] != -1) c[i] = change(c[i]);
  }
  return c;
}

TEST_F(SkinLoadTest, HueThenSaturationSkipKeyAndGreyPixelsAndNeverAccumulate) {
  Write("Master.bmp", BmpBytes(*MakeBitmap(6, 1, [](int x, int) { return kPixels[x]; })));
  Write("frame.bmp", BmpBytes(*MakeBitmap(2, 1, [](int x, int) { return kPixels[6 + x]; })));
  const std::string a = IntToStr(kA), b = IntToStr(kB);
  Write("Options.dat", "[GLOBALINFO]\nMASTERBITMAP=Master.bmp\nSHADOW1COLOR=" + a + "\n[FORM]\nCOLOR=" + a +
                           "\nHOTCOLOR=" + b + "\nFONTCOLOR=" + a + "\nGRADIENTDATA=" + a + ";" + b +
                           ";100;0;0\nHOTGRADIENTDATA=" + b + ";" + a + ";50;1;0\nBORDERSMASK=frame.bmp\n");
  Load();
  const std::vector<TColor> original = SkinColours(*Sm);
  ASSERT_EQ(original[11], -1);
  // Saturation 30 is the amount -30, after the hue; the other order would give another colour.
  ASSERT_NE(ChangeColorSaturation(ChangeColorHue(100, kA), -30), ChangeColorHue(100, ChangeColorSaturation(kA, -30)));
  Sm->SetHueOffset(100);
  Sm->SetSaturation(30);
  EXPECT_EQ(SkinColours(*Sm),
            Changed(original, [](TColor c) { return ChangeColorSaturation(ChangeColorHue(100, c), -30); }));
  Sm->SetHueOffset(0);
  Sm->SetSaturation(-150);  // the amount 49
  EXPECT_EQ(SkinColours(*Sm), Changed(original, [](TColor c) { return ChangeColorSaturation(c, 49); }));
  Sm->SetSaturation(0);  // every load starts from the skin's own colours
  EXPECT_EQ(SkinColours(*Sm), original);
}

// A BMP that lies about itself or ends early.
std::string DamageBmp(std::string s, TRandom& rng) {
  const auto put32 = [&s](size_t at, uint32_t v) { std::memcpy(&s[at], &v, 4); };
  switch (rng.Below(5)) {
    case 0:
      s.resize(rng.Below(static_cast<uint32_t>(s.size())));
      break;
    case 1:  // sizes the data does not hold: moderate ones reach the pixels, absurd ones not
      put32(18 + 4 * rng.Below(2), rng.Below(4) ? 1 + rng.Below(2048) : rng.Next());
      break;
    case 2:  // the pixels' offset
      put32(10, rng.Below(static_cast<uint32_t>(s.size()) + 64));
      break;
    case 3:  // bit count and compression, palette size
      put32(28, rng.Below(40) | rng.Below(7) << 16);
      put32(46, rng.Below(3) ? rng.Below(300) : rng.Next());
      break;
    default:
      for (uint32_t n = 1 + rng.Below(8); n > 0; --n) s[rng.Below(54)] = static_cast<char>(rng.Next());
  }
  return s;
}

TEST_F(SkinLoadTest, EveryDamagedFolderSkinLoadsSoundlyOrIsRefusedWhole) {
  const std::string kOptions =
      "[GLOBALINFO]\nMASTERBITMAP=Master.bmp\nSHADOW1COLOR=0\n[FORM]\nGRADIENTDATA=10521686;7889460;100;0;0\n"
      "BORDERSMASK=#(0,0,24,24)(2,1,0,1)\nGLYPH=@0024 0000 0032 0008 1 0\nPATTERN=~0000 0024 0032 0032 01 1\n"
      "FRAME=^0000 0000 0012 0012 0001 0001 0001 0001 1 0 0 0\nOWN=!own.BMP!2!1!2\nFILE=own.bmp\nTEX=tex.jpg\n"
      "[BUTTON]\nPARENTCLASS=FORM\nHOTPATTERN=tex.jpg\n";
  const std::string seeds[4] = {kOptions, BmpBytes(*MakeBitmap(32, 32, MasterColour)),
                                BmpBytes(*MakeBitmap(6, 4, MasterColour)), JpegBytes(12, 12, kA)};
  Mutator text(977);
  TRandom rng(4242);
  int loaded = 0, refused = 0;
  for (int round = 0; round < 2000 && !HasFailure(); ++round) {
    std::string files[4] = {seeds[0], seeds[1], seeds[2], seeds[3]};
    const int kind = round % 10, bmp = 1 + round % 2;
    if (kind < 5) files[0] = text.Mutate(files[0]);
    if (kind >= 5 && kind < 8) files[bmp] = DamageBmp(files[bmp], rng);
    if (kind == 8) files[3].resize(rng.Below(static_cast<uint32_t>(files[3].size())));
    if (kind == 9) files[3][rng.Below(static_cast<uint32_t>(files[3].size()))] ^= 0x5A;
    const char* names[4] = {"Options.dat", "Master.bmp", "own.bmp", "tex.jpg"};
    for (int i = 0; i < 4; ++i) Write(names[i], files[i]);
    SCOPED_TRACE("round " + IntToStr(round));
    try {
      Load();
    } catch (const Exception&) {  // refused: no skin, no table, nothing open
      ++refused;
      ASSERT_FALSE(Sm->Active() || Sm->SkinData.Active || SkinChanging || CurrentSkinFile || Sm->MasterBitmap);
      ASSERT_TRUE(Sm->Sections.empty() && Sm->Images.empty() && Sm->Textures.empty());
      ASSERT_EQ(Sm->SkinIndexCache.GlobalInfo, -1);
      continue;
    }
    ++loaded;
    ASSERT_TRUE(Sm->Active() && Sm->SkinData.Active && (!Sm->MasterBitmap || !Sm->MasterBitmap->Empty()));
    for (const TsMaskData& m : Sm->Images) {  // every kept image is sound
      const TBitmap* src = m.Bmp ? m.Bmp.get() : Sm->MasterBitmap.get();
      ASSERT_TRUE(src && m.ImageCount >= 1 && m.MaskType >= 0 && m.BorderWidth >= 0) << m.PropertyName;
      ASSERT_TRUE(m.R.left >= 0 && m.R.top >= 0 && m.R.left < m.R.right && m.R.top < m.R.bottom &&
                  m.R.right <= src->Width() && m.R.bottom <= src->Height())
          << m.PropertyName;
    }
  }
  EXPECT_GT(loaded, 300);  // both outcomes occur, or the damage does not reach the loader
  EXPECT_GT(refused, 300);
}

TEST_F(SkinLoadTest, TheProjectSkinFromItsFolderAndFromTheResourceGivesEqualTables) {
  Sm->SetSkinDirectory(ExtractFileDir(ExcludeTrailingPathDelimiter(ProjectSkinFolder())));
  Sm->SetSkinName("Korvani");
  const std::unique_ptr<TsSkinManager> storedPtr(NewComponent<TsSkinManager>(nullptr));
  TsSkinManager& stored = *storedPtr;
  ReadStoredSkinsResource(GetModuleHandleA(nullptr), sInternalSkinResource, *stored.InternalSkins());
  stored.SetSkinDirectory(ExcludeTrailingPathDelimiter(Box.AnsiPath()));  // no folder skin of that name
  stored.SetSkinName("Korvani");
  ASSERT_TRUE(Sm->SkinData.Active && stored.SkinData.Active);
  EXPECT_EQ(stored.SkinName(), stored.InternalSkins()->Items(0)->Name());
  EXPECT_EQ(Sm->SkinData.Author, stored.SkinData.Author);
  EXPECT_EQ(Sm->SkinData.Shadow1Blur, stored.SkinData.Shadow1Blur);
  ASSERT_EQ(Sm->Sections.size(), stored.Sections.size());
  for (size_t i = 0; i < Sm->Sections.size(); ++i) {
    const TsGeneralData &f = Sm->Sections[i], &s = stored.Sections[i];
    EXPECT_TRUE(f.SectionName == s.SectionName && f.Color == s.Color && f.HotColor == s.HotColor &&
                f.GradientData == s.GradientData && std::memcmp(f.FontColor, s.FontColor, sizeof f.FontColor) == 0)
        << f.SectionName;
  }
  // Every stored image is kept, as a rectangle of the master bitmap, and equals the folder's.
  ASSERT_EQ(static_cast<int>(stored.Images.size()), stored.InternalSkins()->Items(0)->Images()->Count());
  ASSERT_EQ(Sm->Images.size(), stored.Images.size());
  for (size_t i = 0; i < stored.Images.size(); ++i) {
    const TsMaskData &f = Sm->Images[i], &s = stored.Images[i];
    EXPECT_TRUE(f.ClassName == s.ClassName && f.PropertyName == s.PropertyName && EqualRect(&f.R, &s.R) &&
                f.ImageCount == s.ImageCount && f.MaskType == s.MaskType && f.BorderWidth == s.BorderWidth &&
                f.StretchMode == s.StretchMode && f.ImgType == s.ImgType && !f.Bmp && !s.Bmp)
        << s.ClassName << "/" << s.PropertyName;
  }
  const TBitmap &a = *Sm->MasterBitmap, &b = *stored.MasterBitmap;
  ASSERT_TRUE(a.Width() == b.Width() && a.Height() == b.Height());
  for (int y = 0; y < a.Height(); ++y) ASSERT_EQ(std::memcmp(a.ScanLine(y), b.ScanLine(y), a.Width() * 3u), 0) << y;
  EXPECT_EQ(Sm->SkinIndexCache.Fields(), stored.SkinIndexCache.Fields());
  EXPECT_GE(Sm->SkinIndexCache.BoxChecked, 0);
}

}  // namespace
}  // namespace korv::test

// Sections painted into bitmaps: transparency over a parent image or colour, the texture,
// gradient and colour layers, borders and corner images, key-colour corners and regions, text;
// and sections of the project's own skin.
#include <gtest/gtest.h>

#include <cmath>

#include "PaintPixels.h"
#include "skin/core/LinkedControls.h"
#include "skin/core/SkinCoreKit.h"
#include "skin/data/sSkinConvert.h"
#include "skin/paint/sStyleSimply.h"

namespace korv::test {
namespace {

// round(a * k + b * (1 - k)) per channel (ties to even), the mix of BlendColorRect.
TColor Mix(TColor a, TColor b, double k) {
  TColor out = 0;
  for (int i = 0; i < 3; ++i) out |= static_cast<int>(std::lrint(Ch(a, i) * k + Ch(b, i) * (1 - k))) << (16 - 8 * i);
  return out;
}
// (src * (255 - alpha) + dst * alpha + 127) shr 8 per channel, the blend of BlendBmpRect.
TColor Blend(TColor src, TColor dst, int alpha) {
  TColor out = 0;
  for (int i = 0; i < 3; ++i) out |= ((Ch(src, i) * (255 - alpha) + Ch(dst, i) * alpha + 127) >> 8) << (16 - 8 * i);
  return out;
}

class SectionPaintTest : public TSkinCoreTest {
 protected:
  void SetUp() override {
    TSkinCoreTest::SetUp();
    Sm = NewManager();
    Sm->SkinData.Active = true;
    SkinColorReply = sNoColorReply;  // no colour left by an earlier question
  }
  int Section(const std::string& name, TColor color, int transparency = 0, int gradient = 0, int image = 0) {
    AddSection(*Sm, name, color, transparency, gradient, image);
    return static_cast<int>(Sm->Sections.size()) - 1;
  }
  // An image of the manager with a picture of its own (the whole bitmap).
  int AddImage(const std::string& section, const std::string& key, std::unique_ptr<TBitmap> bmp, int count,
               int maskType, TacImgType type = itisaBorder) {
    return test::AddImage(*Sm, section, key, std::move(bmp), count, maskType, type);
  }
  TsSkinManager* Sm = nullptr;
};

TEST_F(SectionPaintTest, TransparencyShowsTheParentImageOrColourUnderTheControl) {
  const int opaque = Section("OPAQUE", 0x3366CC), half = Section("HALF", 0x000000, 50);
  const int clear = Section("CLEAR", 0x123456, 100);
  Sm->Sections[half].HotTransparency = 0;
  Sm->Sections[half].HotColor = 0x00FF00;
  const auto under = MakeBitmap(30, 30, [](int x, int y) { return Bgr(x * 8, y * 8, 0x40); });
  const TCacheInfo ci{under.get(), 2, 3, true};
  const TPoint pos{5, 7};
  auto underAt = [&](int x, int y) { return Get(*under, 2 + 5 + x, 3 + 7 + y); };
  const auto bmp = Solid(12, 10, 0xFFFFFF);
  const TRect r = Rect(1, 1, 11, 9);
  auto expectEach = [&](const char* what, auto expected) {
    const TPixelImage img = BitmapImage(*bmp);
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 12; ++x) {
        const bool inside = x >= 1 && x < 11 && y >= 1 && y < 9;
        ASSERT_EQ(img.At(x, y), inside ? expected(x, y) : 0xFFFFFF) << what << " at " << x << "," << y;
      }
  };

  PaintItemBG(Sm, opaque, 0, r, bmp.get(), ci, pos);
  expectEach("opaque", [](int, int) { return 0x3366CC; });
  PaintItemBG(Sm, clear, 0, r, bmp.get(), ci, pos);
  expectEach("clear over the parent image", underAt);
  SkinColorReply = 0x0000FF;  // the parent answered a colour
  PaintItemBG(Sm, clear, 0, r, bmp.get(), ci, pos);
  SkinColorReply = sNoColorReply;
  expectEach("clear over the parent colour", [](int, int) { return 0x0000FF; });
  PaintItemBG(Sm, half, 0, r, bmp.get(), ci, pos);
  expectEach("half", [&](int x, int y) { return Blend(0x000000, underAt(x, y), 127); });
  PaintItemBG(Sm, half, 1, r, bmp.get(), ci, pos);
  expectEach("hot", [](int, int) { return 0x00FF00; });
  PaintItemBG(Sm, half, 0, r, bmp.get(), TCacheInfo{}, pos);
  expectEach("no parent image", [](int, int) { return 0x000000; });
}

TEST_F(SectionPaintTest, TextureGradientAndColourShareTheBackground) {
  const TColor col = 0x20E0A0, grad = 0x4080C0;
  const auto texel = [](int x, int y) { return Bgr(0x10 + x * 0x40, 0x80, 0x10 + y * 0x40); };
  Section("TEX", col);
  AddImage("TEX", "PATTERN", MakeBitmap(2, 2, texel), 1, 0, itisaTexture);
  auto layered = [&](const std::string& name, int g, int i) {
    const int s = Section(name, col, 0, g, i);
    Sm->Sections[s].ParentClass = "TEX";  // the texture comes from the parent section
    Sm->Sections[s].GradientArray = {TsGradStop{grad, grad, 100, 1}};
    return s;
  };
  const TRect r = Rect(3, 2, 9, 8);
  auto paint = [&](int section) {
    auto bmp = Solid(10, 10, 0xFFFFFF);
    PaintItemBG(Sm, section, 0, r, bmp.get(), TCacheInfo{}, Point(0, 0));
    return BitmapImage(*bmp);
  };
  auto texture = [&](int x, int y) { return texel((x - r.left) % 2, (y - r.top) % 2); };
  auto check = [&](const char* what, int section, auto expected) {
    const TPixelImage img = paint(section);
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) ASSERT_EQ(img.At(x, y), expected(x, y)) << what << " " << x << "," << y;
    EXPECT_EQ(img.At(r.left - 1, r.top), 0xFFFFFF) << what;
  };

  check("colour", layered("C", 0, 0), [&](int, int) { return col; });
  check("texture", layered("T", 0, 100), texture);
  check("gradient 40", layered("G", 40, 0), [&](int, int) { return Mix(grad, col, 0.4); });
  check("gradient 100", layered("G100", 100, 0), [&](int, int) { return grad; });
  check("both", layered("TG", 30, 50), [&](int x, int y) { return Mix(Blend(grad, texture(x, y), 127), col, 0.8); });
  // A share of texture that no image gives: the colour alone.
  const int bare = Section("BARE", col, 0, 0, 50);
  check("no texture", bare, [&](int, int) { return col; });
}

TEST_F(SectionPaintTest, AControlGetsItsBorderAndCornerImages) {
  const TColor box = 0x405060, edge = 0x203040, mid = 0x607080, parentColour = 0x0000FF;
  const TColor a = 0x00AA00, b = 0xAA0000;
  Section("BOX", box);
  // A 3 x 3 cell border (cells 2 x 2) over a black mask (the picture shows everywhere).
  AddImage("BOX", "BORDERSMASK",
           MakeBitmap(6, 12,
                      [&](int x, int y) {
                        if (y >= 6) return 0x000000;
                        if (x == 0 && y == 0) return sKeyColor;
                        return x / 2 == 1 && y / 2 == 1 ? mid : edge;
                      }),
           1, 1);
  auto frames = [&] { return MakeBitmap(4, 2, [&](int x, int) { return x < 2 ? a : b; }); };
  AddImage("BOX", "IMGTOPRIGHT", frames(), 2, 0, itisaGlyph);
  AddImage("BOX", "IMGBTMLEFT", frames(), 2, 0, itisaGlyph);
  TForm* form = NewForm();
  form->SetColor(parentColour);
  auto* c = NewComponent<TLinkedWindow>(form, Bounds(0, 0, 10, 8));
  c->Link->SetSkinSection("BOX");
  TsCommonData& link = *c->Link;
  link.PrepareCache();
  TBitmap* cache = link.CacheBmp.get();

  PaintItem(&link, TCacheInfo{}, 0, false, cache, Point(0, 0), Rect(0, 0, 10, 8), 1);
  TPixelImage img = BitmapImage(*cache);
  EXPECT_EQ(img.At(0, 0), parentColour);  // the key colour of the border shows the parent
  EXPECT_EQ(img.At(1, 0), edge);
  EXPECT_EQ(img.At(5, 0), edge);
  EXPECT_TRUE(img.All(Rect(2, 2, 8, 6), box));  // no middle cell asked for
  EXPECT_TRUE(img.All(Rect(8, 0, 10, 2), b));   // frame 1 of each corner image
  EXPECT_TRUE(img.All(Rect(0, 6, 2, 8), b));
  EXPECT_EQ(MaskFillColor, sKeyColor);
  EXPECT_EQ(SkinColorReply, sNoColorReply);

  // Later the corner pixels take what lies under the control again.
  const auto under = MakeBitmap(20, 20, [](int x, int y) { return Bgr(x * 9, y * 9, 7); });
  // The fill says whether it changed a pixel: a second fill over the same image changes none.
  Put(*cache, 0, 0, 0xFFFFFF);
  EXPECT_TRUE(FillKeyColorCorners(link, TCacheInfo{under.get(), 1, 1, true}, Point(2, 3)));
  EXPECT_EQ(Get(*cache, 0, 0), Get(*under, 3, 4));
  EXPECT_EQ(Get(*cache, 1, 0), edge);
  EXPECT_FALSE(FillKeyColorCorners(link, TCacheInfo{under.get(), 1, 1, true}, Point(2, 3)));
  SkinColorReply = 0x123456;
  EXPECT_TRUE(FillKeyColorCorners(link, TCacheInfo{}, Point(2, 3)));
  EXPECT_FALSE(FillKeyColorCorners(link, TCacheInfo{}, Point(2, 3)));
  SkinColorReply = sNoColorReply;
  EXPECT_EQ(Get(*cache, 0, 0), 0x123456);

  // The middle cell when asked for.
  PaintItem(&link, TCacheInfo{}, 0, true, cache, Point(0, 0), Rect(0, 0, 10, 8), 1);
  EXPECT_TRUE(BitmapImage(*cache).All(Rect(2, 2, 8, 6), mid));

  // With the cache refresh PaintChildControls repaints the cache from the skin first.
  Put(*cache, 5, 4, 0xFFFFFF);
  TBitmap target(10, 8);
  PaintChildControls(c, &link, Rect(0, 0, 10, 8), true, target.Canvas()->Handle(), Rect(0, 0, 10, 8));
  EXPECT_EQ(Get(target, 5, 4), box);
  EXPECT_EQ(Get(target, 1, 0), edge);
  EXPECT_FALSE(link.BGChanged);
}

TEST_F(SectionPaintTest, KeyColourRunsOfTheCornerCellsBecomeRegionRectangles) {
  Sm->MasterBitmap = Solid(12, 12, 0xFFFFFF);
  for (auto [x, y] : {std::pair{1, 1}, {2, 1}, {1, 2}, {9, 1}, {1, 9}, {5, 1}}) Put(*Sm->MasterBitmap, x, y, sKeyColor);
  TsMaskData m = Image("FORM", "BORDERSMASK");
  m.R = Rect(1, 1, 10, 10);  // cells of 3 x 3
  m.ImageCount = 1;
  m.Manager = Sm;
  std::vector<TRect> rects;
  CollectKeyColorRects(rects, 20, m, 0, 5);
  EXPECT_EQ(Edges(rects), (std::vector<TEdges>{{0, 5, 2, 6}, {19, 5, 20, 6}, {0, 6, 1, 7}}));
  rects.clear();
  CollectKeyColorRects(rects, 20, m, 1, 30);
  EXPECT_EQ(Edges(rects), (std::vector<TEdges>{{0, 32, 1, 33}}));
  // Cells under one pixel give nothing.
  m.R = Rect(1, 1, 3, 10);
  rects.clear();
  CollectKeyColorRects(rects, 20, m, 0, 0);
  EXPECT_TRUE(rects.empty());
}

class SectionTextTest : public SectionPaintTest {
 protected:
  void SetUp() override {
    SectionPaintTest::SetUp();
    Txt = Section("TXT", 0xFFFFFF);
    Sm->Sections[Txt].FontColor[0] = kFont;
    Sm->Sections[Txt].FontColor[1] = kLeft;
    Sm->Sections[Txt].HotFontColor[0] = kHot;
    Web = Section("WEBBUTTON", 0xFFFFFF);
    Sm->Sections[Web].HotFontColor[0] = kHot;
    // Whole pixels only: the passes are told apart by their exact colours.
    LOGFONTA lf{};
    lf.lfHeight = -16;
    lf.lfQuality = NONANTIALIASED_QUALITY;
    std::strcpy(lf.lfFaceName, "Tahoma");
    Bmp.Canvas()->Font()->SetHandle(CreateFontIndirectA(&lf));
    Clear();
  }
  void Clear() {
    Bmp.Canvas()->Brush()->SetColor(kPaper);
    Bmp.Canvas()->FillRect(Rect(0, 0, 160, 40));
  }
  // The leftmost (or, with last, the rightmost) column holding the colour; -1 when none.
  int Column(TColor c, bool last = false) {
    const TPixelImage img = BitmapImage(Bmp);
    int found = -1;
    for (int x = 0; x < img.Width(); ++x)
      if (img.Count(Rect(x, 0, x + 1, img.Height()), c) && (found < 0 || last)) found = x;
    return found;
  }
  static constexpr TColor kPaper = 0x00FF00, kFont = 0x0000C0, kLeft = 0xC00000, kHot = 0xC000C0;
  TBitmap Bmp{160, 40};
  int Txt = -1, Web = -1;
};

TEST_F(SectionTextTest, TextSitsWhereItsExtentSaysInTheSectionsColours) {
  TCanvas* canvas = Bmp.Canvas();
  const TSize ext = canvas->TextExtent("Wgh");
  TRect r = Rect(0, 0, 160, 40);
  WriteTextEx(canvas, "Wgh", true, r, DT_CENTER | DT_SINGLELINE, Sm, Txt, false);
  const TRect fitted = Bounds((160 - ext.cx) / 2, (40 - ext.cy) / 2, ext.cx, ext.cy);
  EXPECT_EQ(Edges(r), Edges(Rect(fitted.left - 1, fitted.top - 1, fitted.right + 1, fitted.bottom + 1)));
  const TPixelImage img = BitmapImage(Bmp);
  EXPECT_EQ(img.Count(Rect(0, 0, 160, 40), kPaper) + img.Count(r, kFont) + img.Count(r, kLeft), 160 * 40);
  ASSERT_GT(img.Count(r, kFont), 0);
  EXPECT_EQ(Column(kLeft), Column(kFont) - 1);  // the left outline one pixel left of the text

  // Disabled: the section's colours are not used; the highlight lies one pixel right of the shadow.
  Clear();
  const TColor fontColour = canvas->Font()->Color();
  r = Rect(0, 0, 160, 40);
  WriteTextEx(canvas, "Wgh", false, r, DT_LEFT | DT_SINGLELINE, Sm, Txt, false);
  EXPECT_EQ(Column(kFont), -1);
  EXPECT_EQ(Column(ColorToRGB(clBtnHighlight), true), Column(ColorToRGB(clBtnShadow), true) + 1);
  EXPECT_EQ(canvas->Font()->Color(), fontColour);  // the font keeps its colour
}

TEST_F(SectionTextTest, ACaptionIsClippedAndAHotWebButtonUnderlined) {
  TForm* form = NewForm();
  auto* c = NewComponent<TLinkedWindow>(form);
  c->Link->SetSkinSection("WEBBUTTON");
  c->Link->Focused = true;  // active: the hot look
  TCanvas* canvas = Bmp.Canvas();
  const TSize ext = canvas->TextExtent("Wgh");
  TRect r = Rect(10, 0, 10 + ext.cx / 2, 40);
  WriteTextControl(canvas, "Wgh", true, r, c->Link.get(), DT_LEFT | DT_SINGLELINE);
  EXPECT_EQ(Column(kHot, true), 10 + ext.cx / 2 - 1);  // cut at the rectangle
  // The underline: a row of the hot colour across the whole visible width.
  const TPixelImage img = BitmapImage(Bmp);
  bool underlined = false;
  for (int y = 0; y < 40; ++y) underlined = underlined || img.All(Rect(11, y, 10 + ext.cx / 2, y + 1), kHot);
  EXPECT_TRUE(underlined);
  EXPECT_FALSE(canvas->Font()->Style() & fsUnderline);

  EXPECT_EQ(CutText(canvas, "Hello", canvas->TextWidth("He...")), "He...");
  EXPECT_EQ(CutText(canvas, "Hello", canvas->TextWidth("Hello")), "Hello");
  EXPECT_EQ(CutText(canvas, "Hello", canvas->TextWidth("...") - 1), "");
  EXPECT_EQ(CutText(canvas, "Hello", 0), "");
}

// The project's own skin, read from the program's resource through a manager.
TEST(ProjectSkinSections, PaintAsTheirValuesSay) {
  SkinColorReply = sNoColorReply;
  const std::unique_ptr<TsSkinManager> smPtr(NewComponent<TsSkinManager>(nullptr));
  TsSkinManager& sm = *smPtr;
  ReadStoredSkinsResource(GetModuleHandleA(nullptr), sInternalSkinResource, *sm.InternalSkins());
  sm.SetSkinName(sm.InternalSkins()->Items(0)->Name());
  ASSERT_TRUE(sm.SkinData.Active);
  const int title = sm.GetSkinIndex("FORMTITLE"), panel = sm.GetSkinIndex("PANEL");
  ASSERT_TRUE(title >= 0 && panel >= 0 && !sm.Sections[title].HotGradientArray.empty());
  // A title runs its gradient from the first colour at the top to the second at the bottom.
  auto bmp = Solid(40, 24, 0xFFFFFF);
  PaintItemBG(&sm, title, 1, Rect(0, 0, 40, 24), bmp.get(), TCacheInfo{}, Point(0, 0));
  EXPECT_EQ(Get(*bmp, 20, 0), ColorToRGB(sm.Sections[title].HotGradientArray[0].Color1));
  EXPECT_EQ(Get(*bmp, 20, 23), ColorToRGB(sm.Sections[title].HotGradientArray[0].Color2));
  // A panel: its colour inside, its border image round it.
  PaintBorders(bmp.get(), &sm, "PANEL", 0, Rect(0, 0, 40, 24), Point(0, 0), TCacheInfo{});
  const TColor face = ColorToRGB(sm.Sections[panel].Color);
  EXPECT_EQ(Get(*bmp, 20, 12), face);
  EXPECT_TRUE(Get(*bmp, 20, 0) != face && Get(*bmp, 0, 12) != face);
}

}  // namespace
}  // namespace korv::test

// The flat gauge: its invariants, the bar and the percentage, read back from a real window.
#include <gtest/gtest.h>

#include <climits>

#include "WidgetTestKit.h"
#include "widgets/TFlatGaugeUnit.h"

using namespace korv;
using namespace korv::test;

namespace {

// A gauge that counts its paints.
class TCountingGauge : public TFlatGauge {
 public:
  using TFlatGauge::TFlatGauge;
  int Paints = 0;

 protected:
  void Paint() override {
    ++Paints;
    TFlatGauge::Paint();
  }
};

class FlatGaugeTest : public TWidgetTest {
 protected:
  TCountingGauge* NewGauge(int x = 20, int y = 20) {
    auto* g = NewComponent<TCountingGauge>(Form);
    g->SetParent(Form);
    g->SetLeft(x);
    g->SetTop(y);
    return g;
  }
  // The gauge's pixels, cut from the form's client area.
  TPixelImage Pixels(TFlatGauge* g) {
    TPixelImage form = FormShot();
    TPixelImage img(g->Width(), g->Height());
    for (int y = 0; y < g->Height(); ++y)
      for (int x = 0; x < g->Width(); ++x) img.Set(x, y, form.At(g->Left() + x, g->Top() + y));
    return img;
  }
  // The rectangle the centred text takes inside the bar area, from the font's own metrics.
  TRect TextBox(TFlatGauge* g) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, g->Font()->Handle());
    const std::string t = g->PercentText();
    SIZE ext{};
    GetTextExtentPoint32A(dc, t.c_str(), static_cast<int>(t.size()), &ext);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    TRect inner{2, 2, g->Width() - 2, g->Height() - 2};
    const int left = inner.left + (RectWidth(inner) - ext.cx) / 2;
    const int top = inner.top + (RectHeight(inner) - ext.cy) / 2;
    // One pixel of slack for the system's own centring.
    return TRect{left - 1, top - 1, left + ext.cx + 1, top + ext.cy + 1};
  }
};

}  // namespace

TEST_F(FlatGaugeTest, ConstructionDefaults) {
  auto* g = NewComponent<TFlatGauge>(Form);
  EXPECT_EQ(g->Width(), 145);
  EXPECT_EQ(g->Height(), 25);
  EXPECT_EQ(g->MinValue(), 0);
  EXPECT_EQ(g->MaxValue(), 100);
  EXPECT_EQ(g->Progress(), 25);
  EXPECT_TRUE(g->ShowText());
  EXPECT_EQ(g->BarColor(), 0x996633);
  EXPECT_EQ(g->ColorBorder(), 0x8396A0);  // the constructor's, not the stored default
  EXPECT_EQ(GetPropInfo(TFlatGauge::StaticClass(), "ColorBorder")->DefaultOrd, 0x555E66);
  EXPECT_EQ(g->AdvColorBorder(), 0);
  EXPECT_TRUE(g->ParentColor());
  EXPECT_FALSE(g->Transparent());
  EXPECT_FALSE(GetPropInfo(TFlatGauge::StaticClass(), "Progress")->HasDefault) << "Progress is always stored";
}

TEST_F(FlatGaugeTest, SettersKeepTheInvariant) {
  auto* g = NewGauge();
  g->SetProgress(150);
  EXPECT_EQ(g->Progress(), 100);
  g->SetProgress(-5);
  EXPECT_EQ(g->Progress(), 0);
  g->SetMinValue(200);  // above MaxValue: MaxValue is taken, Progress follows
  EXPECT_EQ(g->MinValue(), 100);
  EXPECT_EQ(g->Progress(), 100);
  g->SetMaxValue(50);  // below MinValue
  EXPECT_EQ(g->MaxValue(), 100);
  g->SetMinValue(0);
  g->SetMaxValue(60);
  EXPECT_EQ(g->Progress(), 60);
  g->SetMinValue(10);
  g->SetProgress(5);
  EXPECT_EQ(g->Progress(), 10);
  EXPECT_THROW(g->SetAdvColorBorder(101), ERangeError);
}

TEST_F(FlatGaugeTest, SameProgressDoesNotRepaint) {
  auto* g = NewGauge();
  ShowForm();
  const int before = g->Paints;
  g->SetProgress(40);
  EXPECT_GT(g->Paints, before) << "a new value repaints at once";
  const int after = g->Paints;
  g->SetProgress(40);
  g->SetProgress(400);  // clamps to 100: a change
  EXPECT_GT(g->Paints, after);
  const int last = g->Paints;
  g->SetProgress(100);
  g->SetProgress(1000);
  PumpPending();
  EXPECT_EQ(g->Paints, last);
}

TEST_F(FlatGaugeTest, BarFrameAndGap) {
  Form->SetColor(0x80C0A0);
  auto* g = NewGauge();
  ShowForm();
  ASSERT_EQ(g->Progress(), 25);
  EXPECT_EQ(g->BarWidth(141), 35);  // trunc(141 / 100 * 25)
  EXPECT_EQ(g->PercentText(), "25 %");
  TPixelImage img = Pixels(g);
  const TColor back = RGBOf(g->Color()), bar = RGBOf(g->BarColor()), border = RGBOf(g->ColorBorder());
  const TRect text = TextBox(g);
  for (int y = 0; y < 25; ++y)
    for (int x = 0; x < 145; ++x) {
      POINT p{x, y};
      const bool frame = x == 0 || y == 0 || x == 144 || y == 24;
      const bool inBar = x >= 2 && x < 2 + 35 && y >= 2 && y < 23;
      if (frame) {
        EXPECT_EQ(img.At(x, y), border) << x << "," << y;
      } else if (!PtInRect(&text, p)) {
        EXPECT_EQ(img.At(x, y), inBar ? bar : back) << x << "," << y;
      }
    }
}

TEST_F(FlatGaugeTest, HalfOfAnOffsetRange) {
  auto* g = NewGauge();
  g->SetMaxValue(150);
  g->SetMinValue(50);
  g->SetProgress(100);
  EXPECT_EQ(g->BarWidth(141), 70);
  EXPECT_EQ(g->PercentText(), "50 %");
  ShowForm();
  TPixelImage img = Pixels(g);
  EXPECT_EQ(img.At(2 + 69, 3), RGBOf(g->BarColor()));
  EXPECT_EQ(img.At(2 + 70, 3), RGBOf(g->Color()));
}

TEST_F(FlatGaugeTest, TextOnlyWhenAskedAndInTheBackgroundColourOverTheBar) {
  auto* g = NewGauge();
  g->SetParentFont(false);
  g->Font()->SetColor(0x0000C0);
  g->SetProgress(100);  // the bar lies under the whole text
  ShowForm();
  TPixelImage img = Pixels(g);
  const TColor bar = RGBOf(g->BarColor()), back = RGBOf(g->Color());
  const TRect text = TextBox(g);
  int textPx = 0;
  for (int y = 2; y < 23; ++y)
    for (int x = 2; x < 143; ++x) {
      const TColor c = img.At(x, y);
      EXPECT_NE(c, 0x0000C0) << "no pixel in the font's colour over the bar: " << x << "," << y;
      if (c == bar) continue;
      POINT p{x, y};
      EXPECT_TRUE(PtInRect(&text, p)) << x << "," << y;
      textPx += c == back;
    }
  EXPECT_GT(textPx, 0) << "the text shows in the background colour";

  g->SetShowText(false);
  img = Pixels(g);
  for (int y = 2; y < 23; ++y)
    for (int x = 2; x < 143; ++x) ASSERT_EQ(img.At(x, y), bar) << x << "," << y;
}

TEST_F(FlatGaugeTest, TransparentShowsTheParent) {
  Form->SetColor(0x3070B0);
  auto* g = NewGauge();
  g->SetParentColor(false);
  g->SetColor(0xE0E9EF);
  g->SetShowText(false);
  g->SetTransparent(true);
  ShowForm();
  TPixelImage img = Pixels(g);
  EXPECT_EQ(img.At(1, 12), RGBOf(0x3070B0)) << "the gap shows the parent";
  EXPECT_EQ(img.At(100, 12), RGBOf(0x3070B0)) << "beyond the bar the parent shows";
  EXPECT_EQ(img.At(10, 12), RGBOf(g->BarColor()));
  EXPECT_EQ(img.At(0, 12), RGBOf(g->ColorBorder()));
  g->SetTransparent(false);
  EXPECT_EQ(Pixels(g).At(100, 12), RGBOf(0xE0E9EF));
}

// ---------------------------------------------------------------------------------------------
// Mended faults

TEST_F(FlatGaugeTest, EqualBoundsPaintAnEmptyBar) {
  auto* g = NewGauge();
  g->SetMinValue(100);
  ASSERT_EQ(g->MinValue(), g->MaxValue());
  EXPECT_EQ(g->BarWidth(141), 0);
  EXPECT_EQ(g->PercentText(), "0 %");
  g->SetShowText(false);
  ShowForm();
  TPixelImage img = Pixels(g);
  EXPECT_TRUE(img.All(Rect(1, 1, 144, 24), RGBOf(g->Color())));
}

TEST_F(FlatGaugeTest, ExtremeRangesDoNotOverflow) {
  auto* g = NewGauge();
  g->SetMinValue(INT_MIN);
  g->SetMaxValue(INT_MAX);
  g->SetProgress(0);
  // 2^31 of 2^32 - 1: just over a half.
  EXPECT_EQ(g->PercentText(), "50 %");
  EXPECT_EQ(g->BarWidth(141), 70);
  g->SetProgress(INT_MAX);
  EXPECT_EQ(g->PercentText(), "100 %");
  EXPECT_EQ(g->BarWidth(141), 141);
  g->SetProgress(INT_MIN);
  EXPECT_EQ(g->PercentText(), "0 %");
  EXPECT_EQ(g->BarWidth(141), 0);
  ShowForm();
  g->SetProgress(INT_MAX);
  EXPECT_EQ(Pixels(g).At(142, 3), RGBOf(g->BarColor()));
}

TEST_F(FlatGaugeTest, AdvancedBorderColour) {
  Form->SetColor(0x6090C0);
  auto* g = NewGauge();
  g->SetUseAdvColors(true);
  EXPECT_EQ(g->ColorBorder(), 0x8396A0) << "0 % keeps the colour";
  g->SetAdvColorBorder(40);
  EXPECT_EQ(g->ColorBorder(), ShadeColor(0x6090C0, clNone, 40, true));
  Form->SetColor(0x102030);
  EXPECT_EQ(g->ColorBorder(), ShadeColor(0x102030, clNone, 40, true));
}

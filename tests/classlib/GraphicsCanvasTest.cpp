// Colours, font, pen, brush and canvas, checked on real pixels of DIB sections.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/Graphics.h"
#include "support/Pixels.h"

namespace korv {
namespace {

using test::BitmapImage;
using test::TPixelImage;

TColor Rgb(int r, int g, int b) { return static_cast<TColor>(r | (g << 8) | (b << 16)); }

TEST(ColorTest, SystemColoursComeFromThePlatformAtRunTime) {
  const int indexes[] = {COLOR_SCROLLBAR, COLOR_BACKGROUND, COLOR_ACTIVECAPTION, COLOR_WINDOW, COLOR_WINDOWTEXT,
                         COLOR_HIGHLIGHT, COLOR_BTNFACE,    COLOR_BTNSHADOW,     COLOR_BTNTEXT, COLOR_BTNHIGHLIGHT,
                         COLOR_3DDKSHADOW, COLOR_INFOBK,    COLOR_HOTLIGHT,      COLOR_MENUBAR};
  for (int i : indexes) {
    TColor c = static_cast<TColor>(0xFF000000u | static_cast<unsigned>(i));
    EXPECT_TRUE(IsSystemColor(c));
    EXPECT_EQ(ColorToRGB(c), static_cast<TColor>(GetSysColor(i))) << "index " << i;
  }
  EXPECT_EQ(ColorToRGB(clBtnFace), static_cast<TColor>(GetSysColor(COLOR_BTNFACE)));
  EXPECT_EQ(ColorToRGB(clBtnShadow), static_cast<TColor>(GetSysColor(COLOR_BTNSHADOW)));
  EXPECT_EQ(ColorToRGB(clBtnHighlight), static_cast<TColor>(GetSysColor(COLOR_BTNHIGHLIGHT)));
  // Plain and special colours pass unchanged.
  EXPECT_EQ(ColorToRGB(0x123456), 0x123456);
  EXPECT_EQ(ColorToRGB(clFuchsia), 0xFF00FF);
  EXPECT_EQ(ColorToRGB(clNone), clNone);
  EXPECT_EQ(ColorToRGB(clDefault), clDefault);
  EXPECT_FALSE(IsSystemColor(clNone));
  EXPECT_EQ(ColorToColorRef(clNone), 0x00FFFFFFu);
}

struct TCounter {
  int Hits = 0;
  void Hit(TObject*) { ++Hits; }
};

TEST(FontTest, SizeAndHeightFollowTheResolution) {
  TFont f;
  f.SetPixelsPerInch(96);
  f.SetSize(12);
  EXPECT_EQ(f.Height(), -16);
  EXPECT_EQ(f.Size(), 12);
  f.SetPixelsPerInch(120);
  f.SetHeight(-20);
  EXPECT_EQ(f.Size(), 12);
  EXPECT_EQ(f.Color(), clWindowText);
  EXPECT_EQ(f.Style(), 0u);
  EXPECT_EQ(f.Charset(), DEFAULT_CHARSET);
}

TEST(FontTest, ChangesAreAnnouncedOnceAndOnlyWhenSomethingChanged) {
  TFont f;
  TCounter c;
  f.OnChange = TNotifyEvent(&c, &TCounter::Hit);
  f.SetName(f.Name());
  f.SetHeight(f.Height());
  f.SetStyle(f.Style());
  f.SetColor(f.Color());
  EXPECT_EQ(c.Hits, 0);
  f.SetStyle(fsBold | fsItalic);
  EXPECT_EQ(c.Hits, 1);
  EXPECT_EQ(f.Style(), fsBold | fsItalic);
  EXPECT_EQ(f.LogFont().lfWeight, FW_BOLD);
  f.SetColor(clRed);
  f.SetName("Arial");
  EXPECT_EQ(c.Hits, 3);
  TFont g;
  g.Assign(&f);
  EXPECT_EQ(g.Name(), "Arial");
  EXPECT_EQ(g.Color(), clRed);
  EXPECT_EQ(g.Style(), fsBold | fsItalic);
  TPen p;
  EXPECT_THROW(g.Assign(&p), EConvertError);
}

TEST(FontTest, TakesOverAHandleWithItsWholeLogicalFont) {
  LOGFONTA lf{};
  lf.lfHeight = -13;
  lf.lfEscapement = lf.lfOrientation = -2700;
  lf.lfWeight = FW_BOLD;
  lf.lfUnderline = 1;
  lf.lfCharSet = ANSI_CHARSET;
  strcpy(lf.lfFaceName, "Tahoma");
  HFONT h = CreateFontIndirectA(&lf);
  TFont f;
  f.SetHandle(h);
  EXPECT_EQ(f.Handle(), h);
  EXPECT_EQ(f.Name(), "Tahoma");
  EXPECT_EQ(f.Height(), -13);
  EXPECT_EQ(f.Style(), fsBold | fsUnderline);
  EXPECT_EQ(f.LogFont().lfEscapement, -2700);
  // A copy keeps the escapement; the taken handle is freed with the next change.
  TFont g;
  g.Assign(&f);
  EXPECT_EQ(g.LogFont().lfOrientation, -2700);
  f.SetSize(20);
  EXPECT_EQ(GetObjectType(h), 0u);
}

class CanvasTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Bmp.SetSize(40, 30);
    Bmp.Canvas()->Brush()->SetColor(clWhite);
    Bmp.Canvas()->FillRect(Rect(0, 0, 40, 30));
  }
  TBitmap Bmp;
  TCanvas* C() { return Bmp.Canvas(); }
};

TEST_F(CanvasTest, FillRectAndPixelsUseTheRunTimeSystemColour) {
  C()->Brush()->SetColor(clBtnFace);
  C()->FillRect(Rect(5, 5, 15, 10));
  TPixelImage img = BitmapImage(Bmp);
  TColor face = static_cast<TColor>(GetSysColor(COLOR_BTNFACE));
  EXPECT_TRUE(img.All(Rect(5, 5, 15, 10), face));
  EXPECT_EQ(img.Count(Rect(0, 0, 40, 30), face), 50);
  EXPECT_EQ(C()->Pixels(5, 5), face);
  C()->SetPixels(0, 0, clBtnShadow);
  EXPECT_EQ(BitmapImage(Bmp).At(0, 0), static_cast<TColor>(GetSysColor(COLOR_BTNSHADOW)));
  EXPECT_EQ(C()->ClipRect().right, 40);
  EXPECT_EQ(C()->ClipRect().bottom, 30);
}

TEST_F(CanvasTest, PolylineLeavesOutItsLastPointAndRectangleFramesWithThePen) {
  C()->Pen()->SetColor(clRed);
  std::vector<TPoint> pts = {Point(2, 8), Point(2, 2), Point(8, 2)};
  C()->Polyline(pts);
  TPixelImage img = BitmapImage(Bmp);
  EXPECT_EQ(img.At(2, 8), clRed);  // the start point is drawn
  EXPECT_EQ(img.At(2, 7), clRed);
  EXPECT_EQ(img.At(2, 2), clRed);
  EXPECT_EQ(img.At(7, 2), clRed);
  EXPECT_EQ(img.At(8, 2), clWhite);  // the end point is left out

  C()->Pen()->SetColor(clBlue);
  C()->Brush()->SetColor(clLime);
  C()->Rectangle(10, 10, 20, 18);
  img = BitmapImage(Bmp);
  EXPECT_EQ(img.At(10, 10), clBlue);
  EXPECT_EQ(img.At(19, 17), clBlue);
  EXPECT_EQ(img.At(20, 17), clWhite);
  EXPECT_TRUE(img.All(Rect(11, 11, 19, 17), clLime));

  C()->Pen()->SetStyle(psClear);
  C()->Brush()->SetColor(clYellow);
  C()->Rectangle(22, 2, 30, 8);
  img = BitmapImage(Bmp);
  EXPECT_EQ(img.At(22, 2), clYellow);  // no outline: the brush reaches the top-left edge
  EXPECT_EQ(img.Count(Rect(22, 2, 30, 8), clBlue), 0);
}

TEST_F(CanvasTest, NotAndXorPenModesUndoThemselves) {
  C()->Brush()->SetColor(Rgb(10, 200, 30));
  C()->FillRect(Rect(0, 0, 40, 30));
  TPixelImage before = BitmapImage(Bmp);
  C()->Pen()->SetMode(pmNot);
  C()->MoveTo(0, 5);
  C()->LineTo(40, 5);
  TPixelImage once = BitmapImage(Bmp);
  EXPECT_EQ(once.At(10, 5), Rgb(245, 55, 225));
  C()->MoveTo(0, 5);
  C()->LineTo(40, 5);
  TPixelImage twice = BitmapImage(Bmp);
  EXPECT_EQ(twice.At(10, 5), before.At(10, 5));

  C()->Pen()->SetMode(pmXor);
  C()->Pen()->SetColor(Rgb(0xFF, 0x0F, 0xF0));
  C()->MoveTo(3, 0);
  C()->LineTo(3, 30);
  EXPECT_EQ(C()->Pixels(3, 12), Rgb(10 ^ 0xFF, 200 ^ 0x0F, 30 ^ 0xF0));
  C()->MoveTo(3, 0);
  C()->LineTo(3, 30);
  EXPECT_EQ(C()->Pixels(3, 12), Rgb(10, 200, 30));
}

// The canvas's metrics equal the platform's for the same font.
TEST_F(CanvasTest, TextMetricsMatchGetTextExtentPoint32) {
  const std::string samples[] = {"W", "Hello, world", "iiiii", "MMMMM", ""};
  for (int style = 0; style < 2; ++style) {
    C()->Font()->SetName("Arial");
    C()->Font()->SetSize(10 + 4 * style);
    C()->Font()->SetStyle(style ? TFontStyles{fsBold} : TFontStyles{0});
    TUniqueDC dc(CreateCompatibleDC(nullptr));
    TSelectGuard sel(dc.Get(), C()->Font()->Handle());
    for (const std::string& s : samples) {
      SIZE expected{};
      GetTextExtentPoint32A(dc.Get(), s.c_str(), static_cast<int>(s.size()), &expected);
      TSize got = C()->TextExtent(s);
      EXPECT_EQ(got.cx, expected.cx) << s;
      EXPECT_EQ(got.cy, expected.cy) << s;
      EXPECT_EQ(C()->TextWidth(s), expected.cx);
      EXPECT_EQ(C()->TextHeight(s), expected.cy);
    }
  }
  // A bigger font measures wider.
  C()->Font()->SetSize(8);
  int small = C()->TextWidth("Hello");
  C()->Font()->SetSize(20);
  EXPECT_GT(C()->TextWidth("Hello"), small);
  TRect r = Rect(0, 0, 1000, 0);
  C()->DrawTextRect("Hello", r, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_EQ(RectWidth(r), C()->TextWidth("Hello"));
}

TEST_F(CanvasTest, TextIsOpaqueWithASolidBrushAndTransparentWithAClearOne) {
  C()->Font()->SetName("Arial");
  C()->Font()->SetSize(12);
  C()->Font()->SetColor(clBlack);
  TSize ext = C()->TextExtent("Wy");
  C()->Brush()->SetColor(clYellow);
  C()->TextOut(2, 2, "Wy");
  TPixelImage img = BitmapImage(Bmp);
  TRect box = Bounds(2, 2, ext.cx, ext.cy);
  EXPECT_EQ(img.Count(box, clWhite), 0);  // the whole cell got the brush (or ink)
  EXPECT_GT(img.Count(box, clYellow), 0);
  EXPECT_EQ(C()->PenPos().x, 2 + ext.cx);

  SetUp();
  C()->Brush()->SetStyle(bsClear);
  C()->TextOut(2, 16, "Wy");
  img = BitmapImage(Bmp);
  TRect box2 = Bounds(2, 16, ext.cx, ext.cy);
  EXPECT_EQ(img.Count(box2, clYellow), 0);
  EXPECT_GT(img.Count(box2, clWhite), 0);
  EXPECT_LT(img.Count(box2, clWhite), ext.cx * ext.cy);  // some ink landed

  // TextRect clips: nothing changes outside its rectangle.
  SetUp();
  C()->Brush()->SetColor(clYellow);
  C()->TextRect(Rect(5, 5, 12, 12), 0, 0, "WWWWWWWW");
  img = BitmapImage(Bmp);
  EXPECT_EQ(img.Count(Rect(0, 0, 40, 30), clWhite) - img.Count(Rect(5, 5, 12, 12), clWhite), 40 * 30 - 7 * 7);
  EXPECT_GT(img.Count(Rect(5, 5, 12, 12), clYellow), 0);
}

TEST_F(CanvasTest, PatternBrushAndHatchesPaintWithTheBitmap) {
  TBitmap pattern(8, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) pattern.Canvas()->SetPixels(x, y, ((x + y) & 1) ? clRed : clBlue);
  C()->Brush()->SetBitmap(&pattern);
  C()->FillRect(Rect(0, 0, 16, 16));
  TPixelImage img = BitmapImage(Bmp);
  EXPECT_EQ(img.Count(Rect(0, 0, 16, 16), clRed), 128);
  EXPECT_EQ(img.Count(Rect(0, 0, 16, 16), clBlue), 128);
  EXPECT_NE(img.At(0, 0), img.At(1, 0));
  C()->Brush()->SetBitmap(nullptr);
  C()->Brush()->SetColor(clGreen);
  C()->Brush()->SetStyle(bsCross);
  C()->FillRect(Rect(20, 0, 40, 20));
  img = BitmapImage(Bmp);
  EXPECT_GT(img.Count(Rect(20, 0, 40, 20), clGreen), 0);
  EXPECT_GT(img.Count(Rect(20, 0, 40, 20), clWhite), 0);  // hatches are transparent between lines
}

TEST_F(CanvasTest, CopyRectAndStretchDraw) {
  TBitmap src(2, 2);
  src.Canvas()->SetPixels(0, 0, clRed);
  src.Canvas()->SetPixels(1, 0, clLime);
  src.Canvas()->SetPixels(0, 1, clBlue);
  src.Canvas()->SetPixels(1, 1, clYellow);
  C()->StretchDraw(Rect(10, 10, 14, 14), &src);
  TPixelImage img = BitmapImage(Bmp);
  EXPECT_TRUE(img.All(Rect(10, 10, 12, 12), clRed));
  EXPECT_TRUE(img.All(Rect(12, 10, 14, 12), clLime));
  EXPECT_TRUE(img.All(Rect(10, 12, 12, 14), clBlue));
  EXPECT_TRUE(img.All(Rect(12, 12, 14, 14), clYellow));
  C()->Draw(0, 0, &src);
  EXPECT_EQ(C()->Pixels(1, 1), clYellow);

  C()->CopyRect(Rect(20, 20, 22, 22), src.Canvas(), Rect(0, 0, 2, 2));
  EXPECT_EQ(C()->Pixels(21, 20), clLime);
  C()->SetCopyMode(SRCINVERT);
  C()->CopyRect(Rect(20, 20, 22, 22), src.Canvas(), Rect(0, 0, 2, 2));
  EXPECT_EQ(C()->Pixels(21, 20), clBlack);  // x ^ x
  C()->SetCopyMode(SRCCOPY);
  // Draw honours the copy mode too.
  C()->SetCopyMode(NOTSRCCOPY);
  C()->Draw(30, 0, &src);
  EXPECT_EQ(C()->Pixels(30, 0), clAqua);  // not red
  C()->SetCopyMode(SRCCOPY);
}

TEST_F(CanvasTest, TransparentBitmapsLeaveTheirBottomLeftColourOut) {
  TBitmap glyph(4, 4);
  glyph.Canvas()->Brush()->SetColor(clFuchsia);
  glyph.Canvas()->FillRect(Rect(0, 0, 4, 4));
  glyph.Canvas()->SetPixels(1, 1, clNavy);
  EXPECT_EQ(glyph.TransparentColor(), clFuchsia);
  glyph.SetTransparent(true);
  C()->Draw(0, 0, &glyph);
  TPixelImage img = BitmapImage(Bmp);
  EXPECT_EQ(img.At(1, 1), clNavy);
  EXPECT_EQ(img.Count(Rect(0, 0, 4, 4), clWhite), 15);
  // A fixed transparent colour replaces the automatic one; clDefault goes back.
  glyph.SetTransparentColor(clNavy);
  EXPECT_EQ(glyph.TransparentColor(), clNavy);
  C()->Draw(10, 0, &glyph);
  img = BitmapImage(Bmp);
  EXPECT_EQ(img.At(11, 1), clWhite);
  EXPECT_EQ(img.At(10, 0), clFuchsia);
  glyph.SetTransparentColor(clDefault);
  EXPECT_EQ(glyph.TransparentColor(), clFuchsia);
}

// A canvas over a DC it does not own puts the DC's own objects back when it lets go.
TEST(CanvasHandleTest, ObjectsAreDeselectedWhenTheHandleChanges) {
  TUniqueDC dc(CreateCompatibleDC(nullptr));
  HGDIOBJ font0 = GetCurrentObject(dc.Get(), OBJ_FONT);
  HGDIOBJ pen0 = GetCurrentObject(dc.Get(), OBJ_PEN);
  HGDIOBJ brush0 = GetCurrentObject(dc.Get(), OBJ_BRUSH);
  {
    TCanvas canvas;
    EXPECT_THROW((void)canvas.Handle(), EInvalidOperation);
    canvas.SetHandle(dc.Get());
    canvas.Font()->SetName("Arial");
    canvas.Brush()->SetColor(clRed);
    (void)canvas.TextWidth("x");
    canvas.Rectangle(0, 0, 1, 1);
    EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_FONT), canvas.Font()->Handle());
    EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_PEN), canvas.Pen()->Handle());
    EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_BRUSH), canvas.Brush()->Handle());
    // A change deselects the old font before deleting it, and the next use selects the new one.
    HFONT old = canvas.Font()->Handle();
    canvas.Font()->SetSize(30);
    EXPECT_EQ(GetObjectType(old), 0u);
    EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_FONT), font0);
    (void)canvas.TextWidth("x");
    EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_FONT), canvas.Font()->Handle());
    canvas.SetHandle(nullptr);
    EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_FONT), font0);
    EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_PEN), pen0);
    EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_BRUSH), brush0);
    canvas.SetHandle(dc.Get());
    canvas.FillRect(Rect(0, 0, 1, 1));
  }  // destruction lets go too
  EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_BRUSH), brush0);
}

// A derived canvas obtains its DC on demand.
class TOnDemandCanvas : public TCanvas {
 public:
  explicit TOnDemandCanvas(HDC dc) : Dc(dc) {}
  int Created = 0;

 protected:
  void CreateHandle() override {
    ++Created;
    SetHandle(Dc);
  }

 private:
  HDC Dc;
};

TEST(CanvasHandleTest, DerivedCanvasCreatesItsHandleOnFirstUse) {
  TBitmap target(5, 5);
  HDC dc = target.Canvas()->Handle();
  TOnDemandCanvas canvas(dc);
  EXPECT_FALSE(canvas.HandleAllocated());
  canvas.Brush()->SetColor(clRed);
  canvas.FillRect(Rect(0, 0, 5, 5));
  canvas.FillRect(Rect(0, 0, 2, 2));
  EXPECT_EQ(canvas.Created, 1);
  canvas.SetHandle(nullptr);
  EXPECT_EQ(target.Canvas()->Pixels(4, 4), clRed);
}

TEST(CanvasHandleTest, LockNests) {
  TCanvas canvas;
  canvas.Lock();
  canvas.Lock();
  EXPECT_EQ(canvas.LockCount(), 2);
  EXPECT_TRUE(canvas.TryLock());
  canvas.Unlock();
  canvas.Unlock();
  canvas.Unlock();
  EXPECT_EQ(canvas.LockCount(), 0);
}

TEST(CanvasHandleTest, DrawingOnABitmapAnnouncesTheChange) {
  TBitmap bmp(3, 3);
  TCounter c;
  bmp.OnChange = TNotifyEvent(&c, &TCounter::Hit);
  bmp.Canvas()->FillRect(Rect(0, 0, 3, 3));
  EXPECT_GE(c.Hits, 1);
  EXPECT_TRUE(bmp.Modified());
}

// Many create/paint/destroy cycles leave the process's GDI object count where it was.
TEST(GdiLeakTest, PaintingCyclesLeaveNoGdiObjects) {
  auto cycle = [](int i) {
    TBitmap bmp(32 + i % 5, 24);
    TCanvas* c = bmp.Canvas();
    c->Font()->SetName(i % 2 ? "Arial" : "Tahoma");
    c->Font()->SetSize(8 + i % 7);
    c->Font()->SetStyle(i % 3 ? fsBold : fsItalic);
    c->Pen()->SetColor(Rgb(i, 0, 0));
    c->Pen()->SetWidth(1 + i % 3);
    c->Brush()->SetColor(clBtnFace);
    c->FillRect(Rect(0, 0, 10, 10));
    c->Rectangle(2, 2, 20, 20);
    c->Ellipse(0, 0, 9, 9);
    c->TextOut(1, 1, "Text");
    (void)c->TextWidth("Text");
    TBitmap pattern(8, 8);
    c->Brush()->SetBitmap(&pattern);
    c->FillRect(Rect(0, 0, 30, 20));
    c->Brush()->SetBitmap(nullptr);
    c->Brush()->SetStyle(bsDiagCross);
    c->FillRect(Rect(0, 0, 30, 20));
    TBitmap copy;
    copy.Assign(&bmp);
    copy.SetTransparent(true);
    c->Draw(3, 3, &copy);
    c->StretchDraw(Rect(0, 0, 7, 7), &copy);
    TMemoryStream ms;
    bmp.SaveToStream(ms);
    ms.SetPosition(0);
    copy.LoadFromStream(ms);
    copy.SetSize(50, 50);
    TFont f;
    f.SetHandle(CreateFontA(-12, 0, 900, 900, 400, 0, 0, 0, 0, 0, 0, 0, 0, "Arial"));
    c->SetFont(&f);
    c->TextOut(0, 10, "x");
    TWindowDC screen = TWindowDC::Client(nullptr);
    TCanvas sc;
    sc.SetHandle(screen.Get());
    (void)sc.TextExtent("abc");
    (void)sc.Pixels(0, 0);
    sc.SetHandle(nullptr);
  };
  for (int i = 0; i < 5; ++i) cycle(i);  // warm-up: caches, stock objects
  DWORD before = test::GdiObjectCount();
  ASSERT_GT(before, 0u);
  {  // the count sees a leak
    TUniqueBrush probe(CreateSolidBrush(0));
    ASSERT_EQ(test::GdiObjectCount(), before + 1);
  }
  for (int i = 0; i < 400; ++i) cycle(i);
  EXPECT_EQ(test::GdiObjectCount(), before);
}

}  // namespace
}  // namespace korv

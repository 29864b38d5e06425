// The skinned non-client area, read back as pixels: the composition in the cache (frame, title,
// grip, inactive and iconic looks, a borderless form), the strips on a window through PrintWindow
// and on the screen, the window region at the skin's key-colour corners, and the project's own
// skin on a shown form.
#include <gtest/gtest.h>

#include "ProviderKit.h"
#include "skin/core/sMessages.h"
#include "skin/data/sSkinConvert.h"
#include "skin/data/sStoredSkins.h"
#include "skin/paint/sStyleSimply.h"

namespace korv::test {
namespace {

class SkinProviderPaintTest : public TProviderTest {
 protected:
  // A shown skinned form, its non-client area painted through the provider.
  TForm* ShowSkinnedForm(TBorderStyle style = bsSizeable, int w = 300, int h = 200) {
    TForm* form = NewSkinnedForm(style, 100, 100, w, h);
    form->SetCaption("");
    Painter = std::make_unique<TNonClientPainter>(form, ProviderOf(form));
    form->Show();
    RedrawWindow(form->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_TRUE(PumpUntil([&] { return Painter->Paints > 0; }));
    PumpPending();
    return form;
  }
  // Composes the image again and reads the cache.
  static TPixelImage Compose(TsSkinProvider* p) {
    p->SkinData()->BGChanged = true;
    p->RebuildRequested = true;
    p->PaintAll();
    return BitmapImage(*p->SkinData()->CacheBmp);
  }
  void TearDown() override {
    Painter.reset();
    TProviderTest::TearDown();
  }
  std::unique_ptr<TNonClientPainter> Painter;
};

TEST_F(SkinProviderPaintTest, TheCacheHoldsTheFrameTitleAndGripOfTheSkin) {
  LoadTestSkin();
  TForm* form = ShowSkinnedForm();
  TsSkinProvider* p = ProviderOf(form);
  p->SetGripMode(gmRightBottom);
  TPixelImage img = Compose(p);
  const TsFormFrame f = p->Frame();
  ASSERT_EQ(img.Width(), f.FormWidth());
  ASSERT_EQ(img.Height(), form->Height());
  const int w = img.Width(), h = img.Height(), title = f.TitleHeight();
  EXPECT_TRUE(p->ImageComposed);
  EXPECT_FALSE(p->SkinData()->BGChanged);
  // The frame image's ring on every side, the section's colour inside it.
  EXPECT_EQ(img.At(0, h / 2), kFrameActive);
  EXPECT_EQ(img.At(w - 1, h / 2), kFrameActive);
  EXPECT_EQ(img.At(w / 2, h - 1), kFrameActive);
  EXPECT_EQ(img.At(1, h / 2), kFormColor);
  // The title over the caption and top frame rows, with its own ring.
  EXPECT_EQ(img.At(w / 2, 0), kTitleFrame);
  EXPECT_EQ(img.At(w - 30, title / 2), kTitleColor);
  EXPECT_EQ(img.At(w / 2, title - 1), kTitleFrame);
  EXPECT_EQ(img.At(w / 2, title + 2), kFormColor);
  // The grip inside the bottom-right frame.
  const TRect grip = Bounds(w - 6 - f.SysBorderWidth(), h - 6 - f.SysBorderHeight(), 6, 6);
  EXPECT_TRUE(img.All(grip, kGripColor));
  EXPECT_EQ(img.At(grip.left - 1, grip.top + 2), kFormColor);
  // Key-colour corner pixels never reach the image: they show what lies beneath.
  EXPECT_EQ(img.Count(Rect(0, 0, w, h), kKey), 0);

  // An inactive form takes the other state of every part.
  p->FormActive = false;
  img = Compose(p);
  EXPECT_EQ(img.At(0, h / 2), kFrameInactive);
  EXPECT_EQ(img.At(w - 30, title / 2), kTitleHotColor);
  EXPECT_EQ(img.At(1, h / 2), kFormHotColor);
}

TEST_F(SkinProviderPaintTest, ButtonStripAndCaptionStayInsideTheirPlaces) {
  LoadTestSkin();
  TForm* form = ShowSkinnedForm();
  TsSkinProvider* p = ProviderOf(form);
  form->SetCaption(std::string(200, 'W'));
  const TPixelImage img = Compose(p);
  const TsFormFrame f = p->Frame();
  // The strip under the buttons comes from the window's right edge: its last column is the
  // title's ring there.
  const TPixelImage strip = BitmapImage(*p->ButtonsBackground);
  ASSERT_EQ(strip.Width(), p->ButtonsWidth() + f.SysBorderWidth());
  for (int y = 0; y < strip.Height(); ++y)
    for (int x = 0; x < strip.Width(); ++x)
      ASSERT_EQ(strip.At(x, y), img.At(f.FormWidth() - strip.Width() + x, y)) << x << "," << y;
  // A caption too long for the title is cut before the caption buttons' place.
  const TRect text = CaptionTextRect(f, p->IconVisible(), p->IconWidth(), p->ButtonsWidth());
  EXPECT_GT(img.Count(text, kTitleColor), 0);
  EXPECT_LT(img.Count(text, kTitleColor), RectWidth(text) * RectHeight(text));  // text is there
  EXPECT_TRUE(img.All(Rect(text.right, text.top + 2, f.FormWidth() - f.SysBorderWidth() - 1, text.bottom - 2),
                      kTitleColor));
}

TEST_F(SkinProviderPaintTest, IconicAndBorderlessFormsComposeOnlyTheirParts) {
  LoadTestSkin();
  TForm* form = ShowSkinnedForm();
  TsSkinProvider* p = ProviderOf(form);
  ShowWindow(form->Handle(), SW_MINIMIZE);
  ASSERT_TRUE(PumpUntil([&] { return IsIconic(form->Handle()) != FALSE; }));
  TPixelImage img = Compose(p);
  const TsFormFrame f = p->Frame();
  ASSERT_TRUE(f.Iconic);
  // While iconic the title takes the whole image: the row below the caption is the title's too.
  if (img.Height() > f.TitleHeight() + 1) {
    EXPECT_EQ(img.At(img.Width() - 30, f.TitleHeight()), kTitleColor);
  }
  ShowWindow(form->Handle(), SW_RESTORE);
  Painter.reset();

  // A borderless form gets the section's background only, and strips as wide as its BorderWidth.
  TForm* bare = NewSkinnedForm(bsNone, 100, 100, 200, 120);
  bare->SetBorderWidth(3);
  bare->Show();
  TsSkinProvider* b = ProviderOf(bare);
  img = Compose(b);
  EXPECT_TRUE(img.All(Rect(0, 0, 200, 120), kFormColor));
  TBitmap target(200, 120);
  const TColor sentinel = 0x00123456;
  FillDC(target.Canvas()->Handle(), Rect(0, 0, 200, 120), sentinel);
  b->PaintToWindow(target.Canvas()->Handle());
  const TPixelImage out = BitmapImage(target);
  EXPECT_EQ(out.At(2, 60), kFormColor);
  EXPECT_EQ(out.At(3, 60), sentinel);
  EXPECT_EQ(out.At(197, 60), kFormColor);
  EXPECT_EQ(out.At(196, 60), sentinel);
  EXPECT_EQ(out.At(100, 117), kFormColor);
  EXPECT_EQ(out.At(100, 116), sentinel);
  EXPECT_EQ(out.At(100, 0), sentinel);  // no header
}

// The non-client strips of the window equal the cache, through PrintWindow and on the screen.
TEST_F(SkinProviderPaintTest, TheWindowShowsTheCacheInItsNonClientStrips) {
  LoadTestSkin();
  TForm* form = ShowSkinnedForm();
  TsSkinProvider* p = ProviderOf(form);
  const TPixelImage cache = BitmapImage(*p->SkinData()->CacheBmp);
  const TsFormFrame f = p->Frame();
  auto inStrips = [&](int x, int y) {
    return y < f.HeaderHeight() || x < f.SysBorderWidth() || x >= f.FormWidth() - f.SysBorderWidth() ||
           y >= f.Height - f.SysBorderHeight();
  };
  const TPixelImage printed = PrintWindowImage(form->Handle());
  const TPixelImage screen = CaptureWindow(form->Handle());
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(form->Handle(), rgn), ERROR);
  int compared = 0;
  for (int y = 0; y < cache.Height(); ++y)
    for (int x = 0; x < cache.Width(); ++x) {
      if (!inStrips(x, y)) continue;
      if (!PtInRegion(rgn, x, y)) continue;  // cut corners show what lies beneath
      ASSERT_EQ(printed.At(x, y), cache.At(x, y)) << "printed " << x << "," << y;
      ASSERT_EQ(screen.At(x, y), cache.At(x, y)) << "screen " << x << "," << y;
      ++compared;
    }
  DeleteObject(rgn);
  EXPECT_GT(compared, 2 * f.FormWidth());
}

TEST_F(SkinProviderPaintTest, TheRegionIsCutAtTheKeyColourCorners) {
  LoadTestSkin();
  TForm* form = ShowSkinnedForm();
  HWND wnd = form->Handle();
  RECT wr{};
  GetWindowRect(wnd, &wr);
  const int w = RectWidth(wr), h = RectHeight(wr);
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  ASSERT_EQ(GetWindowRgn(wnd, rgn), COMPLEXREGION);
  // Each corner's notch, mirrored from the top-left one; the title's notches lie over the frame's.
  for (int y = 0; y < kCell; ++y)
    for (int x = 0; x < kCell; ++x) {
      const bool cut = NotchPixel(x, y);
      const TPoint corners[] = {{x, y}, {w - 1 - x, y}, {x, h - 1 - y}, {w - 1 - x, h - 1 - y}};
      for (const TPoint& c : corners) {
        EXPECT_EQ(PtInRegion(rgn, c.x, c.y) != FALSE, !cut) << c.x << "," << c.y;
        EXPECT_EQ(WindowFromPoint(Point(wr.left + c.x, wr.top + c.y)) == wnd, !cut) << c.x << "," << c.y;
      }
    }
  DeleteObject(rgn);
}

TEST_F(SkinProviderPaintTest, AFormMayKeepItsOwnRegionAndTheProviderNeverLeavesItEmpty) {
  LoadTestSkin();
  TForm* form = NewSkinnedForm();
  TsSkinProvider* p = ProviderOf(form);
  form->Show();
  HWND wnd = form->Handle();
  // Before the first composition a form that answers the region query keeps its region.
  struct TKeeper {
    TWndMethod Saved;
    void Proc(TMessage& m) {
      if (m.Msg == WM_SKINREGIONQUERY && m.WParam == kRegionKept)
        m.Result = kRegionKept;
      else
        Saved(m);
    }
  } keeper{form->WindowProc};
  form->WindowProc = TWndMethod(&keeper, &TKeeper::Proc);
  SetWindowRgn(wnd, CreateEllipticRgn(0, 0, 300, 200), FALSE);
  p->ImageComposed = false;
  p->RegionList = {Rect(0, 0, 50, 50)};
  p->UpdateRgn();
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  GetWindowRgn(wnd, rgn);
  EXPECT_FALSE(PtInRegion(rgn, 1, 1));    // the ellipse's corner, not the provider's cut
  EXPECT_TRUE(PtInRegion(rgn, 150, 10));  // the ellipse
  EXPECT_FALSE(p->InRegionUpdate);
  form->WindowProc = keeper.Saved;

  // Once composed, the provider's region; cuts over the whole window leave the whole window.
  p->ImageComposed = true;
  const DWORD objects = GdiObjectCount();
  for (int i = 0; i < 20; ++i) {
    p->RegionList = {Rect(0, 0, 400, 300)};
    p->UpdateRgn();
    p->InRegionUpdate = false;
  }
  EXPECT_EQ(GdiObjectCount(), objects);  // temporaries freed; the window's region replaced
  ASSERT_NE(GetWindowRgn(wnd, rgn), ERROR);
  EXPECT_TRUE(PtInRegion(rgn, 1, 1));
  EXPECT_TRUE(PtInRegion(rgn, 299, 199));
  DeleteObject(rgn);
}

TEST_F(SkinProviderPaintTest, FullRedrawAndTheRegionNeverMakeAWindow) {
  LoadTestSkin();
  TForm* form = NewSkinnedForm();
  TsSkinProvider* p = ProviderOf(form);
  p->SkinData()->BGChanged = false;
  p->RebuildRequested = false;
  p->MenuLineCount = 2;
  p->FullRedraw();
  p->UpdateRgn();
  EXPECT_FALSE(form->HandleAllocated());
  EXPECT_TRUE(p->SkinData()->BGChanged && p->RebuildRequested);
  EXPECT_EQ(p->MenuLineCount, -1);
}

// The project's own skin on a shown form: the title bar and the borders on the screen are the
// composed image, and the window is cut at the skin's rounded corners.
TEST_F(SkinProviderPaintTest, TheProjectSkinShowsItsTitleAndBordersCutAtTheCorners) {
  Manager = std::make_unique<TsSkinManager>(nullptr);
  ReadStoredSkinsResource(GetModuleHandleA(nullptr), sInternalSkinResource, *Manager->InternalSkins());
  Manager->SetSkinName(Manager->InternalSkins()->Items(0)->Name());
  ASSERT_TRUE(Manager->SkinData.Active);
  TForm* form = NewSkinnedForm(bsSizeable, 200, 150, 360, 240);
  TsSkinProvider* p = ProviderOf(form);
  // As the program's forms carry it.
  p->SetCaptionAlignment(taCenter);
  p->SetShowAppIcon(false);
  p->SetTitleSkin("FORMTITLE");
  form->SetCaption("Korvani");
  Painter = std::make_unique<TNonClientPainter>(form, p);
  form->Show();
  ASSERT_TRUE(PumpUntil([&] { return Painter->Paints > 0; }));
  RedrawWindow(form->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
  PumpPending();

  HWND wnd = form->Handle();
  RECT wr{};
  GetWindowRect(wnd, &wr);
  const TPixelImage cache = BitmapImage(*p->SkinData()->CacheBmp);
  const TPixelImage screen = CaptureScreen(wr);
  const TsFormFrame f = p->Frame();
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  ASSERT_EQ(GetWindowRgn(wnd, rgn), COMPLEXREGION);
  int title = 0, border = 0, cut = 0;
  for (int y = 0; y < cache.Height(); ++y)
    for (int x = 0; x < cache.Width(); ++x) {
      const bool inTitle = y < f.HeaderHeight();
      const bool inBorder = x < f.SysBorderWidth() || x >= f.FormWidth() - f.SysBorderWidth() ||
                            y >= f.Height - f.SysBorderHeight();
      if (!inTitle && !inBorder) continue;
      if (!PtInRegion(rgn, x, y)) {
        ++cut;
        continue;
      }
      ASSERT_EQ(screen.At(x, y), cache.At(x, y)) << x << "," << y;
      ++(inTitle ? title : border);
    }
  DeleteObject(rgn);
  EXPECT_GT(title, f.FormWidth() * (f.HeaderHeight() - 2));
  EXPECT_GT(border, 2 * f.Height);
  EXPECT_GT(cut, 4);  // rounded title corners
  // The cut corner is not the form's: what lies beneath shows and takes the pointer.
  EXPECT_NE(WindowFromPoint(Point(wr.left, wr.top)), wnd);
  EXPECT_NE(WindowFromPoint(Point(wr.right - 1, wr.top)), wnd);
  EXPECT_EQ(WindowFromPoint(Point((wr.left + wr.right) / 2, wr.top + 1)), wnd);
}

}  // namespace
}  // namespace korv::test

// The skinned non-client area as pixels: the composition in the cache, the strips on the window
// (PrintWindow and the screen), the window region at the key-colour corners, and the project's
// own skin on a shown form.
#include <gtest/gtest.h>

#include "ProviderKit.h"
#include "skin/data/sSkinConvert.h"
#include "skin/paint/sStyleSimply.h"

namespace korv::test {
namespace {

using SkinProviderPaintTest = TProviderTest;

// The window as the screen shows it once the middle of its frame's top, side and bottom shows
// the cache (the screen follows a window's painting with a delay).
TPixelImage ScreenOnceFrameShown(HWND wnd, const TPixelImage& cache) {
  const int w = cache.Width(), h = cache.Height();
  return CaptureWhen(wnd, false, [&](const TPixelImage& s) {
    return s.At(w / 2, 1) == cache.At(w / 2, 1) && s.At(0, h / 2) == cache.At(0, h / 2) &&
           s.At(w / 2, h - 1) == cache.At(w / 2, h - 1);
  });
}

TEST_F(SkinProviderPaintTest, TheCacheHoldsFrameTitleGripAndButtonStripInBothStates) {
  LoadTestSkin();
  TForm* form = ShowSkinnedForm();
  TsSkinProvider* p = ProviderOf(form);
  p->SetGripMode(gmRightBottom);
  form->SetCaption(std::string(200, 'W'));
  TPixelImage img = Compose(p);
  const TsFormFrame f = p->Frame();
  const int w = f.FormWidth(), h = form->Height(), title = f.TitleHeight();
  ASSERT_TRUE(img.Width() == w && img.Height() == h);
  EXPECT_TRUE(p->ImageComposed && !p->SkinData()->BGChanged);
  EXPECT_EQ(img.At(0, h / 2), kFrameActive);  // the frame's ring on the sides and bottom
  EXPECT_EQ(img.At(w - 1, h / 2), kFrameActive);
  EXPECT_EQ(img.At(w / 2, h - 1), kFrameActive);
  EXPECT_EQ(img.At(1, h / 2), kFormColor);
  EXPECT_EQ(img.At(w / 2, 0), kTitleFrame);  // the title over caption and top frame
  EXPECT_EQ(img.At(w - 30, title / 2), kTitleColor);
  EXPECT_EQ(img.At(w / 2, title + 2), kFormColor);
  EXPECT_TRUE(img.All(Bounds(w - 6 - f.SysBorderWidth(), h - 6 - f.SysBorderHeight(), 6, 6), kGripColor));
  EXPECT_EQ(img.Count(Rect(0, 0, w, h), kKey), 0);  // key-colour corners show what lies beneath
  const TRect icon = p->IconRect();                  // an icon is drawn in its place
  EXPECT_LT(img.Count(icon, kTitleColor), RectWidth(icon) * RectHeight(icon));
  // The strip under the caption buttons comes from the window's right edge.
  const TPixelImage strip = BitmapImage(*p->ButtonsBackground);
  ASSERT_EQ(strip.Width(), p->ButtonsWidth() + f.SysBorderWidth());
  for (int y = 0; y < strip.Height(); ++y)
    for (int x = 0; x < strip.Width(); ++x) ASSERT_EQ(strip.At(x, y), img.At(w - strip.Width() + x, y)) << x;
  // A caption too long for the title is cut before the buttons' place.
  const TRect text = CaptionTextRect(f, p->IconVisible(), p->IconWidth(), p->ButtonsWidth());
  EXPECT_LT(img.Count(text, kTitleColor), RectWidth(text) * RectHeight(text));
  EXPECT_TRUE(img.All(Rect(text.right, text.top + 2, w - f.SysBorderWidth() - 1, text.bottom - 2), kTitleColor));

  p->FormActive = false;  // an inactive form takes the other state of every part
  img = Compose(p);
  EXPECT_EQ(img.At(0, h / 2), kFrameInactive);
  EXPECT_EQ(img.At(1, h / 2), kFormHotColor);
  EXPECT_EQ(img.At(w - 30, title / 2), kTitleHotColor);

  ShowWindow(form->Handle(), SW_MINIMIZE);  // iconic: the title takes the whole image
  ASSERT_TRUE(PumpUntil([&] { return IsIconic(form->Handle()) != FALSE; }));
  img = Compose(p);
  EXPECT_EQ(img.At(img.Width() - 30, title / 2), kTitleHotColor);
  EXPECT_EQ(img.At(img.Width() - 30, img.Height() - 1), kTitleFrame);
}

TEST_F(SkinProviderPaintTest, ABorderlessFormGetsItsBackgroundInStripsOfItsBorderWidth) {
  LoadTestSkin();
  TForm* form = NewSkinnedForm(bsNone, 200, 120);
  form->SetBorderWidth(3);
  form->Show();
  TsSkinProvider* p = ProviderOf(form);
  EXPECT_TRUE(Compose(p).All(Rect(0, 0, 200, 120), kFormColor));
  TBitmap target(200, 120);
  const TColor none = 0x00123456;
  FillDC(target.Canvas()->Handle(), Rect(0, 0, 200, 120), none);
  p->PaintToWindow(target.Canvas()->Handle());
  const TPixelImage out = BitmapImage(target);
  const std::pair<TPoint, TColor> expected[] = {{{2, 60}, kFormColor},   {{3, 60}, none},  {{197, 60}, kFormColor},
                                                {{196, 60}, none},       {{100, 117}, kFormColor},
                                                {{100, 116}, none},      {{100, 0}, none}};
  for (auto [pt, color] : expected) EXPECT_EQ(out.At(pt.x, pt.y), color) << pt.x << "," << pt.y;
}

TEST_F(SkinProviderPaintTest, PrintWindowAndTheScreenShowTheCacheCutAtItsKeyColourCorners) {
  LoadTestSkin();
  TForm* form = ShowSkinnedForm();
  TsSkinProvider* p = ProviderOf(form);
  HWND wnd = form->Handle();
  const TPixelImage cache = BitmapImage(*p->SkinData()->CacheBmp);
  const TPixelImage printed = PrintWindowImage(wnd);
  const TPixelImage screen = ScreenOnceFrameShown(wnd, cache);
  const TsFormFrame f = p->Frame();
  const int w = cache.Width(), h = cache.Height();
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  ASSERT_EQ(GetWindowRgn(wnd, rgn), COMPLEXREGION);
  int compared = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const bool strip = y < f.HeaderHeight() || x < f.SysBorderWidth() || x >= w - f.SysBorderWidth() ||
                         y >= h - f.SysBorderHeight();
      if (!strip || !PtInRegion(rgn, x, y)) continue;
      ASSERT_EQ(printed.At(x, y), cache.At(x, y)) << "printed " << x << "," << y;
      ASSERT_EQ(screen.At(x, y), cache.At(x, y)) << "screen " << x << "," << y;
      ++compared;
    }
  EXPECT_GT(compared, 2 * w);
  // Each corner's notch is cut, mirrored from the top-left one; the pointer falls through it.
  RECT wr{};
  GetWindowRect(wnd, &wr);
  for (int y = 0; y < kCell; ++y)
    for (int x = 0; x < kCell; ++x)
      for (TPoint c : {Point(x, y), Point(w - 1 - x, y), Point(x, h - 1 - y), Point(w - 1 - x, h - 1 - y)}) {
        EXPECT_EQ(PtInRegion(rgn, c.x, c.y) == FALSE, NotchPixel(x, y)) << c.x << "," << c.y;
        EXPECT_EQ(WindowFromPoint(Point(wr.left + c.x, wr.top + c.y)) != wnd, NotchPixel(x, y)) << c.x << "," << c.y;
      }
  DeleteObject(rgn);
}

TEST_F(SkinProviderPaintTest, AFormMayKeepItsRegionAndTheProviderNeverLeavesItEmptyNorMakesAWindow) {
  LoadTestSkin();
  TForm* form = NewSkinnedForm();
  TsSkinProvider* p = ProviderOf(form);
  p->FullRedraw();
  p->UpdateRgn();
  EXPECT_FALSE(form->HandleAllocated());
  EXPECT_TRUE(p->SkinData()->BGChanged && p->RebuildRequested && p->MenuLineCount == -1);

  form->Show();
  HWND wnd = form->Handle();
  struct TKeeper {  // answers the region query before the first composition
    TWndMethod Saved;
    void Proc(TMessage& m) { m.Msg == WM_SKINREGIONQUERY ? void(m.Result = m.WParam) : Saved(m); }
  } keeper;
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  {
    TWindowProcHook hook(form, keeper.Saved, TWndMethod(&keeper, &TKeeper::Proc));
    SetWindowRgn(wnd, CreateEllipticRgn(0, 0, 300, 200), FALSE);
    p->ImageComposed = false;
    p->RegionList = {Rect(100, 0, 200, 50)};
    p->UpdateRgn();
    GetWindowRgn(wnd, rgn);
    EXPECT_FALSE(PtInRegion(rgn, 1, 1));  // still the ellipse
    EXPECT_TRUE(PtInRegion(rgn, 150, 10));
  }

  // Composed: the provider's region; cuts over the whole window leave the whole window, and no
  // region is lost or leaked on the way.
  p->ImageComposed = true;
  const DWORD objects = GdiObjectCount();
  for (int i = 0; i < 10; ++i) {
    p->RegionList = {Rect(0, 0, 400, 300)};
    p->UpdateRgn();
  }
  EXPECT_EQ(GdiObjectCount(), objects);
  ASSERT_NE(GetWindowRgn(wnd, rgn), ERROR);
  EXPECT_TRUE(PtInRegion(rgn, 1, 1) && PtInRegion(rgn, 299, 199));
  DeleteObject(rgn);
}

// The project's own skin on a shown form, as the program's forms carry the provider: the title
// bar and borders on the screen are the composed image, cut at the skin's rounded corners.
TEST_F(SkinProviderPaintTest, TheProjectSkinShowsItsTitleAndBordersCutAtTheCorners) {
  Manager = std::unique_ptr<TsSkinManager>(NewComponent<TsSkinManager>(nullptr));
  ReadStoredSkinsResource(GetModuleHandleA(nullptr), sInternalSkinResource, *Manager->InternalSkins());
  Manager->SetSkinName(Manager->InternalSkins()->Items(0)->Name());
  ASSERT_TRUE(Manager->SkinData.Active);
  TForm* form = NewSkinnedForm(bsSizeable, 360, 240);
  TsSkinProvider* p = ProviderOf(form);
  p->SetCaptionAlignment(taCenter);
  p->SetShowAppIcon(false);
  p->SetTitleSkin("FORMTITLE");
  form->SetCaption("Korvani");
  ShowPainted(form);

  HWND wnd = form->Handle();
  RECT wr{};
  GetWindowRect(wnd, &wr);
  const TPixelImage cache = BitmapImage(*p->SkinData()->CacheBmp);
  const TPixelImage screen = ScreenOnceFrameShown(wnd, cache);
  const TsFormFrame f = p->Frame();
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  ASSERT_EQ(GetWindowRgn(wnd, rgn), COMPLEXREGION);
  int shown = 0;
  for (int y = 0; y < cache.Height(); ++y)
    for (int x = 0; x < cache.Width(); ++x)
      if ((y < f.HeaderHeight() || x < f.SysBorderWidth() || x >= f.FormWidth() - f.SysBorderWidth() ||
           y >= f.Height - f.SysBorderHeight()) &&
          PtInRegion(rgn, x, y)) {
        ASSERT_EQ(screen.At(x, y), cache.At(x, y)) << x << "," << y;
        ++shown;
      }
  DeleteObject(rgn);
  EXPECT_GT(shown, f.FormWidth() * (f.HeaderHeight() - 2) + 2 * f.Height);
  // The rounded corners are cut: what lies beneath shows and takes the pointer.
  EXPECT_NE(WindowFromPoint(Point(wr.left, wr.top)), wnd);
  EXPECT_NE(WindowFromPoint(Point(wr.right - 1, wr.top)), wnd);
  EXPECT_EQ(WindowFromPoint(Point((wr.left + wr.right) / 2, wr.top + 1)), wnd);
  // The caption buttons take the skin's big images.
  EXPECT_EQ(p->ButtonClose.ImageIndex, Manager->GetMaskIndexByName("GLOBALINFO", "BICONCLOSE"));
}

}  // namespace
}  // namespace korv::test

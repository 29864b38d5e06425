// A skinned form's client area: painted from the provider's cache with the graphic children over
// it, and scrolled by skinned bars with a grip (the rules as plain functions, the offsets on real
// windows through scrolling, resizing, hiding and resetting, and a real click on a bar).
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "ProviderKit.h"
#include "classlib/Menus.h"
#include "skin/controls/sPanel.h"
#include "skin/controls/sScrollBar.h"
#include "skin/core/LinkedControls.h"
#include "skin/forms/sSkinProviderClient.h"
#include "skin/paint/sStyleSimply.h"

namespace korv::test {
namespace {

constexpr TColor kFill = 0x00112233;

// A graphic control that paints its left half and leaves the right half to what lies under it.
class TFillGraphic : public TGraphicControl {
 public:
  TFillGraphic(TWinControl* parent, TRect bounds) : TGraphicControl(parent) {
    SetParent(parent);
    SetBoundsRect(bounds);
  }

 protected:
  void Paint() override {
    Canvas()->Brush()->SetColor(kFill);
    Canvas()->FillRect(Rect(0, 0, Width() / 2, Height()));
  }
};

TEST(ScrollRulesTest, PageRangeStepsPlacesAndTheGripCorner) {
  TsScrollInput in{200, 0, 8, 300, 200, 17, false, true};
  TsScrollInfo v = ScrollInfoOf(true, in);  // page 196: a bar needs a range above 200
  EXPECT_TRUE(v.Page == 196 && v.Maximum == 4 && !v.Needed);
  in.Content = 201;
  v = ScrollInfoOf(true, in);
  EXPECT_TRUE(v.Needed && v.SmallStep == 8 && v.LargeStep == 80);
  EXPECT_TRUE(SameRect(v.Rect, Rect(283, 0, 300, 200)));
  in.FormRange = 500;  // the form's own range counts when larger
  EXPECT_EQ(ScrollInfoOf(true, in).Maximum, 304);
  in.CanShow = false;
  EXPECT_FALSE(ScrollInfoOf(true, in).Needed);
  in = TsScrollInput{400, 0, 8, 300, 200, 17, true, true};
  EXPECT_TRUE(SameRect(ScrollInfoOf(true, in).Rect, Rect(1, 1, 18, 199)));  // right-to-left
  EXPECT_TRUE(SameRect(ScrollInfoOf(false, in).Rect, Rect(0, 183, 300, 200)));
  for (const bool rtl : {false, true}) {
    in.RightToLeft = rtl;
    TsScrollInfo vert = ScrollInfoOf(true, in), horz = ScrollInfoOf(false, in);
    const TRect grip = FitScrollBars(vert, horz, rtl);
    RECT common;
    EXPECT_FALSE(IntersectRect(&common, &grip, &vert.Rect) || IntersectRect(&common, &grip, &horz.Rect)) << rtl;
    EXPECT_TRUE(SameRect(grip, Bounds(vert.Rect.left, horz.Rect.top, 17, 17))) << rtl;
  }
}

class SkinProviderClientTest : public TProviderTest {
 protected:
  // A 300 x 200 form with a windowed child, a painting graphic child and two graphic children
  // far down and far right, shown with its client painted; with settled, measured again once
  // both bars exist (the content counts the other bar).
  TsSkinProvider* ShowScrollingForm(bool settled = true, bool autoScroll = true) {
    LoadTestSkin();
    Form = NewForm(100, 100, 300, 200);
    Form->SetAutoScroll(autoScroll);
    NewComponent<TsSkinProvider>(Form)->SetName("sSkinProvider1");
    Win = NewComponent<TLinkedWindow>(Form, Bounds(10, 10, 60, 40));
    Fill = NewComponent<TFillGraphic>(Form, Bounds(100, 60, 30, 20));
    Low = NewComponent<TFillGraphic>(Form, Bounds(20, 400, 40, 30));
    Wide = NewComponent<TFillGraphic>(Form, Bounds(400, 20, 50, 20));
    TsSkinProvider* p = ProviderOf(Form);
    ShowPainted(Form);
    if (settled) Resized(p);
    return p;
  }
  // What the window procedure does before and after a resize.
  static void Resized(TsSkinProvider* p) {
    p->MeasureContent();
    p->UpdateScrolls();
  }
  // A real click on the middle of a bar's track after the thumb, which pages by the large step;
  // true once the bar has moved.
  static ::testing::AssertionResult ClickTrackAfter(TsScrollBar* bar) {
    const TsScrollLayout layout = bar->Model().Layout();
    const TRect thumb = layout.Parts[spThumb], second = layout.Parts[spSecondButton];
    const TPoint inTrack = bar->Kind() == sbVertical ? Point(bar->Width() / 2, (thumb.bottom + second.top) / 2)
                                                     : Point((thumb.right + second.left) / 2, bar->Height() / 2);
    if (bar->Model().HitTest(inTrack) != spTrackAfter) return ::testing::AssertionFailure() << "no track there";
    const TPoint at = bar->ClientToScreen(inTrack);
    const int before = bar->Position();
    TInputDriver d;
    if (!d.Run([&](TInputDriver& d) { d.MoveTo(at.x, at.y) && d.LeftDown() && d.LeftUp(); }))
      return ::testing::AssertionFailure() << d.Error();
    if (PumpUntil([&] { return bar->Position() != before; })) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the click did not move the bar";
  }
  // Every child stands where it was put, shifted by the offsets, and each offset is -Position.
  void ExpectShifted(TsSkinProvider* p) {
    EXPECT_TRUE(Win->Top() == 10 + p->VertOffset && Win->Left() == 10 + p->HorzOffset);
    EXPECT_TRUE(Low->Top() == 400 + p->VertOffset && Wide->Left() == 400 + p->HorzOffset);
    EXPECT_EQ(p->VertOffset, p->VertBar ? -p->VertBar->Position() : 0);
    EXPECT_EQ(p->HorzOffset, p->HorzBar ? -p->HorzBar->Position() : 0);
  }
  TForm* Form = nullptr;
  TLinkedWindow* Win = nullptr;
  TFillGraphic *Fill = nullptr, *Low = nullptr, *Wide = nullptr;
};

TEST_F(SkinProviderClientTest, ClientBarsAndGripArePaintedFromTheSkinAndARealClickScrolls) {
  TsSkinProvider* p = ShowScrollingForm(false);
  ASSERT_TRUE(PumpUntil([&] { return p->VertBar && p->HorzBar && p->Grip; }));
  Win->Got.clear();
  RedrawWindow(Form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  const TPixelImage client = CaptureWhen(Form->Handle(), true, [](auto& img) { return img.At(105, 65) == kFill; });
  EXPECT_EQ(client.At(160, 120), kFormColor);  // the form's section, not the form's colour
  EXPECT_TRUE(client.All(Bounds(100, 60, 15, 20), kFill) && client.All(Bounds(115, 60, 15, 20), kFormColor));
  EXPECT_NE(std::count(Win->Got.begin(), Win->Got.end(), std::pair<WORD, WORD>(skcParentPainted, 0)), 0);
  TsScrollBar* v = p->VertBar;
  EXPECT_TRUE(v->OwnFace() && IsWindowVisible(v->Handle()) && !v->TabStop() && v->LinkedControl() == Form);
  EXPECT_EQ(v->Left() + v->Width(), Form->ClientWidth());
  EXPECT_TRUE(SameRect(p->Grip->BoundsRect(), Bounds(v->Left(), p->HorzBar->Top(), v->Width(), p->HorzBar->Height())));
  auto thumbShown = [](const TPixelImage& img) { return img.At(img.Width() / 2, 25) == kThumbColor; };
  EXPECT_TRUE(thumbShown(CaptureWhen(v->Handle(), false, thumbShown)));
  auto gripShown = [](const TPixelImage& img) { return img.At(10, 10) == kCheckBoxColor; };
  EXPECT_TRUE(gripShown(CaptureWhen(p->Grip->Handle(), false, gripShown)));

  // One child alone, over its piece of the cache (the painting of a single control).
  TBitmap one(Form->Width(), Form->Height());
  FillDC(one.Canvas()->Handle(), Rect(0, 0, one.Width(), one.Height()), 0x00123456);
  p->PaintChild = Fill;
  p->PaintForm(one.Canvas()->Handle());
  p->PaintChild = nullptr;
  const TPixelImage img = BitmapImage(one);
  EXPECT_TRUE(img.At(105, 70) == kFill && img.At(125, 70) == kFormColor && img.At(160, 120) == 0x00123456);

  // A real click on the track after the thumb pages down by the large step.
  ASSERT_TRUE(ClickTrackAfter(v));
  EXPECT_EQ(v->Position(), 80);
  ExpectShifted(p);
}

// Windowed children that reach under both bars and the grip, and beyond them: the bars and the
// grip lie over the children on the screen and take the clicks there, after scrolling and over a
// child added once the bars exist too.
TEST_F(SkinProviderClientTest, TheBarsAndGripLieOverWindowedChildrenAndTakeTheClicksThere) {
  LoadTestSkin();
  Form = NewForm(100, 100, 300, 200);
  NewComponent<TsSkinProvider>(Form)->SetName("sSkinProvider1");
  Form->HandleNeeded();
  const int cw = Form->ClientWidth(), ch = Form->ClientHeight();
  const TColor panelColor = 0x0040C0F0;
  auto panel = [&](TRect r) {
    auto* c = NewComponent<TPanel>(Form);
    c->SetBevelOuter(bvNone);
    c->SetColor(panelColor);
    c->SetParent(Form);
    c->SetBoundsRect(r);
    return c;
  };
  // Each still reaches under its bar when the other bar has scrolled it by a page.
  panel(Bounds(0, ch - 60, 600, 200));
  panel(Bounds(cw - 60, 0, 200, 500));
  TsSkinProvider* p = ProviderOf(Form);
  ShowPainted(Form);
  Resized(p);
  ASSERT_TRUE(p->VertBar && p->HorzBar && p->Grip);
  auto onTop = [](TWinControl* c) {
    return WindowFromPoint(c->ClientToScreen(Point(c->Width() / 2, c->Height() / 2))) == c->Handle();
  };
  EXPECT_TRUE(onTop(p->VertBar) && onTop(p->HorzBar) && onTop(p->Grip));

  for (TsScrollBar* bar : {p->HorzBar, p->VertBar}) {
    ASSERT_TRUE(ClickTrackAfter(bar));
    EXPECT_EQ(bar->Position(), 80);
  }
  // Scrolled both ways, the horizontal bar shows its thumb and no piece of a panel.
  const TRect thumb = p->HorzBar->Model().Layout().Parts[spThumb];
  auto shown = [&](const TPixelImage& img) {
    return img.At((thumb.left + thumb.right) / 2, img.Height() / 2) == kThumbColor &&
           img.Count(Rect(0, 0, img.Width(), img.Height()), panelColor) == 0;
  };
  EXPECT_TRUE(shown(CaptureWhen(p->HorzBar->Handle(), false, shown)));

  panel(Bounds(cw - 40, 0, 40, ch));  // a child added under the vertical bar
  EXPECT_TRUE(onTop(p->VertBar) && onTop(p->Grip));
}

// A bordered form keeps its BorderWidth inside the client: the frame painted into the window is
// the cache all round the client, and a graphic child standing in that band keeps its pixels.
TEST_F(SkinProviderClientTest, WithABorderWidthTheFrameMeetsTheClientAndPaintsNoneOfIt) {
  LoadTestSkin();
  Form = NewForm(100, 100, 300, 200);
  Form->SetBorderWidth(6);
  NewComponent<TsSkinProvider>(Form)->SetName("sSkinProvider1");
  Form->HandleNeeded();
  Fill = NewComponent<TFillGraphic>(Form, Bounds(0, Form->ClientHeight() - 20, 40, 20));
  TsSkinProvider* p = ProviderOf(Form);
  ShowPainted(Form);
  HWND wnd = Form->Handle();
  SendMessageA(wnd, WM_NCPAINT, 1, 0);
  const TPixelImage shown = CaptureWindowDC(wnd), cache = BitmapImage(*p->SkinData()->CacheBmp);
  const TWindowRegion region = ReadWindowRegion(wnd);
  const TsFormFrame f = p->Frame();
  int wrong = 0;
  for (int y = 0; y < cache.Height(); ++y)
    for (int x = 0; x < cache.Width(); ++x) {
      const bool frame = y < f.HeaderHeight() || x < f.SysBorderWidth() || x >= cache.Width() - f.SysBorderWidth() ||
                         y >= cache.Height() - f.SysBorderHeight();
      wrong += frame && region.Contains(x, y) && shown.At(x, y) != cache.At(x, y);
    }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(shown.At(f.ClientOffsetX() + 2, f.ClientOffsetY() + Form->ClientHeight() - 3), kFill);
}

TEST_F(SkinProviderClientTest, AWholeRepaintFromReadyCachesPaintsNoCacheAgainAndShowsTheSameImage) {
  TsSkinProvider* p = ShowScrollingForm();
  ASSERT_TRUE(PumpUntil([&] { return p->VertBar && p->HorzBar && p->Grip; }));
  HWND wnd = Form->Handle();
  const UINT whole = RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN;
  RedrawWindow(wnd, nullptr, nullptr, whole);
  const TPixelImage shown = CaptureWindowDC(wnd);
  auto stamps = [&] {
    return std::vector<uint32_t>{p->SkinData()->CacheStamp, p->VertBar->SkinData()->CacheStamp,
                                 p->HorzBar->SkinData()->CacheStamp, p->Grip->SkinData()->CacheStamp};
  };
  auto sameAsShown = [&](const TPixelImage& img) {
    if (img.Width() != shown.Width() || img.Height() != shown.Height()) return false;
    for (int y = 0; y < img.Height(); ++y)
      for (int x = 0; x < img.Width(); ++x)
        if (img.At(x, y) != shown.At(x, y)) return false;
    return true;
  };
  // Painted over on the screen (frame, client and children), then repainted whole: every pixel
  // comes back from the caches, and none of them is painted again.
  auto paintOver = [&] {
    for (HWND w : {wnd, p->VertBar->Handle(), p->HorzBar->Handle(), p->Grip->Handle(), Win->Handle()}) {
      RECT r{};
      GetWindowRect(w, &r);
      TWindowDC dc = TWindowDC::Window(w);
      FillDC(dc.Get(), Rect(0, 0, r.right - r.left, r.bottom - r.top), 0x00123456);
    }
    EXPECT_EQ(CaptureWindowDC(wnd).At(Form->Width() / 2, Form->Height() / 2), 0x00123456);
  };
  const std::vector<uint32_t> ready = stamps();
  paintOver();
  RedrawWindow(wnd, nullptr, nullptr, whole);
  EXPECT_EQ(stamps(), ready);
  EXPECT_TRUE(sameAsShown(CaptureWindowDC(wnd)));

  // Every cache marked changed: each is painted again, to the same picture.
  p->SkinData()->BGChanged = true;
  p->RebuildRequested = true;
  TMessage m = SkinCmdMessage(17);
  AlphaBroadcast(Form, m);
  paintOver();
  RedrawWindow(wnd, nullptr, nullptr, whole);
  const std::vector<uint32_t> changed = stamps();
  for (size_t i = 0; i < ready.size(); ++i) EXPECT_NE(changed[i], ready[i]) << i;
  EXPECT_TRUE(sameAsShown(CaptureWindowDC(wnd)));
}

TEST_F(SkinProviderClientTest, TheOffsetIsMinusThePositionThroughScrollingResizingAndReset) {
  TsSkinProvider* p = ShowScrollingForm();
  ASSERT_TRUE(p->VertBar && p->HorzBar);
  const int range = p->ContentHeight;
  EXPECT_EQ(range, 430 + 2 + p->HorzBar->Height());
  EXPECT_EQ(p->VertBar->Max(), range - (Form->ClientHeight() - 4));
  p->VertBar->SetPosition(100);
  p->HorzBar->SetPosition(50);
  EXPECT_TRUE(p->VertOffset == -100 && p->HorzOffset == -50);
  ExpectShifted(p);
  // Scrolled to the end, then made taller: measured unscrolled, the range stays; the position is
  // clamped to the smaller maximum and the children follow it.
  p->VertBar->SetPosition(p->VertBar->Max());
  Form->SetHeight(Form->Height() + 60);
  PumpPending();
  EXPECT_EQ(p->ContentHeight, range);
  ASSERT_TRUE(p->VertBar);
  EXPECT_EQ(p->VertBar->Max(), range - (Form->ClientHeight() - 4));
  EXPECT_EQ(p->VertBar->Position(), p->VertBar->Max());
  ExpectShifted(p);
  p->ResetScroll(true);
  p->ResetScroll(false);
  EXPECT_TRUE(p->VertBar->Position() == 0 && p->VertOffset == 0 && p->HorzOffset == 0);
  ExpectShifted(p);
}

TEST_F(SkinProviderClientTest, HiddenFormsAndContentThatFitsLoseTheBarsAndGetTheirChildrenBack) {
  TsSkinProvider* p = ShowScrollingForm();
  ASSERT_TRUE(p->VertBar);
  p->VertBar->SetPosition(100);
  p->HorzBar->SetPosition(30);
  Form->Hide();  // the graphic children of a hidden form move back too
  Resized(p);
  EXPECT_TRUE(!p->VertBar && !p->HorzBar && !p->Grip);
  ExpectShifted(p);
  EXPECT_EQ(Fill->Top(), 60);

  Form->Show();
  Resized(p);
  ASSERT_TRUE(p->VertBar);
  HWND bar = p->VertBar->Handle();
  p->VertBar->SetPosition(70);
  Low->SetVisible(false);
  Wide->SetVisible(false);
  Resized(p);
  EXPECT_TRUE(!p->VertBar && !p->HorzBar && !p->Grip && !IsWindow(bar));
  ExpectShifted(p);

  // An offset without a bar (never made, or freed) still gives the children back.
  p->ShiftChildren(0, -30);
  p->VertOffset = -30;
  p->ResetScroll(true);
  ExpectShifted(p);
}

TEST_F(SkinProviderClientTest, AFormWithoutAutoScrollNeverGetsBars) {
  TsSkinProvider* p = ShowScrollingForm(true, false);
  EXPECT_FALSE(p->FormAutoScroll);
  EXPECT_TRUE(!p->VertBar && !p->HorzBar && !p->Grip);
  EXPECT_EQ(GetWindowLongA(Form->Handle(), GWL_STYLE) & (WS_VSCROLL | WS_HSCROLL), 0);
}

// A form with a main menu skinned while hidden, as a program's main window is: its first client
// paint comes while the menu line is measured inside the first frame paint, when painting must
// wait; the client is painted once the wait is over, with nothing but the show asking for it.
TEST_F(SkinProviderClientTest, AFormWithAMenuSkinnedWhileHiddenShowsItsClientWhenFirstShown) {
  auto* form = NewComponent<TForm>(Application);
  Forms_.push_back(form);
  form->SetBounds(100, 100, 300, 200);
  auto* menu = NewComponent<TMainMenu>(form);
  menu->Items()->Add(NewComponent<TMenuItem>(form));
  menu->Items()->Items(0)->SetCaption("&File");
  form->SetMenu(menu);
  auto* sm = NewComponent<TsSkinManager>(form);
  AddTestSkin(*sm);
  NewComponent<TsSkinProvider>(form);
  sm->SetSkinName("Test");
  form->Show();
  const TRect r = Rect(20, 20, 120, 80);
  const TColor face = ColorToRGB(kFormColor);
  EXPECT_TRUE(CaptureWhen(form->Handle(), true, [&](const TPixelImage& img) { return img.All(r, face); }).All(r, face));
}

}  // namespace
}  // namespace korv::test

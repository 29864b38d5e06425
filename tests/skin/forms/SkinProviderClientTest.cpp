// A skinned form's client area: its background and graphic children painted from the provider's
// cache, and the skinned scroll bars that replace the form's own (the rules as plain functions;
// on real windows the offsets through scrolling, resizing and resetting, bars that go when the
// content fits, the grip in the corner, and real clicks that scroll the children).
#include <gtest/gtest.h>

#include <algorithm>

#include "ProviderKit.h"
#include "skin/controls/sPanel.h"
#include "skin/controls/sScrollBar.h"
#include "skin/core/LinkedControls.h"
#include "skin/forms/sSkinProviderClient.h"
#include "skin/paint/sStyleSimply.h"

namespace korv::test {
namespace {

// A graphic control that paints its left half in its colour and leaves the right half to what
// lies under it.
class TFillGraphic : public TGraphicControl {
 public:
  TFillGraphic(TWinControl* parent, TRect bounds, TColor color) : TGraphicControl(parent), Color_(color) {
    SetParent(parent);
    SetBoundsRect(bounds);
  }

 protected:
  void Paint() override {
    Canvas()->Brush()->SetColor(Color_);
    Canvas()->FillRect(Rect(0, 0, Width() / 2, Height()));
  }

 private:
  TColor Color_;
};

constexpr TColor kFill = 0x00112233;

// ---- the rules ----

TEST(ScrollRulesTest, PageRangeStepsAndWhenABarShows) {
  TsScrollInput in;
  in.ClientWidth = 300;
  in.ClientHeight = 200;
  in.Increment = 8;
  in.BarSize = 17;
  in.CanShow = true;
  in.Content = 200;  // page 196: a bar needs a range above 200
  TsScrollInfo v = ScrollInfoOf(true, in);
  EXPECT_EQ(v.Page, 196);
  EXPECT_EQ(v.Maximum, 4);
  EXPECT_FALSE(v.Needed);
  EXPECT_TRUE(SameRect(v.Rect, Rect(283, 0, 300, 200)));  // placed already: the maximum is 4
  in.Content = 201;
  v = ScrollInfoOf(true, in);
  EXPECT_TRUE(v.Needed);
  EXPECT_EQ(v.SmallStep, 8);
  EXPECT_EQ(v.LargeStep, 80);
  in.FormRange = 500;  // a range of the form's own bar counts when larger
  EXPECT_EQ(ScrollInfoOf(true, in).Maximum, 304);
  in.FormRange = 0;
  in.CanShow = false;  // an invisible or unskinned form shows none
  EXPECT_FALSE(ScrollInfoOf(true, in).Needed);
  in.CanShow = true;
  in.Content = 150;  // nothing to scroll: no place either
  v = ScrollInfoOf(true, in);
  EXPECT_FALSE(v.Needed);
  EXPECT_TRUE(IsRectEmpty(&v.Rect));
  in.Content = 400;
  const TsScrollInfo h = ScrollInfoOf(false, in);
  EXPECT_EQ(h.Page, 296);
  EXPECT_TRUE(h.Needed);
  EXPECT_TRUE(SameRect(h.Rect, Rect(0, 183, 300, 200)));
  in.RightToLeft = true;
  v = ScrollInfoOf(true, in);
  EXPECT_TRUE(SameRect(v.Rect, Rect(1, 1, 18, 199)));
}

TEST(ScrollRulesTest, TheGripFillsTheCornerAndNeitherBarOverlapsIt) {
  for (const bool rtl : {false, true}) {
    TsScrollInput in{400, 0, 8, 300, 200, 17, rtl, true};
    TsScrollInfo v = ScrollInfoOf(true, in), h = ScrollInfoOf(false, in);
    const TRect grip = FitScrollBars(v, h, rtl);
    RECT common;
    EXPECT_FALSE(IntersectRect(&common, &grip, &v.Rect)) << rtl;
    EXPECT_FALSE(IntersectRect(&common, &grip, &h.Rect)) << rtl;
    EXPECT_EQ(grip.left, v.Rect.left);
    EXPECT_EQ(grip.top, h.Rect.top);
    EXPECT_EQ(RectWidth(grip), 17);
    EXPECT_EQ(RectHeight(grip), 17);
    EXPECT_EQ(rtl ? grip.right : grip.left, rtl ? h.Rect.left : h.Rect.right) << "the grip meets the bar";
    EXPECT_EQ(v.Rect.bottom, rtl ? 199 - 17 : 200 - 17);
  }
}

// ---- on real windows ----

class SkinProviderClientTest : public TProviderTest {
 protected:
  // A 300 x 200 form with a windowed child, a painting graphic child, and two graphic children
  // far down and far right.
  TForm* NewScrollingForm() {
    TForm* form = NewSkinnedForm();
    Win = new TLinkedWindow(form, Bounds(10, 10, 60, 40));
    Fill = new TFillGraphic(form, Bounds(100, 60, 30, 20), kFill);
    Low = new TFillGraphic(form, Bounds(20, 400, 40, 30), kFill);
    Wide = new TFillGraphic(form, Bounds(400, 20, 50, 20), kFill);
    return form;
  }
  // The test skin loaded and the scrolling form shown with its client painted; with settled,
  // the content measured again with both bars made (the content counts the other bar too).
  TsSkinProvider* ShowScrollingForm(bool settled = true) {
    LoadTestSkin();
    Form = NewScrollingForm();
    TsSkinProvider* p = ProviderOf(Form);
    ShowPainted(Form, true);
    if (settled) Resized(p);
    return p;
  }
  // The provider as the window procedure drives it before and after a resize.
  static void Resized(TsSkinProvider* p) {
    p->MeasureContent();
    p->UpdateScrolls();
  }
  // Every child stands where it was put, shifted by the offsets.
  void ExpectShifted(TsSkinProvider* p) {
    EXPECT_EQ(Win->Top(), 10 + p->VertOffset);
    EXPECT_EQ(Win->Left(), 10 + p->HorzOffset);
    EXPECT_EQ(Low->Top(), 400 + p->VertOffset);
    EXPECT_EQ(Wide->Left(), 400 + p->HorzOffset);
    if (p->VertBar) {
      EXPECT_EQ(p->VertOffset, -p->VertBar->Position());
    }
    if (p->HorzBar) {
      EXPECT_EQ(p->HorzOffset, -p->HorzBar->Position());
    }
  }
  TForm* Form = nullptr;
  TLinkedWindow* Win = nullptr;
  TFillGraphic* Fill = nullptr;
  TFillGraphic* Low = nullptr;
  TFillGraphic* Wide = nullptr;
};

TEST_F(SkinProviderClientTest, TheClientShowsTheCacheWithGraphicChildrenOverItAndTellsWindowedOnes) {
  TsSkinProvider* p = ShowScrollingForm(false);
  TForm* form = Form;
  Win->Got.clear();
  RedrawWindow(form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  const TPixelImage client =
      CaptureWhen(form->Handle(), true, [](const TPixelImage& img) { return img.At(105, 65) == kFill; });
  EXPECT_EQ(client.At(160, 120), kFormColor);  // the form's section, not the form's colour
  EXPECT_NE(ColorToRGB(form->Color()), kFormColor);
  EXPECT_TRUE(client.All(Bounds(100, 60, 15, 20), kFill));
  EXPECT_TRUE(client.All(Bounds(115, 60, 15, 20), kFormColor)) << "a graphic child shows the cache under it";
  EXPECT_NE(std::count(Win->Got.begin(), Win->Got.end(), std::pair<WORD, WORD>(skcParentPainted, 0)), 0);

  // One child alone, over its piece of the cache.
  TBitmap target(form->Width(), form->Height());
  FillDC(target.Canvas()->Handle(), Rect(0, 0, target.Width(), target.Height()), 0x00123456);
  p->PaintChild = Fill;
  p->PaintForm(target.Canvas()->Handle());
  p->PaintChild = nullptr;
  const TPixelImage one = BitmapImage(target);
  EXPECT_EQ(one.At(105, 70), kFill);
  EXPECT_EQ(one.At(125, 70), kFormColor);
  EXPECT_EQ(one.At(160, 120), 0x00123456);
}

TEST_F(SkinProviderClientTest, TheOffsetIsMinusThePositionThroughScrollingResizingAndReset) {
  TsSkinProvider* p = ShowScrollingForm();
  TForm* form = Form;
  ASSERT_TRUE(p->VertBar && p->HorzBar && p->Grip);
  const int range = p->ContentHeight;
  EXPECT_EQ(range, 430 + 2 + p->HorzBar->Height());
  EXPECT_EQ(p->VertBar->Max(), range - (form->ClientHeight() - 4));
  EXPECT_EQ(p->VertBar->LargeChange(), 80);

  p->VertBar->SetPosition(100);
  p->HorzBar->SetPosition(50);
  EXPECT_EQ(p->VertOffset, -100);
  EXPECT_EQ(p->HorzOffset, -50);
  ExpectShifted(p);

  // Scrolled to the end, then made taller: the content is measured unscrolled, so the range
  // stays; the position is clamped to the smaller maximum and the children follow it.
  p->VertBar->SetPosition(p->VertBar->Max());
  form->SetHeight(form->Height() + 60);
  PumpPending();
  EXPECT_EQ(p->ContentHeight, range);
  ASSERT_TRUE(p->VertBar);
  EXPECT_EQ(p->VertBar->Max(), range - (form->ClientHeight() - 4));
  EXPECT_EQ(p->VertBar->Position(), p->VertBar->Max());
  ExpectShifted(p);

  p->ResetScroll(true);
  p->ResetScroll(false);
  EXPECT_EQ(p->VertBar->Position(), 0);
  EXPECT_EQ(p->VertOffset, 0);
  EXPECT_EQ(p->HorzOffset, 0);
  ExpectShifted(p);
}

TEST_F(SkinProviderClientTest, SkinnedBarsAndTheGripShowAndARealClickScrollsTheChildren) {
  TsSkinProvider* p = ShowScrollingForm(false);
  TForm* form = Form;
  ASSERT_TRUE(PumpUntil([&] { return p->VertBar && p->HorzBar && p->Grip; }));
  TsScrollBar* v = p->VertBar;
  EXPECT_TRUE(v->OwnFace() && v->Visible() && IsWindowVisible(v->Handle()));
  EXPECT_FALSE(v->TabStop());
  EXPECT_EQ(v->LinkedControl(), form);
  // The bars along the right and bottom edges, the grip between them.
  EXPECT_EQ(v->Left() + v->Width(), form->ClientWidth());
  EXPECT_EQ(p->HorzBar->Top() + p->HorzBar->Height(), form->ClientHeight());
  EXPECT_TRUE(SameRect(p->Grip->BoundsRect(), Bounds(v->Left(), p->HorzBar->Top(), v->Width(), p->HorzBar->Height())));
  EXPECT_EQ(v->Top() + v->Height(), p->Grip->Top());
  EXPECT_EQ(p->HorzBar->Left() + p->HorzBar->Width(), p->Grip->Left());
  RedrawWindow(form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  const TPixelImage bar = CaptureWhen(v->Handle(), false, [](const TPixelImage& img) {
    const TRect all = Rect(0, 0, img.Width(), img.Height());
    return img.Count(all, kThumbColor) > 0 && img.Count(all, kTrackAfter) > 0;
  });
  EXPECT_GT(bar.Count(Rect(0, 0, bar.Width(), bar.Height()), kThumbColor), 0);
  EXPECT_GT(bar.Count(Rect(0, 0, bar.Width(), bar.Height()), kTrackAfter), 0);
  const TPixelImage grip = CaptureWhen(p->Grip->Handle(), false, [](const TPixelImage& img) {
    return img.At(img.Width() / 2, img.Height() / 2) == kCheckBoxColor;
  });
  EXPECT_EQ(grip.At(grip.Width() / 2, grip.Height() / 2), kCheckBoxColor);

  // A click on the track after the thumb pages down by the large step.
  const TsScrollLayout layout = v->Model().Layout();
  const TPoint inTrack = Point(v->Width() / 2, (layout.Parts[spThumb].bottom + layout.Parts[spSecondButton].top) / 2);
  ASSERT_EQ(v->Model().HitTest(inTrack), spTrackAfter);
  const TPoint at = v->ClientToScreen(inTrack);
  TInputDriver d;
  ASSERT_TRUE(d.Run([&](TInputDriver& d) {
    d.MoveTo(at.x, at.y);
    d.LeftDown();
    d.LeftUp();
  })) << d.Error();
  ASSERT_TRUE(PumpUntil([&] { return v->Position() != 0; }));
  EXPECT_EQ(v->Position(), 80);
  EXPECT_EQ(p->VertOffset, -80);
  ExpectShifted(p);
}

TEST_F(SkinProviderClientTest, ContentThatFitsRemovesTheBarsAndBringsTheChildrenBackEvenWithoutABar) {
  TsSkinProvider* p = ShowScrollingForm();
  ASSERT_TRUE(p->VertBar && p->HorzBar);
  HWND vertWnd = p->VertBar->Handle();
  p->VertBar->SetPosition(70);
  p->HorzBar->SetPosition(30);
  Low->SetVisible(false);
  Wide->SetVisible(false);
  Resized(p);
  EXPECT_TRUE(!p->VertBar && !p->HorzBar && !p->Grip);
  EXPECT_FALSE(IsWindow(vertWnd));
  EXPECT_EQ(p->VertOffset, 0);
  EXPECT_EQ(p->HorzOffset, 0);
  ExpectShifted(p);

  // A direction with an offset but no bar (never made, or freed) still gives its children back.
  p->ShiftChildren(0, -30);
  p->VertOffset = -30;
  p->ResetScroll(true);
  EXPECT_EQ(p->VertOffset, 0);
  ExpectShifted(p);
}

TEST_F(SkinProviderClientTest, GraphicChildrenOfAHiddenFormGoBackToTheirPlace) {
  TsSkinProvider* p = ShowScrollingForm();
  TForm* form = Form;
  ASSERT_TRUE(p->VertBar);
  p->VertBar->SetPosition(100);
  form->Hide();
  ASSERT_FALSE(IsWindowVisible(form->Handle()));
  Resized(p);  // a hidden form shows no bars: the children come back
  EXPECT_FALSE(p->VertBar);
  EXPECT_EQ(p->VertOffset, 0);
  ExpectShifted(p);
  EXPECT_EQ(Fill->Top(), 60);
}

TEST_F(SkinProviderClientTest, AFormWithoutAutoScrollNeverGetsBars) {
  LoadTestSkin();
  TForm* form = NewForm(100, 100, 300, 200);
  form->SetAutoScroll(false);
  NewComponent<TsSkinProvider>(form)->SetName("sSkinProvider1");
  new TFillGraphic(form, Bounds(20, 400, 40, 30), kFill);
  TsSkinProvider* p = ProviderOf(form);
  EXPECT_FALSE(p->FormAutoScroll);
  ShowPainted(form, true);
  Resized(p);
  EXPECT_TRUE(!p->VertBar && !p->HorzBar && !p->Grip);
  EXPECT_EQ(GetWindowLongA(form->Handle(), GWL_STYLE) & (WS_VSCROLL | WS_HSCROLL), 0);
}

}  // namespace
}  // namespace korv::test
